#include "document/paper.h"

#include <algorithm>

#include "codecs/codecs.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "raster/shapes.h"

namespace qm {

namespace {

constexpr int kCheckerSquares = 61;
constexpr int kCheckerSquareSize = kCheckerboardSide / kCheckerSquares;

int ceilDiv(int a, int b) {
    return int((int64_t(a) + b - 1) / b);
}

}  // namespace

std::string presetPaperPath(int index) {
    return "presets\\paper\\paper" + std::to_string(index) + ".png";
}

int nextPaperIndex(int index) {
    return index < kLastPaperIndex ? index + 1 : index;
}

int previousPaperIndex(int index) {
    // The first papers are never reached by stepping back: the index stops at 2.
    return index > 2 ? index - 1 : index;
}

PaperTileGrid paperTileGrid(int width, int height, int tileWidth, int tileHeight) {
    if (width <= 0 || height <= 0 || tileWidth <= 0 || tileHeight <= 0) return {};
    return {ceilDiv(width, tileWidth) + 1, ceilDiv(height, tileHeight) + 1};
}

std::optional<Image> buildTexturePaper(int width, int height, const Image* tile) {
    auto paper = createImage(width, height, 24);
    if (!paper || !tile || tile->empty()) return paper;
    const PaperTileGrid grid = paperTileGrid(width, height, tile->width, tile->height);
    // Tiles never overlap, so one band of tiles drawn over black and then copied down the paper
    // gives the same pixels as drawing every tile; a small tile on a large paper then costs
    // columns + rows draws instead of columns x rows.
    auto band = createImage(width, tile->height, 24);
    if (!band) return paper;
    for (int column = 0; column < grid.columns; ++column) {
        const int64_t x = int64_t(column) * tile->width;
        if (x >= width) break;  // the rest of the grid lies outside the paper
        drawImage(*band, *tile, int(x), 0, DrawMode::AlphaBlend, 255);
    }
    for (int row = 0; row < grid.rows; ++row) {
        const int64_t y = int64_t(row) * tile->height;
        if (y >= height) break;
        drawImage(*paper, *band, 0, int(y), DrawMode::AllChannels, 255);
    }
    return paper;
}

PaperTexture::PaperTexture(int width, int height, const Image* tile) {
    if (!imageSizeAllowed(width, height)) return;
    width_ = width;
    height_ = height;
    if (!tile || tile->empty()) return;
    // The tile over black, as the paper's band draws it at x = 0, cut where the paper ends.
    auto repeated = createImage(std::min(width, tile->width), std::min(height, tile->height), 24);
    if (!repeated) {
        width_ = height_ = 0;
        return;
    }
    drawImage(*repeated, *tile, 0, 0, DrawMode::AlphaBlend, 255);
    repeated_ = std::move(*repeated);
}

uint32_t PaperTexture::pixel(int x, int y) const {
    if (repeated_.empty()) return 0xFF000000u;
    return repeated_.at(x % repeated_.width, y % repeated_.height);
}

void PaperTexture::readRow(int y, int x0, int n, uint32_t* out) const {
    if (repeated_.empty()) {
        std::fill_n(out, n, 0xFF000000u);
        return;
    }
    const uint32_t* row = repeated_.row(y % repeated_.height);
    const int tw = repeated_.width;
    int x = x0 % tw;
    for (int done = 0; done < n;) {
        const int run = std::min(n - done, tw - x);
        std::copy_n(row + x, run, out + done);
        done += run;
        x = 0;
    }
}

std::optional<Image> loadPaperTile(const std::string& path, std::string& error) {
    if (!pathIsUsable(path)) {
        error = "no paper file";
        return std::nullopt;
    }
    const std::string resolved = resolvePath(path);
    if (!fileExists(resolved)) {
        error = "no such file";
        return std::nullopt;
    }
    return loadImageFile(resolved, error);
}

void drawCheckerboard(Image& target) {
    for (int i = 0; i < kCheckerSquares; ++i) {
        for (int j = 0; j < kCheckerSquares; ++j) {
            // The grey toggles after every square, the count running on from row to row.
            const uint32_t grey = (i * kCheckerSquares + j) % 2 == 0 ? 255 : 192;
            fillBox(target, j * kCheckerSquareSize, i * kCheckerSquareSize, kCheckerSquareSize,
                    kCheckerSquareSize,
                    solidPaint(rgba(grey, grey, grey, 255), DrawMode::AllChannels));
        }
    }
}

}  // namespace qm
