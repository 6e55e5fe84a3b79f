// JPEG through libjpeg: greyscale, RGB/YCbCr and CMYK/YCCK to opaque RGBA, and 24-bit output.
//
// libjpeg must not return from error_exit, so ours longjmps. Every setjmp lives in a function
// whose locals are all trivially destructible (openHeader, decodeRows, compress), and the C++
// objects (image, row pointers, output vector) are made by the caller outside those calls, so a
// longjmp never skips a destructor. The libjpeg structs are destroyed by a guard on every path.
// libjpeg's own messages are never printed; the text of the fatal one becomes our error.
#include <cstdio>  // jpeglib.h needs FILE and size_t first
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "codecs/codecs.h"

namespace qm {
namespace {

// Memory libjpeg may use for its own buffers (whole-image coefficient buffers of progressive
// files, mostly); beyond it decoding fails instead of growing.
constexpr long kJpegMemoryLimit = 1024L * 1024 * 1024;
// Real progressive files have about ten scans; crafted ones can have thousands, each of which
// makes a pass over the whole image.
constexpr int kMaxScans = 256;
// Corrupt data makes libjpeg warn and continue; a file that does it this often is garbage.
constexpr long kMaxWarnings = 1000;

struct JpegErrors {
    jpeg_error_mgr mgr;  // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

JpegErrors* errorsOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegErrors*>(cinfo->err);
}

[[noreturn]] void onJpegError(j_common_ptr cinfo) {
    JpegErrors* errors = errorsOf(cinfo);
    cinfo->err->format_message(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings go nowhere, except the ones that mean the data is unusable: a file that ends early
// (libjpeg would pad it with grey) and a flood of corrupt-data warnings.
void onJpegMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    jpeg_error_mgr* err = cinfo->err;
    ++err->num_warnings;
    if (err->msg_code == JWRN_JPEG_EOF || err->num_warnings > kMaxWarnings) onJpegError(cinfo);
}

void silentOutput(j_common_ptr) {}

void onProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        JpegErrors* errors = errorsOf(cinfo);
        std::snprintf(errors->message, sizeof errors->message, "more than %d scans", kMaxScans);
        std::longjmp(errors->jump, 1);
    }
}

void setUpErrors(JpegErrors* errors) {
    jpeg_std_error(&errors->mgr);
    errors->mgr.error_exit = onJpegError;
    errors->mgr.emit_message = onJpegMessage;
    errors->mgr.output_message = silentOutput;
    errors->message[0] = '\0';
}

// ---------------------------------------------------------------------------------------------
// Reading

struct JpegReader {
    JpegErrors errors;
    jpeg_decompress_struct cinfo;
    jpeg_progress_mgr progress;
    bool created = false;
    bool cmyk = false;
};

bool openHeader(JpegReader* r, const uint8_t* data, size_t size) {
    if (setjmp(r->errors.jump)) return false;
    r->cinfo.err = &r->errors.mgr;
    jpeg_create_decompress(&r->cinfo);
    r->created = true;
    r->cinfo.mem->max_memory_to_use = kJpegMemoryLimit;
    r->progress.progress_monitor = onProgress;
    r->cinfo.progress = &r->progress;
    jpeg_mem_src(&r->cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&r->cinfo, TRUE);
    return true;
}

// Starts decompression (which for progressive files reads every scan) and reads all rows.
bool decodeRows(JpegReader* r, JSAMPARRAY rows) {
    if (setjmp(r->errors.jump)) return false;
    jpeg_decompress_struct& c = r->cinfo;
    jpeg_start_decompress(&c);
    if (c.output_components != 4) ERREXIT(&c, JERR_CONVERSION_NOTIMPL);
    while (c.output_scanline < c.output_height)
        jpeg_read_scanlines(&c, rows + c.output_scanline, c.output_height - c.output_scanline);
    // The rest of the file (trailing markers) does not change the pixels.
    jpeg_abort_decompress(&c);
    return true;
}

struct ReaderGuard {
    JpegReader& r;
    ~ReaderGuard() {
        if (r.created) jpeg_destroy_decompress(&r.cinfo);
    }
};

// The smallest number of bytes that can hold the entropy-coded data of the first component:
// Huffman coding spends at least one bit on each of its 8x8 blocks. Shorter files are truncated,
// and refusing them early avoids allocating a huge image for a few bytes.
size_t minimumHuffmanBytes(const jpeg_decompress_struct& c) {
    if (c.num_components < 1 || !c.comp_info) return 0;
    const jpeg_component_info& first = c.comp_info[0];
    return size_t(uint64_t(first.width_in_blocks) * first.height_in_blocks / 8);
}

// Inverted CMYK as Adobe applications write it (and as libjpeg's djpeg reads every CMYK file):
// stored values are 255 - ink, so each channel is value x black / 255, rounded.
void cmykToRgba(Image& img) {
    for (uint32_t& p : img.pixels) {
        const uint32_t c = red(p), m = green(p), y = blue(p), k = alpha(p);
        p = rgba((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255, 255);
    }
}

// ---------------------------------------------------------------------------------------------
// Writing

struct JpegWriter {
    JpegErrors errors;
    jpeg_compress_struct cinfo;
    bool created = false;
    unsigned char* buffer = nullptr;  // malloc'ed by libjpeg's memory destination
    unsigned long size = 0;
};

bool compress(JpegWriter* w, JSAMPARRAY rows, int width, int height, int quality) {
    if (setjmp(w->errors.jump)) return false;
    w->cinfo.err = &w->errors.mgr;
    jpeg_create_compress(&w->cinfo);
    w->created = true;
    jpeg_mem_dest(&w->cinfo, &w->buffer, &w->size);
    w->cinfo.image_width = JDIMENSION(width);
    w->cinfo.image_height = JDIMENSION(height);
    w->cinfo.input_components = 4;
    w->cinfo.in_color_space = JCS_EXT_RGBX;  // our pixel layout; the 4th byte is ignored
    jpeg_set_defaults(&w->cinfo);
    jpeg_set_quality(&w->cinfo, quality, TRUE);
    jpeg_start_compress(&w->cinfo, TRUE);
    while (w->cinfo.next_scanline < w->cinfo.image_height)
        jpeg_write_scanlines(&w->cinfo, rows + w->cinfo.next_scanline,
                             w->cinfo.image_height - w->cinfo.next_scanline);
    jpeg_finish_compress(&w->cinfo);
    return true;
}

struct WriterGuard {
    JpegWriter& w;
    ~WriterGuard() {
        if (w.created) jpeg_destroy_compress(&w.cinfo);
        std::free(w.buffer);
    }
};

}  // namespace

std::optional<Image> decodeJpeg(std::span<const uint8_t> data, std::string& error) {
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) {
        error = "JPEG: not a JPEG file";
        return std::nullopt;
    }
    JpegReader r;
    setUpErrors(&r.errors);
    ReaderGuard guard{r};
    if (!openHeader(&r, data.data(), data.size())) {
        error = std::string("JPEG: ") + r.errors.message;
        return std::nullopt;
    }
    jpeg_decompress_struct& c = r.cinfo;
    if (!imageSizeAllowed(c.image_width, c.image_height)) {
        error = "JPEG: " + imageSizeError(c.image_width, c.image_height);
        return std::nullopt;
    }
    if (!c.arith_code && data.size() < minimumHuffmanBytes(c)) {
        error = "JPEG: the file is too short for its image size (truncated)";
        return std::nullopt;
    }
    r.cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    c.out_color_space = r.cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    c.scale_num = c.scale_denom = 1;

    std::optional<Image> img = createImage(int(c.image_width), int(c.image_height), 32);
    if (!img) {
        error = "JPEG: " + imageSizeError(c.image_width, c.image_height);
        return std::nullopt;
    }
    std::vector<JSAMPROW> rows(size_t(img->height));
    for (int y = 0; y < img->height; ++y) rows[size_t(y)] = reinterpret_cast<JSAMPROW>(img->row(y));
    if (!decodeRows(&r, rows.data())) {
        error = std::string("JPEG: ") + r.errors.message;
        return std::nullopt;
    }
    // The RGBA output sets every alpha byte to 255 itself.
    if (r.cmyk) cmykToRgba(*img);
    return img;
}

int jpegQualityFromScale(int quality0to10) {
    // Linear from 20 (small files, visible blocks, still recognisable) to 100. The program saves
    // at 7 (76) and exports strips at 8 (84), the usual range for good-looking files.
    const int q = std::clamp(quality0to10, 0, 10);
    return 20 + 8 * q;
}

bool encodeJpeg(const Image& img, int quality0to10, std::vector<uint8_t>& out, std::string& error) {
    if (img.empty() || img.pixels.size() != size_t(img.width) * size_t(img.height)) {
        error = "JPEG: cannot save an empty image";
        return false;
    }
    if (img.width > JPEG_MAX_DIMENSION || img.height > JPEG_MAX_DIMENSION) {
        error = "JPEG: the image is too large for a JPEG file";
        return false;
    }
    out.clear();
    JpegWriter w;
    setUpErrors(&w.errors);
    WriterGuard guard{w};
    std::vector<JSAMPROW> rows(size_t(img.height));
    for (int y = 0; y < img.height; ++y)
        rows[size_t(y)] = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(img.row(y)));
    if (!compress(&w, rows.data(), img.width, img.height, jpegQualityFromScale(quality0to10))) {
        error = std::string("JPEG: ") + w.errors.message;
        return false;
    }
    out.assign(w.buffer, w.buffer + w.size);
    return true;
}

}  // namespace qm
