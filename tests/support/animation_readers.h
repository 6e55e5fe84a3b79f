// Readers of animated files for the tests, independent of the writers: an APNG reader that
// checks every chunk (CRC, sequence numbers, frame count) and rebuilds each frame through
// libpng, and a GIF reader on giflib that plays the frames with their disposal.
#pragma once

#include <gif_lib.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "raster/image.h"

namespace qm::test {

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct PlayedFrame {
    Image picture;  // the whole screen after the frame
    int delay = 0;  // milliseconds (APNG) or centiseconds (GIF)
};

struct PlayedAnimation {
    std::string error;  // empty when the file was read
    int width = 0, height = 0;
    int plays = -1;  // APNG num_plays; GIF: 0 with a loop extension, 1 without
    std::vector<PlayedFrame> frames;
};

namespace detail {
inline uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}
inline void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}
// Straight-alpha "over" of one pixel in floating point, rounded (APNG blend_op OVER).
inline uint32_t over(uint32_t s, uint32_t d) {
    const double sa = alpha(s) / 255.0, da = alpha(d) / 255.0;
    const double oa = sa + da * (1 - sa);
    if (oa <= 0) return 0;
    auto ch = [&](uint32_t sc, uint32_t dc) {
        return uint32_t((sc * sa + dc * da * (1 - sa)) / oa + 0.5);
    };
    return ch(red(s), red(d)) | ch(green(s), green(d)) << 8 | ch(blue(s), blue(d)) << 16 |
           uint32_t(oa * 255 + 0.5) << 24;
}
}  // namespace detail

// Plays an APNG file: every chunk's CRC is checked, fcTL and fdAT must number 0, 1, 2, ... in
// order, acTL's frame count must match, and each frame's data (IDAT or fdAT without their
// numbers) is decoded by libpng as a PNG of the frame's size, then laid on the screen with its
// blend and disposal.
inline PlayedAnimation playApng(const std::vector<uint8_t>& file) {
    using namespace detail;
    PlayedAnimation result;
    static const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (file.size() < 8 || std::memcmp(file.data(), signature, 8) != 0)
        return result.error = "no PNG signature", result;
    std::vector<uint8_t> ihdr;
    uint32_t expectedFrames = 0, sequence = 0;
    bool sawActl = false, sawIdat = false, sawIend = false;
    struct Pending {
        uint32_t w, h, x, y;
        int delay;
        uint8_t dispose, blend;
        std::vector<uint8_t> data;
    };
    std::vector<Pending> frames;
    for (size_t at = 8; at < file.size();) {
        if (file.size() - at < 12) return result.error = "truncated chunk", result;
        const uint32_t length = be32(&file[at]);
        if (file.size() - at - 12 < length) return result.error = "chunk past the end", result;
        const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        const uint8_t* body = &file[at + 8];
        if (crc32(0, &file[at + 4], uInt(length + 4)) != be32(body + length))
            return result.error = "bad CRC in " + type, result;
        if (type == "IHDR") {
            ihdr.assign(body, body + length);
            result.width = int(be32(body));
            result.height = int(be32(body + 4));
        } else if (type == "acTL") {
            sawActl = true;
            expectedFrames = be32(body);
            result.plays = int(be32(body + 4));
        } else if (type == "fcTL") {
            if (be32(body) != sequence++) return result.error = "fcTL out of sequence", result;
            const int num = int(body[20]) << 8 | body[21], den = int(body[22]) << 8 | body[23];
            frames.push_back({be32(body + 4),
                              be32(body + 8),
                              be32(body + 12),
                              be32(body + 16),
                              den == 0 ? num * 10 : num * 1000 / den,
                              body[24],
                              body[25],
                              {}});
        } else if (type == "IDAT") {
            sawIdat = true;
            if (frames.size() != 1) return result.error = "IDAT not the first frame's", result;
            frames.back().data.insert(frames.back().data.end(), body, body + length);
        } else if (type == "fdAT") {
            if (be32(body) != sequence++) return result.error = "fdAT out of sequence", result;
            if (frames.empty() || !sawIdat) return result.error = "fdAT before a frame", result;
            frames.back().data.insert(frames.back().data.end(), body + 4, body + length);
        } else if (type == "IEND") {
            sawIend = true;
        }
        at += 12 + length;
    }
    if (!sawActl || !sawIend || ihdr.size() != 13) return result.error = "missing chunks", result;
    if (expectedFrames != frames.size()) return result.error = "acTL frame count", result;
    Image screen = *createImage(result.width, result.height, 32);
    for (const Pending& f : frames) {
        if (f.x + f.w > uint32_t(result.width) || f.y + f.h > uint32_t(result.height))
            return result.error = "frame outside the screen", result;
        std::vector<uint8_t> png(signature, signature + 8);
        std::vector<uint8_t> header = ihdr;
        for (int i = 0; i < 4; ++i) header[size_t(i)] = uint8_t(f.w >> (24 - 8 * i));
        for (int i = 0; i < 4; ++i) header[size_t(4 + i)] = uint8_t(f.h >> (24 - 8 * i));
        chunk(png, "IHDR", header);
        chunk(png, "IDAT", f.data);
        chunk(png, "IEND", {});
        std::string error;
        const auto part = decodePng(png, error);
        if (!part) return result.error = "frame data: " + error, result;
        const Image before = screen;
        for (uint32_t y = 0; y < f.h; ++y)
            for (uint32_t x = 0; x < f.w; ++x) {
                uint32_t& d = screen.at(int(f.x + x), int(f.y + y));
                const uint32_t s = part->at(int(x), int(y));
                d = f.blend == 0 ? s : over(s, d);
            }
        result.frames.push_back({screen, f.delay});
        if (f.dispose == 1)
            for (uint32_t y = 0; y < f.h; ++y)
                for (uint32_t x = 0; x < f.w; ++x) screen.at(int(f.x + x), int(f.y + y)) = 0;
        if (f.dispose == 2) screen = before;
    }
    return result;
}

namespace detail {
inline int readFromSpan(GifFileType* gif, GifByteType* to, int n) {
    auto* span = static_cast<std::pair<const uint8_t*, size_t>*>(gif->UserData);
    const int take = int(std::min<size_t>(size_t(n), span->second));
    std::memcpy(to, span->first, size_t(take));
    span->first += take;
    span->second -= size_t(take);
    return take;
}
}  // namespace detail

// Plays a GIF file through giflib: each frame drawn on the screen (its transparent index
// leaves the screen as it is), the screen recorded, then the frame disposed of. Transparent
// screen pixels are 0, the others their palette colour with alpha 255.
inline PlayedAnimation playGif(const std::vector<uint8_t>& file) {
    PlayedAnimation result;
    std::pair<const uint8_t*, size_t> span{file.data(), file.size()};
    int error = 0;
    GifFileType* gif = DGifOpen(&span, detail::readFromSpan, &error);
    if (!gif) return result.error = "DGifOpen failed", result;
    if (DGifSlurp(gif) != GIF_OK) {
        result.error = "DGifSlurp failed";
        DGifCloseFile(gif, &error);
        return result;
    }
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    result.plays = 1;
    Image screen = *createImage(result.width, result.height, 32);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        for (int e = 0; e < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = image.ExtensionBlocks[e];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0)
                result.plays = 0;
        }
        GraphicsControlBlock control{};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, i, &control);
        const ColorMapObject* map =
            image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const GifImageDesc& d = image.ImageDesc;
        const Image before = screen;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int index = image.RasterBits[size_t(y) * size_t(d.Width) + size_t(x)];
                if (index == control.TransparentColor) continue;
                if (!map || index >= map->ColorCount || !screen.contains(d.Left + x, d.Top + y)) {
                    result.error = "bad pixel";
                    continue;
                }
                const GifColorType c = map->Colors[index];
                screen.at(d.Left + x, d.Top + y) = rgba(c.Red, c.Green, c.Blue, 255);
            }
        result.frames.push_back({screen, control.DelayTime});
        if (control.DisposalMode == DISPOSE_BACKGROUND)
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x)
                    if (screen.contains(d.Left + x, d.Top + y))
                        screen.at(d.Left + x, d.Top + y) = 0;
        if (control.DisposalMode == DISPOSE_PREVIOUS) screen = before;
    }
    DGifCloseFile(gif, &error);
    return result;
}

}  // namespace qm::test
