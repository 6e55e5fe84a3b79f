// PNG files of pictures made row by row: the rows come from a callback, so a picture wider than
// an Image may be (a long animation strip) is never held whole, and bands of rows are deflated
// on several threads. The compression is the codecs' own (kPngCompressionLevel, the Sub filter on
// every row, zlib's strategy for filtered data as libpng chooses it); the file decodes to exactly the rows given.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codecs/encoded_bytes.h"

namespace qm {

// Fills row y (width pixels, R | G<<8 | B<<16 | A<<24). Called from the encoding threads, each
// row once, rows of one band in order; it must not throw.
using PngRowSource = std::function<void(int y, uint32_t* row)>;

// An 8-bit RGBA PNG of width x height (each 1..2^31-1 / 4 and 1..2^31-1) into `out`. Each of
// up to `threads` threads deflates its own band of rows; the bands are joined by full flushes
// into one zlib stream. False with a reason when zlib or memory fails.
bool encodePngRows(int width, int height, const PngRowSource& rows, int threads, EncodedBytes& out,
                   std::string& error);
bool encodePngRows(int width, int height, const PngRowSource& rows, int threads,
                   std::vector<uint8_t>& out, std::string& error);

}  // namespace qm
