#include "io/tileset.h"

#include "raster/draw_image.h"

namespace qm {

std::vector<Image> cutTiles(const Image& source, int tileWidth, int tileHeight) {
    std::vector<Image> tiles;
    if (tileWidth < 1 || tileHeight < 1 || tileWidth > kMaxTileSide || tileHeight > kMaxTileSide)
        return tiles;
    const int columns = source.width / tileWidth, rows = source.height / tileHeight;
    tiles.reserve(size_t(columns) * size_t(rows));
    for (int ty = 0; ty < rows; ++ty) {
        for (int tx = 0; tx < columns; ++tx) {
            Image tile = *createImage(tileWidth, tileHeight, 32);
            for (int y = 0; y < tileHeight; ++y) {
                const uint32_t* s = source.row(ty * tileHeight + y) + size_t(tx) * tileWidth;
                std::copy(s, s + tileWidth, tile.row(y));
            }
            tiles.push_back(std::move(tile));
        }
    }
    return tiles;
}

TilesetSize tilesetSize(int tiles, int perRow, int tileWidth, int tileHeight) {
    if (tiles <= 0 || perRow <= 0) return {};
    const int rows = (tiles + perRow - 1) / perRow;
    return {perRow * tileWidth, rows * tileHeight};
}

std::optional<Image> composeTileset(const std::vector<Image>& tiles, int perRow, int tileWidth,
                                    int tileHeight) {
    const TilesetSize size = tilesetSize(int(tiles.size()), perRow, tileWidth, tileHeight);
    if (!imageSizeAllowed(size.width, size.height)) return std::nullopt;
    auto out = createImage(size.width, size.height, 32);
    if (!out) return std::nullopt;
    for (size_t i = 0; i < tiles.size(); ++i) {
        const int k = int(i % size_t(perRow)), r = int(i / size_t(perRow));
        drawImage(*out, tiles[i], k * tileWidth, r * tileHeight, DrawMode::AlphaBlend, 255);
    }
    return out;
}

}  // namespace qm
