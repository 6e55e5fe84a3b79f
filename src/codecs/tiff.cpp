// TIFF through libtiff's RGBA interface, reading from memory: the first directory, top-left
// orientation, every layout that interface understands (strips, tiles, planes, palette, grey,
// YCbCr, CMYK, Lab, 8 and 16 bits, the usual compressions).
//
// The RGBA interface returns premultiplied colour whenever the image has alpha, associated or
// not (libtiff premultiplies unassociated alpha itself). Our images are straight alpha, so the
// colour is divided back: c' = min(255, round(c * 255 / a)), and a pixel with alpha 0 becomes
// all zeros. Premultiplying c' again with (c' * a + 127) / 255 gives libtiff's value back
// exactly, except for associated-alpha files whose colour exceeds their alpha (clamped).
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "codecs/codecs.h"

namespace qm {
namespace {

// No single buffer libtiff allocates for us may exceed this (strip and tile buffers, tables).
constexpr tmsize_t kTiffMaxSingleAlloc = tmsize_t(1) << 30;

struct TiffSource {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t pos = 0;
    std::string lastError;  // libtiff's last error or, failing that, its last warning
    std::string lastWarning;
};

// libtiff reports errors that happen before its handle exists (and a few others) through the
// process-wide handlers, which have no user data: this points at the decode in progress.
thread_local TiffSource* tCurrentSource = nullptr;

std::string formatMessage(const char* module, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    std::string message = text;
    if (module && *module) message = std::string(module) + ": " + message;
    return message;
}

int onErrorR(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    static_cast<TiffSource*>(user)->lastError = formatMessage(module, fmt, ap);
    return 1;  // handled: the process-wide handler must not print it
}

int onWarningR(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    static_cast<TiffSource*>(user)->lastWarning = formatMessage(module, fmt, ap);
    return 1;
}

void onGlobalError(const char* module, const char* fmt, va_list ap) {
    if (tCurrentSource) tCurrentSource->lastError = formatMessage(module, fmt, ap);
}

void onGlobalWarning(const char* module, const char* fmt, va_list ap) {
    if (tCurrentSource) tCurrentSource->lastWarning = formatMessage(module, fmt, ap);
}

void silenceGlobalHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(onGlobalError);
        TIFFSetWarningHandler(onGlobalWarning);
    });
}

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* src = static_cast<TiffSource*>(handle);
    if (size <= 0 || src->pos >= src->size) return 0;
    const uint64_t n = std::min<uint64_t>(uint64_t(size), src->size - src->pos);
    std::memcpy(buffer, src->data + src->pos, size_t(n));
    src->pos += n;
    return tmsize_t(n);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    auto* src = static_cast<TiffSource*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = src->pos;
    if (whence == SEEK_END) base = src->size;
    // Offsets come from the file: positions past the end are allowed (reads there return 0),
    // but the sum must not wrap.
    if (offset > UINT64_MAX - base) return toff_t(-1);
    src->pos = base + offset;
    return src->pos;
}

int closeProc(thandle_t) {
    return 0;
}
toff_t sizeProc(thandle_t handle) {
    return static_cast<TiffSource*>(handle)->size;
}
// "Mapping" hands libtiff the span itself. libtiff maps real files read-only, so it never
// writes through this pointer, and it bounds its accesses by the mapped size.
int mapProc(thandle_t handle, void** base, toff_t* size) {
    auto* src = static_cast<TiffSource*>(handle);
    *base = const_cast<uint8_t*>(src->data);
    *size = src->size;
    return 1;
}
void unmapProc(thandle_t, void*, toff_t) {}

struct TiffCloser {
    TIFF* tif;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

struct OptionsGuard {
    TIFFOpenOptions* opts;
    ~OptionsGuard() {
        if (opts) TIFFOpenOptionsFree(opts);
    }
};

struct CurrentSource {
    explicit CurrentSource(TiffSource* s) { tCurrentSource = s; }
    ~CurrentSource() { tCurrentSource = nullptr; }
};

std::string reason(const TiffSource& src, const char* fallback) {
    const std::string& text = !src.lastError.empty() ? src.lastError : src.lastWarning;
    return "TIFF: " + (text.empty() ? std::string(fallback) : text);
}

void unpremultiply(Image& img) {
    for (uint32_t& p : img.pixels) {
        const uint32_t a = alpha(p);
        if (a == 255) continue;
        if (a == 0) {
            p = 0;
            continue;
        }
        auto channel = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
        p = rgba(channel(red(p)), channel(green(p)), channel(blue(p)), a);
    }
}

}  // namespace

std::optional<Image> decodeTiff(std::span<const uint8_t> data, std::string& error) {
    const bool littleEndian = data.size() >= 4 && data[0] == 'I' && data[1] == 'I';
    const bool bigEndian = data.size() >= 4 && data[0] == 'M' && data[1] == 'M';
    if (!littleEndian && !bigEndian) {
        error = "TIFF: not a TIFF file";
        return std::nullopt;
    }
    silenceGlobalHandlers();
    TiffSource src;
    src.data = data.data();
    src.size = data.size();
    CurrentSource current(&src);

    OptionsGuard options{TIFFOpenOptionsAlloc()};
    if (!options.opts) {
        error = "TIFF: out of memory";
        return std::nullopt;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.opts, kTiffMaxSingleAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(options.opts, onErrorR, &src);
    TIFFOpenOptionsSetWarningHandlerExtR(options.opts, onWarningR, &src);

    TiffCloser tiff{TIFFClientOpenExt("image", "r", &src, readProc, writeProc, seekProc, closeProc,
                                      sizeProc, mapProc, unmapProc, options.opts)};
    if (!tiff.tif) {
        error = reason(src, "cannot read the file header");
        return std::nullopt;
    }

    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff.tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.tif, TIFFTAG_IMAGELENGTH, &height)) {
        error = "TIFF: the image has no size";
        return std::nullopt;
    }
    if (!imageSizeAllowed(width, height)) {
        error = "TIFF: " + imageSizeError(width, height);
        return std::nullopt;
    }
    char why[1024] = {};
    if (!TIFFRGBAImageOK(tiff.tif, why)) {
        error = std::string("TIFF: ") + why;
        return std::nullopt;
    }
    std::optional<Image> img = createImage(int(width), int(height), 32);
    if (!img) {
        error = "TIFF: " + imageSizeError(width, height);
        return std::nullopt;
    }
    src.lastError.clear();
    // The raster is packed ABGR (R in the low byte), which is our pixel layout.
    if (!TIFFReadRGBAImageOriented(tiff.tif, width, height, img->pixels.data(), ORIENTATION_TOPLEFT,
                                   /*stopOnError=*/1)) {
        error = reason(src, "cannot decode the image data");
        return std::nullopt;
    }
    unpremultiply(*img);
    return img;
}

}  // namespace qm
