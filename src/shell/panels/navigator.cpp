// The navigator (canvas 116): the whole document in small, composed as the canvas composes it,
// with the part the canvas shows outlined. Its mode (combo 117):
//   0 "Mode Normal": the picture alone;
//   1 "Mode Zoom":   the picture with the view outlined in red (the mode it starts in);
//   2 "Mode Hiden":  only the part the canvas shows, outlined; the rest stays grey.
#include "shell/panels/navigator.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "document/animation_frames.h"
#include "document/compositing.h"
#include "raster/tile_pool.h"
#include "raster/tiled_image.h"
#include "shell/app.h"
#include "shell/ids.h"

namespace qm {

namespace {

constexpr uint32_t kNavigatorGrey = 0xFF7D7D7Du;  // (125, 125, 125)
constexpr uint32_t kViewOutline = 0xFF0000FFu;    // (255, 0, 0)
// The navigator is as high as the canvas is in proportion, within the panel's room.
constexpr int kNavigatorMaxHeight = 600;

// The document pixel under each of `n` navigator pixels along a side of `docSide` pixels.
std::vector<int> sampleMap(int n, int docSide) {
    std::vector<int> map(size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i) map[size_t(i)] = int(int64_t(i) * docSide / n);
    return map;
}

// Reads rows of an image by pixel: an Image's row directly, a tiled image's through a pointer
// per tile column into the row's tiles (the zero tile where one is missing), so a pixel costs
// two loads, not a call.
struct RowOfImage {
    explicit RowOfImage(const Image& image) : image(image) {}
    void select(int y) { row = image.row(y); }
    uint32_t operator[](int x) const { return row[x]; }
    const Image& image;
    const uint32_t* row = nullptr;
};
struct RowOfTiles {
    explicit RowOfTiles(const TiledImage& image)
        : image(image), tiles(size_t(std::max(image.columns(), 0))) {}
    void select(int y) {
        const int ty = y >> kTileShift;
        const size_t offset = size_t(y & (kTileSide - 1)) * kTileSide;
        for (int tx = 0; tx < image.columns(); ++tx) {
            const TileRef& t = image.tile(tx, ty);
            tiles[size_t(tx)] = (t ? t.pixels() : TiledImage::zeroTile()) + offset;
        }
    }
    uint32_t operator[](int x) const { return tiles[size_t(x >> kTileShift)][x & (kTileSide - 1)]; }
    const TiledImage& image;
    std::vector<const uint32_t*> tiles;
};
RowOfImage rowsOf(const Image& image) {
    return RowOfImage(image);
}
RowOfTiles rowsOf(const TiledImage& image) {
    return RowOfTiles(image);
}

// An image of the document at (left, top), sampled at the navigator's pixels: each pixel is the
// image's pixel at the document point under it, transparent where the image does not reach.
// An image without alpha is opaque where it reaches.
template <class Source>  // Image or TiledImage
Image sampled(const Source& source, int left, int top, const std::vector<int>& xs,
              const std::vector<int>& ys) {
    Image out = *createImage(int(xs.size()), int(ys.size()), 32);
    if (source.empty()) return out;
    const uint32_t opaque = source.hasAlpha() ? 0 : 0xFF000000u;
    auto rows = rowsOf(source);
    for (size_t y = 0; y < ys.size(); ++y) {
        const int sy = ys[y] - top;
        if (sy < 0 || sy >= source.height) continue;
        rows.select(sy);
        uint32_t* row = out.row(int(y));
        for (size_t x = 0; x < xs.size(); ++x) {
            const int sx = xs[x] - left;
            if (sx >= 0 && sx < source.width) row[x] = rows[sx] | opaque;
        }
    }
    return out;
}

// The document composed at the navigator's size. The canvas's own rules (paper, the frames of
// the current frame, the visible layers through their blend modes and opacities, over ColorBG)
// are applied to a small document whose images are the document's sampled at the navigator's
// pixels, so each pixel is the document-size composition's pixel at that point, and the cost
// is the navigator's size, not the document's. `layerImage(layer)` and `frameImage(frame)` give
// the sampled images; `view` holds the small layers' display entries, current for them.
template <class LayerImage, class FrameImage>
Document smallDocument(const App& app, int w, int h, LayerImage layerImage, FrameImage frameImage) {
    const Document& doc = app.doc;
    Document small;
    small.Width = int16_t(w);
    small.Height = int16_t(h);
    for (const Layer& layer : doc.layers) {
        if (!layer.Visible || layer.IsGroup || layer.image.empty()) continue;
        Layer copy;
        static_cast<LayerProperties&>(copy) = layer;
        copy.X = copy.Y = 0;
        copy.image = layerImage(layer);
        small.layers.push_back(std::move(copy));
    }
    for (const auto& [key, animation] : doc.animationLayers) {
        AnimationLayer copy;
        copy.Order = animation.Order;
        copy.Alpha = animation.Alpha;
        const int shown = shownFrameNumber(animation, app.viewState.CurrentFrame);
        for (const AnimationFrame& frame : animation.Frames) {
            if (frame.Frame != shown) continue;
            AnimationFrame f;
            f.Frame = frame.Frame;
            f.Hold = frame.Hold;
            f.image = frameImage(frame);
            copy.Frames.push_back(std::move(f));
        }
        if (!copy.Frames.empty()) small.animationLayers.emplace(key, std::move(copy));
    }
    return small;
}

Image composedSmall(const App& app, const Document& small, ViewCache& view,
                    const std::vector<int>& xs, const std::vector<int>& ys) {
    const Image paper = sampled(app.paperImage8, 0, 0, xs, ys);
    CanvasScene scene{small, view, paper, 0, 0, app.prefs.ColorBG, GridSettings{}};
    scene.currentFrame = app.viewState.CurrentFrame;  // at zoom 100
    Image out = *createImage(small.Width, small.Height, 32);
    composeCanvas(out, scene, Rect{0, 0, small.Width, small.Height}, 1);
    return out;
}

// True when no two layers share an id (the display entries are kept by id).
bool distinctLayerIds(const Document& doc) {
    std::vector<uint32_t> ids;
    ids.reserve(doc.layers.size());
    for (const Layer& layer : doc.layers) ids.push_back(layer.id);
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
}

// The part of the document the canvas shows, in navigator pixels; empty when none shows.
Rect viewInNavigator(const App& app, const NavigatorFit& fit) {
    const int64_t zoom = std::max(1, int(app.viewState.Zoom));
    const int64_t dw = std::max(1, int(app.doc.Width)), dh = std::max(1, int(app.doc.Height));
    // Document pixels shown: canvas x in 0..canvasWidth is document x = (x - offset) / zoom.
    const auto shown = [zoom](int64_t offset, int64_t canvasSide, int64_t docSide, int64_t& lo,
                              int64_t& hi) {
        lo = std::clamp<int64_t>(-offset * 100 / zoom, 0, docSide);
        hi = std::clamp<int64_t>((canvasSide - offset) * 100 / zoom, 0, docSide);
    };
    int64_t x0, x1, y0, y1;
    shown(app.ViewOffsetX, app.iface.canvasWidth, dw, x0, x1);
    shown(app.ViewOffsetY, app.iface.canvasHeight, dh, y0, y1);
    if (x1 <= x0 || y1 <= y0) return {};
    const int left = fit.x + int(x0 * fit.docW / dw), top = fit.y + int(y0 * fit.docH / dh);
    const int right = fit.x + int((x1 * fit.docW + dw - 1) / dw);
    const int bottom = fit.y + int((y1 * fit.docH + dh - 1) / dh);
    return Rect{left, top, std::max(1, right - left), std::max(1, bottom - top)};
}

void outline(Image& image, const Rect& r, uint32_t colour) {
    const auto plot = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < image.width && y < image.height) image.at(x, y) = colour;
    };
    for (int x = r.x; x < r.right(); ++x) plot(x, r.y), plot(x, r.bottom() - 1);
    for (int y = r.y; y < r.bottom(); ++y) plot(r.x, y), plot(r.right() - 1, y);
}

}  // namespace

Image navigatorPicture(const App& app, int w, int h) {
    const std::vector<int> xs = sampleMap(w, std::max(1, int(app.doc.Width)));
    const std::vector<int> ys = sampleMap(h, std::max(1, int(app.doc.Height)));
    const Document small = smallDocument(
        app, w, h,
        [&](const Layer& layer) {
            return tiledFrom(sampled(layer.image, layer.X, layer.Y, xs, ys));
        },
        [&](const AnimationFrame& frame) {
            return tiledFrom(sampled(frame.image, frame.X, frame.Y, xs, ys));
        });
    ViewCache view;
    resetDisplays(small.layers, 100, view);
    return composedSmall(app, small, view, xs, ys);
}

Image navigatorPicture(const App& app, int w, int h, NavigatorCache& cache) {
    const int docW = std::max(1, int(app.doc.Width)), docH = std::max(1, int(app.doc.Height));
    if (!distinctLayerIds(app.doc)) {
        cache = NavigatorCache{};
        return navigatorPicture(app, w, h);
    }
    if (cache.width != w || cache.height != h || cache.docWidth != docW ||
        cache.docHeight != docH) {
        cache = NavigatorCache{};
        cache.width = w;
        cache.height = h;
        cache.docWidth = docW;
        cache.docHeight = docH;
        cache.xs = sampleMap(w, docW);
        cache.ys = sampleMap(h, docH);
        cache.view.zoom = 100;
    }
    using Sample = NavigatorCache::Sample;
    const auto sample = [&cache](const TiledImage& image, int x, int y) {
        return Sample{image.revision(),
                      x,
                      y,
                      image.width,
                      image.height,
                      tiledFrom(sampled(image, x, y, cache.xs, cache.ys))};
    };
    std::unordered_map<uint32_t, Sample> layers;
    std::vector<Sample> frames;
    const Document small = smallDocument(
        app, w, h,
        [&](const Layer& layer) {
            const auto it = cache.layers.find(layer.id);
            if (it != cache.layers.end() && it->second.matches(layer.image, layer.X, layer.Y))
                return layers.emplace(layer.id, std::move(it->second)).first->second.image;
            // A new sample: the layer's display entry is made again from it.
            cache.view.display.erase(layer.id);
            return layers.emplace(layer.id, sample(layer.image, layer.X, layer.Y))
                .first->second.image;
        },
        [&](const AnimationFrame& frame) {
            for (const Sample& kept : cache.frames)
                if (kept.matches(frame.image, frame.X, frame.Y)) {
                    frames.push_back(kept);
                    return kept.image;
                }
            frames.push_back(sample(frame.image, frame.X, frame.Y));
            return frames.back().image;
        });
    cache.layers = std::move(layers);
    cache.frames = std::move(frames);
    refreshDisplays(small.layers, cache.view);
    return composedSmall(app, small, cache.view, cache.xs, cache.ys);
}

NavigatorFit navigatorFit(const App& app) {
    NavigatorFit fit;
    const int cw = std::max(1, app.iface.canvasWidth), ch = std::max(1, app.iface.canvasHeight);
    fit.height = std::clamp(kNavigatorWidth * ch / cw, 1, kNavigatorMaxHeight);
    const int64_t dw = std::max(1, int(app.doc.Width)), dh = std::max(1, int(app.doc.Height));
    // The scale is the smaller of width / dw and height / dh, compared without rounding.
    if (int64_t(fit.width) * dh <= int64_t(fit.height) * dw) {
        fit.docW = fit.width;
        fit.docH = int(std::max<int64_t>(1, dh * fit.width / dw));
    } else {
        fit.docH = fit.height;
        fit.docW = int(std::max<int64_t>(1, dw * fit.height / dh));
    }
    fit.x = (fit.width - fit.docW) / 2;
    fit.y = (fit.height - fit.docH) / 2;
    return fit;
}

void redrawNavigator(App& app) {
    const NavigatorFit fit = navigatorFit(app);
    auto image = createImage(fit.width, fit.height, 32);
    if (!image) return;
    std::fill(image->pixels.begin(), image->pixels.end(), kNavigatorGrey);
    const Image picture = navigatorPicture(app, fit.docW, fit.docH, app.navigatorCache);
    const Rect view = viewInNavigator(app, fit);
    const int mode = app.NavigatorMode;
    // "Mode Hiden" draws only the part of the document under the view.
    const Rect drawn = mode == 2 ? intersect(view, Rect{fit.x, fit.y, fit.docW, fit.docH})
                                 : Rect{fit.x, fit.y, fit.docW, fit.docH};
    for (int y = drawn.y; y < drawn.bottom(); ++y)
        for (int x = drawn.x; x < drawn.right(); ++x)
            image->at(x, y) = picture.at(x - fit.x, y - fit.y) | 0xFF000000u;
    if (mode != 0 && !view.empty()) outline(*image, view, kViewOutline);
    app.ui.setGadgetImage(id(Gadget::Navigator), *image);
}

}  // namespace qm
