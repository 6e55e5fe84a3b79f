// PNG through libpng: every colour type, depth and interlace to 8-bit straight RGBA, and RGB or
// RGBA output. The files the program writes itself (8-bit RGB or RGBA, not interlaced, nothing
// but the pixels) and most others like them take a quicker way in: the image data is inflated
// whole by libdeflate and unfiltered here. Anything that way does not cover, and any fault it
// meets, goes to libpng, which decodes or reports as it always does.
//
// libpng reports errors by longjmp. Every setjmp lives in a function whose locals are all
// trivially destructible (readHeader, readRows, writeRows), and the C++ objects (the image, the
// row pointers, the output vector) are created by the caller before or after those calls, so a
// longjmp never skips a destructor. The libpng structs are destroyed by a guard in the caller on
// every path.
#include <libdeflate.h>
#include <png.h>
#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "codecs/codecs.h"
#include "codecs/encoded_bytes.h"
#include "raster/buffer_pool.h"

namespace qm {
namespace {

constexpr size_t kMessageSize = 200;

// Shared by the read and write paths: where libpng's messages go.
struct PngMessages {
    char error[kMessageSize] = {};
};

void copyMessage(char (&to)[kMessageSize], const char* text) {
    std::strncpy(to, text ? text : "unknown error", kMessageSize - 1);
    to[kMessageSize - 1] = '\0';
}

// png_error_ptr: remember the text, then leave through the setjmp of the current call.
void onPngError(png_structp png, png_const_charp message) {
    auto* messages = static_cast<PngMessages*>(png_get_error_ptr(png));
    if (messages) copyMessage(messages->error, message);
    png_longjmp(png, 1);
}

// Warnings (benign errors included) are not the user's concern; libpng continues.
void onPngWarning(png_structp, png_const_charp) {}

// ---------------------------------------------------------------------------------------------
// Reading

struct PngReader {
    PngMessages messages;
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool interlaced = false;
};

void readFromSpan(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->pos) png_error(png, "the file is truncated");
    std::memcpy(out, reader->data + reader->pos, length);
    reader->pos += length;
}

// Reads the chunks up to the image data and sets the transformations to 8-bit RGBA.
bool readHeader(PngReader* r) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_set_read_fn(r->png, r, readFromSpan);
    png_set_user_limits(r->png, kMaxImageSide, kMaxImageSide);
    // Only the chunks that define the pixels are read: no gamma or colour correction is wanted,
    // and skipping text chunks keeps compressed-text bombs from costing anything.
    png_set_keep_unknown_chunks(r->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(r->png, r->info);

    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(r->png, r->info, &r->width, &r->height, &depth, &colourType, &interlace, nullptr,
                 nullptr);
    if (!imageSizeAllowed(r->width, r->height)) return true;  // the caller reports the size
    r->interlaced = interlace != PNG_INTERLACE_NONE;

    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
    // libpng masks a grey key to the sample's bits, as the format requires (some writers leave
    // stray high bits in it).
    if (png_get_valid(r->png, r->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r->png);
    if (depth == 16) png_set_strip_16(r->png);  // keeps the high byte
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(r->png);
    png_set_filler(r->png, 0xFF, PNG_FILLER_AFTER);  // no-op when alpha is already there
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    if (png_get_rowbytes(r->png, r->info) != size_t(r->width) * 4)
        png_error(r->png, "unexpected row layout after conversion");
    return true;
}

// Decodes every row (all passes of an interlaced image) into `rows`.
bool readRows(PngReader* r, png_bytepp rows) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_read_image(r->png, rows);
    // The end of the file (text chunks, IEND) is not read: nothing after the pixels matters.
    return true;
}

// Decodes the next n rows of a file without interlace into `rows`.
bool readBand(PngReader* r, png_bytepp rows, png_uint_32 n) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_read_rows(r->png, rows, nullptr, n);
    return true;
}

struct ReadGuard {
    PngReader& r;
    ~ReadGuard() { png_destroy_read_struct(&r.png, &r.info, nullptr); }
};

bool isCgBI(std::span<const uint8_t> data) {
    // Apple's variant puts a "CgBI" chunk before IHDR and changes the pixel data layout.
    return data.size() >= 16 && std::memcmp(data.data() + 12, "CgBI", 4) == 0;
}

// ---------------------------------------------------------------------------------------------
// The quick way for 8-bit RGB and RGBA

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Each byte plus the one `bpp` bytes to its left, in place (the Sub filter undone).
void undoSub(uint8_t* row, size_t n, size_t bpp) {
    size_t i = bpp;
#ifdef __SSE2__
    if (bpp == 4 && n >= 4) {
        // Four pixels at a time: a running sum of the pixels as four byte lanes.
        int32_t first;
        std::memcpy(&first, row, 4);
        __m128i last = _mm_set1_epi32(first);  // the first pixel is already final
        for (; i + 16 <= n; i += 16) {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
            x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
            x = _mm_add_epi8(x, _mm_slli_si128(x, 8));
            x = _mm_add_epi8(x, last);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), x);
            last = _mm_shuffle_epi32(x, 0xFF);
        }
    }
#endif
    for (; i < n; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
}

// Undoes the row's filter in place; `prev` is the previous row already unfiltered (nullptr for
// the first row, which the format reads as zeros). False for an unknown filter type.
bool unfilterRow(uint8_t type, uint8_t* row, const uint8_t* prev, size_t n, size_t bpp) {
    switch (type) {
        case 0:
            return true;
        case 1:
            undoSub(row, n, bpp);
            return true;
        case 2:
            if (prev)
                for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + prev[i]);
            return true;
        case 3:
            for (size_t i = 0; i < n; ++i) {
                const unsigned left = i >= bpp ? row[i - bpp] : 0, up = prev ? prev[i] : 0;
                row[i] = uint8_t(row[i] + ((left + up) >> 1));
            }
            return true;
        case 4:
            for (size_t i = 0; i < n; ++i) {
                const int a = i >= bpp ? row[i - bpp] : 0, b = prev ? prev[i] : 0,
                          c = prev && i >= bpp ? prev[i - bpp] : 0;
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                row[i] = uint8_t(row[i] + predictor);
            }
            return true;
        default:
            return false;
    }
}

// The parts of a file the quick way reads: its size and layout, and the zlib stream of its
// pixels (the IDAT chunks joined into a pooled buffer when there are several).
struct SimplePng {
    uint32_t width = 0, height = 0;
    size_t bpp = 0;
    const uint8_t* stream = nullptr;
    size_t streamSize = 0;
    PooledBuffer joined;

    size_t rowBytes() const { return size_t(width) * bpp; }
    size_t rawSize() const { return (rowBytes() + 1) * height; }
};

// Reads the chunks of a non-interlaced 8-bit RGB or RGBA file up to the end of its image data.
// nullopt when the file is anything else or any of those chunks is unsound: the caller then
// asks libpng.
std::optional<SimplePng> parseSimplePng(std::span<const uint8_t> data) {
    const uint8_t* d = data.data();
    const size_t size = data.size();
    if (size < 8 + 25 || be32(d + 8) != 13 || std::memcmp(d + 12, "IHDR", 4) != 0) return {};
    if (libdeflate_crc32(0, d + 12, 17) != be32(d + 29)) return {};
    SimplePng png;
    png.width = be32(d + 16);
    png.height = be32(d + 20);
    const uint8_t depth = d[24], colourType = d[25];
    if (depth != 8 || (colourType != 2 && colourType != 6) || d[26] || d[27] || d[28]) return {};
    if (!imageSizeAllowed(png.width, png.height)) return {};
    png.bpp = colourType == 6 ? 4 : 3;

    // The chunks up to the end of the image data: the IDAT chunks must follow one another.
    size_t first = 0, idatCount = 0, total = 0;
    for (size_t at = 33;;) {
        if (size - at < 12) return {};  // truncated, or no IEND
        const uint32_t length = be32(d + at);
        if (length > size - at - 12) return {};
        const uint8_t* type = d + at + 4;
        const uint8_t* body = d + at + 8;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            if (libdeflate_crc32(0, type, size_t(length) + 4) != be32(body + length)) return {};
            if (++idatCount == 1) first = at;
            total += length;
        } else if (idatCount) {
            break;  // what follows the pixels does not matter
        } else if (!(type[0] & 0x20) || std::memcmp(type, "tRNS", 4) == 0) {
            // A palette hint (which libpng checks), an unknown critical chunk, IEND before the
            // pixels, or a transparent colour, which libpng turns into alpha.
            return {};
        }
        at += size_t(length) + 12;
    }
    if (idatCount == 1) {
        png.stream = d + first + 8;
        png.streamSize = total;
        return png;
    }
    try {
        png.joined = PooledBuffer::take(total);
    } catch (const std::bad_alloc&) {
        return {};
    }
    uint8_t* to = png.joined.data();
    for (size_t at = first, n = 0; n < idatCount; ++n) {
        const uint32_t length = be32(d + at);
        std::memcpy(to, d + at + 8, length);
        to += length;
        at += size_t(length) + 12;
    }
    png.stream = png.joined.data();
    png.streamSize = total;
    return png;
}

// The decompressor of this thread, kept from file to file.
libdeflate_decompressor* threadInflater() {
    struct Kept {
        libdeflate_decompressor* p = libdeflate_alloc_decompressor();
        ~Kept() {
            if (p) libdeflate_free_decompressor(p);
        }
    };
    thread_local Kept kept;
    return kept.p;
}

// The filtered rows, inflated whole into a pooled buffer (its memory is warm once the pool has
// served a file of the size). false when memory fails or the data does not inflate to exactly
// the rows' size (short or overlong data goes to libpng, which says so).
bool inflateRows(const SimplePng& png, PooledBuffer& raw) {
    libdeflate_decompressor* inflater = threadInflater();
    if (!inflater) return false;
    try {
        raw = PooledBuffer::take(png.rawSize());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return libdeflate_zlib_decompress(inflater, png.stream, png.streamSize, raw.data(),
                                      png.rawSize(), nullptr) == LIBDEFLATE_SUCCESS;
}

// RGB bytes as opaque pixels.
void rgbToPixels(const uint8_t* rgb, uint32_t width, uint32_t* out) {
    for (uint32_t x = 0; x < width; ++x)
        out[x] = uint32_t(rgb[3 * x]) | uint32_t(rgb[3 * x + 1]) << 8 |
                 uint32_t(rgb[3 * x + 2]) << 16 | 0xFF000000u;
}

// Decodes a file parseSimplePng takes. nullopt when it turns out unsound: the caller then asks
// libpng.
std::optional<Image> decodeSimplePng(std::span<const uint8_t> data) {
    std::optional<SimplePng> png = parseSimplePng(data);
    PooledBuffer raw;
    if (!png || !inflateRows(*png, raw)) return {};
    std::optional<Image> img = createImage(int(png->width), int(png->height), 32);
    if (!img) return {};
    const size_t rowBytes = png->rowBytes();
    const uint8_t* prev = nullptr;
    for (uint32_t y = 0; y < png->height; ++y) {
        uint8_t* line = raw.data() + size_t(y) * (rowBytes + 1);
        if (!unfilterRow(line[0], line + 1, prev, rowBytes, png->bpp)) return {};
        prev = line + 1;
        if (png->bpp == 4)
            std::memcpy(img->row(int(y)), prev, rowBytes);
        else
            rgbToPixels(prev, png->width, img->row(int(y)));
    }
    return img;
}

// Whether n bytes are all 0.
bool zeroBytes(const uint8_t* p, size_t n) {
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t v;
        std::memcpy(&v, p + i, 8);
        any |= v;
    }
    for (; i < n; ++i) any |= p[i];
    return any == 0;
}

// Puts the band of rows y0 .. y0 + n - 1 (n <= 64, y0 a multiple of 64; rows[i] the pixels of
// row y0 + i as bytes) into the image's tiles of that row. A tile whose pixels are all 0 stays
// missing, as TiledImage::assign leaves it. Throws std::bad_alloc.
void scatterBand(TiledImage& image, const uint8_t* const* rows, int n, int y0) {
    const int ty = y0 >> kTileShift;
    for (int tx = 0; tx < image.columns(); ++tx) {
        const int x0 = tx * kTileSide;
        const size_t bytes = size_t(std::min(kTileSide, image.width - x0)) * 4;
        bool zero = true;
        for (int i = 0; i < n && zero; ++i) zero = zeroBytes(rows[i] + size_t(x0) * 4, bytes);
        if (zero) continue;
        TileRef tile = TileRef::make();
        uint8_t* p = reinterpret_cast<uint8_t*>(tile.writablePixels());
        const size_t stride = size_t(kTileSide) * 4;
        for (int i = 0; i < n; ++i) {
            std::memcpy(p + size_t(i) * stride, rows[i] + size_t(x0) * 4, bytes);
            std::memset(p + size_t(i) * stride + bytes, 0, stride - bytes);
        }
        std::memset(p + size_t(n) * stride, 0, size_t(kTileSide - n) * stride);
        image.exchangeTile(tx, ty, std::move(tile));
    }
}

// decodeSimplePng into tiles: the rows are unfiltered in place band by band, and each band is
// put into its tiles (RGB through a pooled band of pixels). Throws std::bad_alloc.
std::optional<TiledImage> decodeSimplePngTiles(std::span<const uint8_t> data) {
    std::optional<SimplePng> png = parseSimplePng(data);
    PooledBuffer raw;
    if (!png || !inflateRows(*png, raw)) return {};
    std::optional<TiledImage> image = TiledImage::create(int(png->width), int(png->height));
    if (!image) return {};
    PooledBuffer band;
    if (png->bpp == 3) band = PooledBuffer::take(size_t(png->width) * 4 * kTileSide);
    const size_t rowBytes = png->rowBytes();
    const uint8_t* rows[kTileSide];
    const uint8_t* prev = nullptr;
    for (uint32_t y0 = 0; y0 < png->height; y0 += kTileSide) {
        const int n = int(std::min<uint32_t>(kTileSide, png->height - y0));
        for (int i = 0; i < n; ++i) {
            uint8_t* line = raw.data() + size_t(y0 + uint32_t(i)) * (rowBytes + 1);
            if (!unfilterRow(line[0], line + 1, prev, rowBytes, png->bpp)) return {};
            prev = line + 1;
            if (png->bpp == 4) {
                rows[i] = prev;
            } else {
                uint32_t* pixels =
                    reinterpret_cast<uint32_t*>(band.data()) + size_t(i) * png->width;
                rgbToPixels(prev, png->width, pixels);
                rows[i] = reinterpret_cast<const uint8_t*>(pixels);
            }
        }
        scatterBand(*image, rows, n, int(y0));
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// Writing

struct PngWriter {
    PngMessages messages;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t>* out = nullptr;
    EncodedBytes* pooled = nullptr;  // instead of out
};

void writeToVector(png_structp png, png_bytep data, size_t length) {
    auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        if (writer->pooled)
            writer->pooled->append(data, length);
        else
            writer->out->insert(writer->out->end(), data, data + length);
    } catch (...) {
        failed = true;  // png_error must not be called from inside the handler
    }
    if (failed) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

bool writeRows(PngWriter* w, png_uint_32 width, png_uint_32 height, bool withAlpha,
               png_bytepp rows) {
    if (setjmp(png_jmpbuf(w->png))) return false;
    png_set_write_fn(w->png, w, writeToVector, flushNothing);
    png_set_IHDR(w->png, w->info, width, height, 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(w->png, kPngCompressionLevel);
    png_set_filter(w->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_write_info(w->png, w->info);
    if (!withAlpha) png_set_filler(w->png, 0, PNG_FILLER_AFTER);  // drops the 4th byte
    png_write_image(w->png, rows);
    png_write_end(w->png, nullptr);
    return true;
}

struct WriteGuard {
    PngWriter& w;
    ~WriteGuard() { png_destroy_write_struct(&w.png, &w.info); }
};

// writeRows with the rows read one at a time, each from the tiles into `row` just before libpng
// takes it (png_write_image writes the rows of a picture without interlace one by one, so the
// bytes are the same).
bool writeTiledRows(PngWriter* w, const TiledImage& image, uint32_t* row) {
    if (setjmp(png_jmpbuf(w->png))) return false;
    png_set_write_fn(w->png, w, writeToVector, flushNothing);
    png_set_IHDR(w->png, w->info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(w->png, kPngCompressionLevel);
    png_set_filter(w->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_write_info(w->png, w->info);
    for (int y = 0; y < image.height; ++y) {
        image.readRow(y, 0, image.width, row);
        png_write_row(w->png, reinterpret_cast<png_const_bytep>(row));
    }
    png_write_end(w->png, nullptr);
    return true;
}

}  // namespace

namespace {

// The checks both decoders make before any pixel: false with the reason.
bool acceptablePng(std::span<const uint8_t> data, std::string& error) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
        error = "PNG: not a PNG file (bad signature)";
        return false;
    }
    if (isCgBI(data)) {
        error = "PNG: Apple CgBI (iPhone-optimised) PNG files are not supported";
        return false;
    }
    // libpng's own limit check only says "Invalid IHDR data"; ours names the size.
    if (data.size() >= 24 && std::memcmp(data.data() + 12, "IHDR", 4) == 0) {
        const uint32_t w = be32(data.data() + 16), h = be32(data.data() + 20);
        if (!imageSizeAllowed(w, h)) {
            error = "PNG: " + imageSizeError(w, h);
            return false;
        }
    }
    return true;
}

// Runs libpng up to the pixels: false with the reason.
bool startLibpng(PngReader& r, std::span<const uint8_t> data, std::string& error) {
    r.data = data.data();
    r.size = data.size();
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.messages, onPngError, onPngWarning);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info) {
        error = "PNG: out of memory";
        return false;
    }
    if (!readHeader(&r)) {
        error = std::string("PNG: ") + r.messages.error;
        return false;
    }
    if (!imageSizeAllowed(r.width, r.height)) {
        error = "PNG: " + imageSizeError(r.width, r.height);
        return false;
    }
    return true;
}

// Every row of the file through libpng into `img`.
bool readAllRows(PngReader& r, Image& img, std::string& error) {
    std::vector<png_bytep> rows(r.height);
    for (png_uint_32 y = 0; y < r.height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(img.row(int(y)));
    if (!readRows(&r, rows.data())) {
        error = std::string("PNG: ") + r.messages.error;
        return false;
    }
    return true;
}

}  // namespace

std::optional<Image> decodePng(std::span<const uint8_t> data, std::string& error) {
    if (!acceptablePng(data, error)) return std::nullopt;
    if (std::optional<Image> img = decodeSimplePng(data)) return img;

    PngReader r;
    ReadGuard guard{r};
    if (!startLibpng(r, data, error)) return std::nullopt;
    std::optional<Image> img = createImage(int(r.width), int(r.height), 32);
    if (!img) {
        error = "PNG: " + imageSizeError(r.width, r.height);
        return std::nullopt;
    }
    if (!readAllRows(r, *img, error)) return std::nullopt;
    return img;
}

std::optional<TiledImage> decodePngTiles(std::span<const uint8_t> data, std::string& error) {
    if (!acceptablePng(data, error)) return std::nullopt;
    PngReader r;
    ReadGuard guard{r};
    try {
        if (std::optional<TiledImage> image = decodeSimplePngTiles(data)) return image;

        if (!startLibpng(r, data, error)) return std::nullopt;
        if (r.interlaced) {
            // The passes of an interlaced file cover the whole image: it is decoded whole.
            std::optional<Image> img = createImage(int(r.width), int(r.height), 32);
            if (!img) {
                error = "PNG: " + imageSizeError(r.width, r.height);
                return std::nullopt;
            }
            if (!readAllRows(r, *img, error)) return std::nullopt;
            return tiledFrom(*img);
        }
        std::optional<TiledImage> image = TiledImage::create(int(r.width), int(r.height));
        if (!image) {
            error = "PNG: " + imageSizeError(r.width, r.height);
            return std::nullopt;
        }
        // Bands of 64 rows into a pooled buffer, each put into its tiles.
        const size_t rowBytes = size_t(r.width) * 4;
        PooledBuffer band = PooledBuffer::take(rowBytes * kTileSide);
        png_bytep rows[kTileSide];
        for (png_uint_32 y0 = 0; y0 < r.height; y0 += kTileSide) {
            const png_uint_32 n = std::min<png_uint_32>(kTileSide, r.height - y0);
            for (png_uint_32 i = 0; i < n; ++i) rows[i] = band.data() + size_t(i) * rowBytes;
            if (!readBand(&r, rows, n)) {
                error = std::string("PNG: ") + r.messages.error;
                return std::nullopt;
            }
            scatterBand(*image, rows, int(n), int(y0));
        }
        return image;
    } catch (const std::bad_alloc&) {
        // Memory is taken only once a header has been read, IHDR first as the format has it.
        error = "PNG: not enough memory for an image of " +
                (data.size() >= 24 ? std::to_string(be32(data.data() + 16)) + " x " +
                                         std::to_string(be32(data.data() + 20))
                                   : std::string("this size"));
        return std::nullopt;
    }
}

namespace {

// A PNG into `out` by write(PngWriter*), which runs under libpng's error jump (writeRows,
// writeTiledRows); false with libpng's reason when memory or libpng fails.
void setOutput(PngWriter& w, std::vector<uint8_t>& out) {
    w.out = &out;
}
void setOutput(PngWriter& w, EncodedBytes& out) {
    w.pooled = &out;
}

template <class Out, class Write>
bool encodeWith(Out& out, std::string& error, Write write) {
    out.clear();
    PngWriter w;
    setOutput(w, out);
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.messages, onPngError, onPngWarning);
    if (w.png) w.info = png_create_info_struct(w.png);
    WriteGuard guard{w};
    if (!w.png || !w.info) {
        error = "PNG: out of memory";
        return false;
    }
    if (!write(&w)) {
        error = std::string("PNG: ") + w.messages.error;
        out.clear();
        return false;
    }
    return true;
}

}  // namespace

namespace {

template <class Out>
bool encodeTiles(const TiledImage& image, Out& out, std::string& error) {
    if (image.empty()) {
        error = "PNG: cannot save an empty image";
        return false;
    }
    try {
        PooledBuffer row = PooledBuffer::take(size_t(image.width) * 4);
        return encodeWith(out, error, [&](PngWriter* w) {
            return writeTiledRows(w, image, reinterpret_cast<uint32_t*>(row.data()));
        });
    } catch (const std::bad_alloc&) {
        error = "PNG: out of memory";
        return false;
    }
}

}  // namespace

bool encodePngOfTiles(const TiledImage& image, std::vector<uint8_t>& out, std::string& error) {
    return encodeTiles(image, out, error);
}

bool encodePngOfTiles(const TiledImage& image, EncodedBytes& out, std::string& error) {
    // A painted layer deflates to a fraction of its pixels; the block grows when it needs to.
    try {
        out.reserve(size_t(image.width) * size_t(std::max(image.height, 0)) + 4096);
    } catch (const std::bad_alloc&) {
        error = "PNG: out of memory";
        return false;
    }
    return encodeTiles(image, out, error);
}

bool encodePng(const Image& img, std::vector<uint8_t>& out, std::string& error) {
    if (img.empty() || img.pixels.size() != size_t(img.width) * size_t(img.height)) {
        error = "PNG: cannot save an empty image";
        return false;
    }
    // libpng only reads the rows; the const_cast is for its C signature.
    std::vector<png_bytep> rows(size_t(img.height));
    for (int y = 0; y < img.height; ++y)
        rows[size_t(y)] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(img.row(y)));
    return encodeWith(out, error, [&](PngWriter* w) {
        return writeRows(w, png_uint_32(img.width), png_uint_32(img.height), img.hasAlpha(),
                         rows.data());
    });
}

}  // namespace qm
