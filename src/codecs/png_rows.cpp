#include "codecs/png_rows.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/codecs.h"
#include "platform/parallel.h"

namespace qm {

namespace {

constexpr int kLevel = kPngCompressionLevel;  // as the codecs write PNG files
constexpr size_t kIdatChunk = size_t(1) << 20;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}

void chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
    put32(out, uint32_t(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// One band of rows, deflated on its own (raw deflate, no header), ending on a byte boundary
// (a sync flush) or with the final block.
struct Band {
    int y0 = 0, y1 = 0;
    bool last = false;
    std::vector<uint8_t> deflated;
    uLong adler = 1;
    size_t filteredBytes = 0;
    bool ok = false;
};

void deflateBand(Band& band, int width, const PngRowSource& rows) {
    try {
        const size_t rowBytes = size_t(width) * 4;
        std::vector<uint32_t> raw(static_cast<size_t>(width));
        std::vector<uint8_t> filtered(rowBytes + 1);
        z_stream z{};
        if (deflateInit2(&z, kLevel, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) return;
        // zlib's state is freed however the band ends, running out of memory included.
        struct StreamEnd {
            z_stream& z;
            ~StreamEnd() { deflateEnd(&z); }
        } streamEnd{z};
        std::vector<uint8_t> buffer(std::max<size_t>(rowBytes / 2, 1 << 16));
        bool ok = true;
        auto pump = [&](int flush) {
            for (;;) {
                z.next_out = buffer.data();
                z.avail_out = uInt(buffer.size());
                const int r = deflate(&z, flush);
                if (r == Z_STREAM_ERROR) {
                    ok = false;
                    return;
                }
                band.deflated.insert(band.deflated.end(), buffer.data(),
                                     buffer.data() + (buffer.size() - z.avail_out));
                if (flush == Z_FINISH ? r == Z_STREAM_END : z.avail_out != 0) return;
            }
        };
        for (int y = band.y0; y < band.y1 && ok; ++y) {
            rows(y, raw.data());
            const uint8_t* b = reinterpret_cast<const uint8_t*>(raw.data());
            filtered[0] = 1;  // Sub: each byte less the byte of the pixel to its left
            std::memcpy(filtered.data() + 1, b, std::min<size_t>(4, rowBytes));
            for (size_t i = 4; i < rowBytes; ++i) filtered[i + 1] = uint8_t(b[i] - b[i - 4]);
            band.adler = adler32(band.adler, filtered.data(), uInt(filtered.size()));
            band.filteredBytes += filtered.size();
            z.next_in = filtered.data();
            z.avail_in = uInt(filtered.size());
            pump(Z_NO_FLUSH);
        }
        if (ok) pump(band.last ? Z_FINISH : Z_SYNC_FLUSH);
        band.ok = ok;
    } catch (const std::bad_alloc&) {
        band.ok = false;
    }
}

}  // namespace

bool encodePngRows(int width, int height, const PngRowSource& rows, int threads,
                   std::vector<uint8_t>& out, std::string& error) {
    if (width < 1 || height < 1 || int64_t(width) * 4 + 1 > INT32_MAX) {
        error = "PNG: the picture size is out of range";
        return false;
    }
    // Bands of at least 16 rows, one per thread.
    const int bands = std::clamp(std::min(threads, height / 16), 1, 8);
    std::vector<Band> parts(static_cast<size_t>(bands));
    for (int i = 0; i < bands; ++i) {
        parts[size_t(i)].y0 = int(int64_t(height) * i / bands);
        parts[size_t(i)].y1 = int(int64_t(height) * (i + 1) / bands);
        parts[size_t(i)].last = i == bands - 1;
    }
    // A thread per band: the caller chose how many.
    parallelFor(bands, bands, [&](int i) { deflateBand(parts[size_t(i)], width, rows); });
    if (!std::all_of(parts.begin(), parts.end(), [](const Band& b) { return b.ok; })) {
        error = "PNG: the picture could not be compressed (not enough memory?)";
        return false;
    }

    // One zlib stream: header, the bands, the Adler-32 of all filtered rows.
    std::vector<uint8_t> stream = {0x78, 0x01};
    uLong adler = adler32(0, nullptr, 0);
    for (const Band& b : parts) {
        stream.insert(stream.end(), b.deflated.begin(), b.deflated.end());
        adler = adler32_combine(adler, b.adler, z_off_t(b.filteredBytes));
    }
    put32(stream, uint32_t(adler));

    out.clear();
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.insert(out.end(), signature, signature + 8);
    std::vector<uint8_t> header;
    put32(header, uint32_t(width));
    put32(header, uint32_t(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    chunk(out, "IHDR", header.data(), header.size());
    for (size_t at = 0; at < stream.size(); at += kIdatChunk)
        chunk(out, "IDAT", stream.data() + at, std::min(kIdatChunk, stream.size() - at));
    chunk(out, "IEND", nullptr, 0);
    return true;
}

}  // namespace qm
