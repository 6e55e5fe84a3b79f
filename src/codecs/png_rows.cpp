#include "codecs/png_rows.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <span>

#include "codecs/codecs.h"
#include "platform/parallel.h"

namespace qm {

namespace {

constexpr int kLevel = kPngCompressionLevel;  // as the codecs write PNG files
constexpr size_t kIdatChunk = size_t(1) << 20;

void put32(uint8_t* to, uint32_t v) {
    to[0] = uint8_t(v >> 24);
    to[1] = uint8_t(v >> 16);
    to[2] = uint8_t(v >> 8);
    to[3] = uint8_t(v);
}

// One band of rows, deflated on its own (raw deflate, no header), ending on a byte boundary
// (a sync flush) or with the final block.
struct Band {
    int y0 = 0, y1 = 0;
    bool last = false;
    EncodedBytes deflated;
    uLong adler = 1;
    size_t filteredBytes = 0;
    bool ok = false;
};

void deflateBand(Band& band, int width, const PngRowSource& rows) {
    try {
        const size_t rowBytes = size_t(width) * 4;
        // The row and its filtered bytes, in pooled blocks.
        PooledBuffer raw = PooledBuffer::take(rowBytes);
        PooledBuffer filtered = PooledBuffer::take(rowBytes + 1);
        z_stream z{};
        if (deflateInit2(&z, kLevel, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) return;
        // zlib's state is freed however the band ends, running out of memory included.
        struct StreamEnd {
            z_stream& z;
            ~StreamEnd() { deflateEnd(&z); }
        } streamEnd{z};
        // Room for the band at its worst (stored blocks) and the flush, so zlib writes straight
        // into the output without a copy.
        const size_t bandBytes = (rowBytes + 1) * size_t(band.y1 - band.y0);
        band.deflated.reserve(deflateBound(&z, uLong(bandBytes)) + 64);
        bool ok = true;
        auto pump = [&](int flush) {
            for (;;) {
                if (band.deflated.capacity() - band.deflated.size() < 4096)
                    band.deflated.reserve(band.deflated.capacity() + (size_t(1) << 20));
                const size_t room = std::min<size_t>(
                    band.deflated.capacity() - band.deflated.size(), size_t(1) << 30);
                const size_t start = band.deflated.size();
                z.next_out = band.deflated.extend(room);
                z.avail_out = uInt(room);
                const int r = deflate(&z, flush);
                band.deflated.shrink(start + (room - z.avail_out));
                if (r == Z_STREAM_ERROR) {
                    ok = false;
                    return;
                }
                if (flush == Z_FINISH ? r == Z_STREAM_END : z.avail_out != 0) return;
            }
        };
        uint32_t* rawPixels = reinterpret_cast<uint32_t*>(raw.data());
        uint8_t* f = filtered.data();
        for (int y = band.y0; y < band.y1 && ok; ++y) {
            rows(y, rawPixels);
            const uint8_t* b = raw.data();
            f[0] = 1;  // Sub: each byte less the byte of the pixel to its left
            std::memcpy(f + 1, b, std::min<size_t>(4, rowBytes));
            for (size_t i = 4; i < rowBytes; ++i) f[i + 1] = uint8_t(b[i] - b[i - 4]);
            band.adler = adler32(band.adler, f, uInt(rowBytes + 1));
            band.filteredBytes += rowBytes + 1;
            z.next_in = f;
            z.avail_in = uInt(rowBytes + 1);
            pump(Z_NO_FLUSH);
        }
        if (ok) pump(band.last ? Z_FINISH : Z_SYNC_FLUSH);
        band.ok = ok;
    } catch (const std::bad_alloc&) {
        band.ok = false;
    }
}

// A chunk of the given type around `size` bytes copied from the pieces, from piece `at`, offset
// `offset` on (both moved on past what was taken).
void chunkOfPieces(EncodedBytes& out, const char* type, size_t size,
                   const std::vector<std::span<const uint8_t>>& pieces, size_t& at,
                   size_t& offset) {
    put32(out.extend(4), uint32_t(size));
    const size_t start = out.size();
    out.append(type, 4);
    for (size_t left = size; left > 0;) {
        const std::span<const uint8_t> piece = pieces[at];
        const size_t n = std::min(left, piece.size() - offset);
        out.append(piece.data() + offset, n);
        left -= n;
        offset += n;
        if (offset == piece.size()) ++at, offset = 0;
    }
    put32(out.extend(4), uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

}  // namespace

bool encodePngRows(int width, int height, const PngRowSource& rows, int threads, EncodedBytes& out,
                   std::string& error) {
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

    // One zlib stream: header, the bands, the Adler-32 of all filtered rows; cut into IDAT
    // chunks of kIdatChunk bytes as it is copied into the file.
    static const uint8_t zlibHeader[2] = {0x78, 0x01};
    uLong adler = adler32(0, nullptr, 0);
    std::vector<std::span<const uint8_t>> pieces = {{zlibHeader, 2}};
    size_t streamSize = 2 + 4;
    for (const Band& b : parts) {
        pieces.push_back(b.deflated.bytes());
        streamSize += b.deflated.size();
        adler = adler32_combine(adler, b.adler, z_off_t(b.filteredBytes));
    }
    uint8_t adlerBytes[4];
    put32(adlerBytes, uint32_t(adler));
    pieces.push_back({adlerBytes, 4});

    try {
        const size_t chunks = (streamSize + kIdatChunk - 1) / kIdatChunk;
        out.clear();
        out.reserve(8 + 25 + streamSize + 12 * chunks + 12);
        static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        out.append(signature, 8);
        uint8_t header[13];
        put32(header, uint32_t(width));
        put32(header + 4, uint32_t(height));
        const uint8_t layout[5] = {8, 6, 0, 0, 0};  // 8-bit RGBA, no interlace
        std::memcpy(header + 8, layout, 5);
        const std::vector<std::span<const uint8_t>> headerPiece = {{header, 13}};
        size_t at = 0, offset = 0;
        chunkOfPieces(out, "IHDR", 13, headerPiece, at, offset);
        at = offset = 0;
        for (size_t done = 0; done < streamSize; done += kIdatChunk)
            chunkOfPieces(out, "IDAT", std::min(kIdatChunk, streamSize - done), pieces, at, offset);
        chunkOfPieces(out, "IEND", 0, pieces, at, offset);
    } catch (const std::bad_alloc&) {
        error = "PNG: not enough memory for the file";
        out.clear();
        return false;
    }
    return true;
}

bool encodePngRows(int width, int height, const PngRowSource& rows, int threads,
                   std::vector<uint8_t>& out, std::string& error) {
    EncodedBytes bytes;
    if (!encodePngRows(width, height, rows, threads, bytes, error)) return false;
    out.assign(bytes.data(), bytes.data() + bytes.size());
    return true;
}

}  // namespace qm
