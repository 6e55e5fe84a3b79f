// ICO and CUR reader. The file is a directory of images; the largest one is shown (by area,
// then by bit depth; among equals the first entry wins). An entry is either a PNG stream or a
// bare DIB whose height covers the colour rows and a 1-bit AND mask.
#include <algorithm>

#include "codecs/bmp_internal.h"
#include "codecs/byte_reader.h"
#include "codecs/codecs.h"

namespace qm {

namespace {

struct IcoEntry {
    int width = 0;
    int height = 0;
    int depth = 0;
    std::span<const uint8_t> bytes;
};

bool isPng(std::span<const uint8_t> b) {
    static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return b.size() >= 8 && std::equal(kSig, kSig + 8, b.begin());
}

// The bit depth the entry's own data declares; the directory field is often 0 or wrong, and
// in cursors it holds the hotspot instead.
int dataDepth(std::span<const uint8_t> b, int fallback) {
    if (isPng(b) && b.size() >= 26) {
        static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
        const int colourType = b[25];
        return colourType <= 6 ? b[24] * kChannels[colourType] : fallback;
    }
    if (b.size() >= 16) return peekU32(b, 0) == 12 ? peekU16(b, 10) : peekU16(b, 14);
    return fallback;
}

}  // namespace

std::optional<Image> decodeIco(std::span<const uint8_t> data, std::string& error) {
    if (data.size() < 6 || peekU16(data, 0) != 0 ||
        (peekU16(data, 2) != 1 && peekU16(data, 2) != 2)) {
        error = "not an ICO or CUR file";
        return std::nullopt;
    }
    const bool cursor = peekU16(data, 2) == 2;
    const int count = peekU16(data, 4);
    if (count == 0) {
        error = "icon file holds no images";
        return std::nullopt;
    }
    if (6 + uint64_t(count) * 16 > data.size()) {
        error = "icon directory is truncated";
        return std::nullopt;
    }

    std::optional<IcoEntry> best;
    std::string entryError;
    for (int i = 0; i < count; ++i) {
        const size_t at = 6 + size_t(i) * 16;
        IcoEntry e;
        e.width = data[at] ? data[at] : 256;  // 0 stands for 256
        e.height = data[at + 1] ? data[at + 1] : 256;
        const uint32_t size = peekU32(data, at + 8);
        const uint32_t offset = peekU32(data, at + 12);
        if (uint64_t(offset) + size > data.size() || size == 0) {
            entryError = "icon image " + std::to_string(i + 1) + " lies outside the file";
            continue;
        }
        e.bytes = data.subspan(offset, size);
        e.depth = dataDepth(e.bytes, cursor ? 0 : peekU16(data, at + 6));
        const int64_t area = int64_t(e.width) * e.height;
        const int64_t bestArea = best ? int64_t(best->width) * best->height : -1;
        if (area > bestArea || (area == bestArea && e.depth > best->depth)) best = e;
    }
    if (!best) {
        error = entryError;
        return std::nullopt;
    }

    std::optional<Image> img;
    if (isPng(best->bytes)) {
        img = decodePng(best->bytes, error);
        if (!img) error = "PNG image in icon: " + error;
    } else {
        img = decodeDib(DibSource{best->bytes, std::nullopt, true}, error);
    }
    return img;
}

}  // namespace qm
