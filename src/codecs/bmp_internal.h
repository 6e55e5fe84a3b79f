// The DIB decoder shared by the BMP and ICO readers. A DIB is an info header, optional colour
// masks, a palette and the pixel rows; BMP files put a file header in front of it, icons store
// it bare with a doubled height and a 1-bit AND mask after the colour rows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "raster/image.h"

namespace qm {

struct DibSource {
    std::span<const uint8_t> bytes;  // starts at the info header, ends where the DIB must end
    // Where the pixel rows start, counted from the info header; when absent they follow the
    // palette directly (icons, clipboard DIBs).
    std::optional<uint64_t> pixelOffset;
    // Icon entry: the header height covers the colour rows and the AND mask together.
    bool icon = false;
};

// Decodes to a 32-bit image. Fails with a reason for anything malformed or unsupported.
std::optional<Image> decodeDib(const DibSource& src, std::string& error);

// True when `size` is the length of an info header this reader understands.
bool isKnownDibHeaderSize(uint32_t size);

}  // namespace qm
