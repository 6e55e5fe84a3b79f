#include "shell/panels/timeline.h"

#include <algorithm>
#include <string>

#include "codecs/codecs.h"
#include "document/animation_frames.h"
#include "document/document_ops.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/state/timeline_state.h"

namespace qm {

namespace {

// A 3 x 5 pixel font for the timeline's numbers (the layer names are in the interface font).
struct Glyph {
    char c;
    const char* rows;  // 5 rows of 3, '#' set
};
constexpr Glyph kGlyphs[] = {
    {'0', "####.##.##.####"}, {'1', ".#.##..#..#.###"}, {'2', "###..#####..###"},
    {'3', "###..####..####"}, {'4', "#.##.####..#..#"}, {'5', "####..###..####"},
    {'6', "####..####.####"}, {'7', "###..#..#..#..#"}, {'8', "####.#####.####"},
    {'9', "####.####..####"}, {'A', ".#.#.#####.##.#"}, {'B', "##.#.###.#.###."},
    {'C', "####..#..#..###"}, {'D', "##.#.##.##.###."}, {'E', "####..##.#..###"},
    {'F', "####..##.#..#.."}, {'G', "####..#.##.####"}, {'H', "#.##.#####.##.#"},
    {'I', "###.#..#..#.###"}, {'J', "..#..#..##.####"}, {'K', "#.##.###.#.##.#"},
    {'L', "#..#..#..#..###"}, {'M', "#.########.##.#"}, {'N', "##.#.##.##.##.#"},
    {'O', "####.##.##.####"}, {'P', "####.#####..#.."}, {'Q', "####.##.####..#"},
    {'R', "##.#.###.#.##.#"}, {'S', "####..###..####"}, {'T', "###.#..#..#..#."},
    {'U', "#.##.##.##.####"}, {'V', "#.##.##.##.#.#."}, {'W', "#.##.########.#"},
    {'X', "#.##.#.#.#.##.#"}, {'Y', "#.##.#.#..#..#."}, {'Z', "###..#.#.#..###"},
    {'-', "......###......"}, {'_', "............###"}, {'.', ".............#."},
};

const Glyph* glyphOf(char c) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

void drawText(Image& image, int x, int y, const std::string& text, uint32_t colour) {
    const Paint paint = solidPaint(colour | 0xFF000000u);
    for (char c : text) {
        if (const Glyph* g = glyphOf(c)) {
            for (int i = 0; i < 15 && g->rows[i]; ++i)
                if (g->rows[i] == '#') plot(image, x + i % 3, y + i / 3, paint);
        }
        x += 4;
    }
}

void box(Image& image, int x, int y, int w, int h, uint32_t colour, int alpha = 255) {
    if (alpha < 255) {
        fillBox(image, x, y, w, h, solidPaint(colour | (uint32_t(alpha) << 24)));
        return;
    }
    // Opaque: the colour itself, as "over" at full alpha gives it, filled row by row.
    const Rect r = clipToImage(x, y, w, h, image.width, image.height);
    for (int row = r.y; row < r.bottom(); ++row)
        std::fill(image.row(row) + r.x, image.row(row) + r.right(), colour | 0xFF000000u);
}

// The row of an animation layer in the timeline and in the list.
int rowTop(const AnimationLayer& layer) {
    return layer.Order * kTimelineCellHeight + 20;
}

// The main window's width as the panel sees it.
int windowWidth(const App& app) {
    return std::max(1,
                    app.iface.canvasWidth + app.iface.leftPanelWidth + app.iface.rightPanelWidth);
}

}  // namespace

int16_t timelineFrameAt(int x, int cellWidth) {
    const int cell = std::max(1, cellWidth);
    return int16_t(std::clamp(x / cell, 0, int(INT16_MAX)));
}

Image timelineRuler(int width, int cellWidth) {
    const int cell = std::clamp(cellWidth, 1, 255);
    const int w = std::clamp(width + cell * 200, 1, kMaxImageSide);
    Image ruler = *createImage(w, kAnimationPanelHeight, 24);
    box(ruler, 0, 0, w, kAnimationPanelHeight, rgb(180, 180, 180));
    box(ruler, 0, 0, w, 20, rgb(200, 200, 200));
    const uint32_t grey = rgb(128, 128, 128);
    for (int i = 0; int64_t(i) * cell < w; ++i) {
        const int x = i * cell;
        if (i % 12 == 0) {
            box(ruler, x, 0, 1, cell, grey);
            drawText(ruler, x + 2, 3, std::to_string(i), 0);
        } else {
            box(ruler, x, 0, 1, 3, grey);
        }
    }
    return ruler;
}

namespace {

// An interface image of the icon folder, or the black square that stands for a missing one.
Image iconOrPlaceholder(const App& app, const std::string& file) {
    std::string error;
    if (auto image = loadImageFile(joinPath(app.workDir, app.prefs.IconPath + file), error)) {
        image->depth = 32;
        return std::move(*image);
    }
    Image black = *createImage(25, 25, 32);
    std::fill(black.pixels.begin(), black.pixels.end(), rgba(0, 0, 0, 255));
    return black;
}

// `image` at w x h (smoothly), or as it is when it cannot be resized.
Image scaledTo(const Image& image, int w, int h) {
    if (image.width == w && image.height == h) return image;
    auto scaled = resizeSmooth(image, w, h);
    return scaled ? std::move(*scaled) : image;
}

// The header cells of the list are 15 pixels square; the eye and the lock fit inside them.
constexpr int kHeaderIconSide = 13;

}  // namespace

void loadTimelineImages(App& app) {
    TimelineImages& images = app.timeline.images;
    images.startMarker = iconOrPlaceholder(app, "ledgreen.png");
    images.endMarker = iconOrPlaceholder(app, "ledred.png");
    images.eye = scaledTo(iconOrPlaceholder(app, "eye.png"), kHeaderIconSide, kHeaderIconSide);
    images.lock = scaledTo(iconOrPlaceholder(app, "locked.png"), kHeaderIconSide, kHeaderIconSide);
    app.timeline.cellWidth = -1;  // the markers are scaled again with the ruler
}

TimelineMarkers timelineMarkers(const TimelineImages& images, int cellWidth) {
    const int w = std::max(1, std::clamp(cellWidth, 1, 255) - 4);
    TimelineMarkers markers;
    if (!images.startMarker.empty()) markers.start = scaledTo(images.startMarker, w, 16);
    if (!images.endMarker.empty()) markers.end = scaledTo(images.endMarker, w, 16);
    return markers;
}

Image drawTimelineBase(const Document& doc, const ViewState& view, const Image& ruler,
                       int cellWidth, const TimelineMarkers& markers) {
    const int cell = std::clamp(cellWidth, 1, 255);
    Image t = ruler;
    const std::string current = currentAnimationLayerKey(doc);
    for (const auto& [key, layer] : doc.animationLayers) {
        const int y = rowTop(layer);
        for (const Drawing& drawing : drawingsOf(layer)) {
            const int x = drawing.start * cell;
            box(t, x, y, cell, kTimelineCellHeight, 0);
            box(t, x + 1, y + 1, cell - 2, kTimelineCellHeight - 2, rgb(230, 230, 230));
            if (drawing.hold <= 1) continue;
            // The hold: a bar from the box to the end of the drawing's last frame, closed by a
            // tick, so where one drawing gives way to the next shows at a glance.
            const int end = (drawing.end() + 1) * cell;
            box(t, x + cell, y + kTimelineCellHeight / 2 - 3, end - x - cell - 1, 6, 0);
            box(t, x + cell, y + kTimelineCellHeight / 2 - 2, end - x - cell - 2, 4,
                rgb(230, 230, 230));
            box(t, end - 2, y + 3, 2, kTimelineCellHeight - 6, 0);
        }
        if (key == current) box(t, 0, y, 2000, kTimelineCellHeight, 0, 50);
    }
    drawImage(t, markers.end, view.FrameEnd * cell + 2, 2, DrawMode::AlphaBlend, 120);
    drawImage(t, markers.start, view.FrameStart * cell + 2, 2, DrawMode::AlphaBlend, 120);
    const uint32_t white = rgb(255, 255, 255);
    box(t, view.FrameStart * cell - 1, 0, 1, 150, white);
    box(t, view.FrameStart * cell, 0, 1, 150, rgb(0, 150, 0));
    box(t, view.FrameEnd * cell - 1, 0, 1, 150, white);
    box(t, view.FrameEnd * cell, 0, 1, 150, rgb(255, 0, 0));
    return t;
}

Rect drawCurrentFrame(Image& t, const ViewState& view, int cellWidth, int animBarre) {
    const int cell = std::clamp(cellWidth, 1, 255);
    const std::string number = std::to_string(view.CurrentFrame);
    const int x = view.CurrentFrame * cell;
    drawText(t, x + 2, 3, number, rgb(120, 120, 120));
    if (animBarre == 1) {
        box(t, x - 1, 0, 1, 150, rgb(255, 255, 255));
        box(t, x, 0, 1, 150, rgb(255, 0, 0));
    } else {
        box(t, x, 0, cell, 200, rgb(255, 0, 0), 80);
    }
    const int right = std::max(x + cell, x + 2 + 4 * int(number.size()));
    return intersect(Rect{x - 1, 0, right - x + 1, t.height}, Rect{0, 0, t.width, t.height});
}

Image drawTimeline(const Document& doc, const ViewState& view, const Image& ruler, int cellWidth,
                   int animBarre, const TimelineMarkers& markers) {
    Image t = drawTimelineBase(doc, view, ruler, cellWidth, markers);
    drawCurrentFrame(t, view, cellWidth, animBarre);
    return t;
}

Image drawAnimationLayerList(const Document& doc, const TimelineImages& images) {
    Image list = *createImage(2000, kAnimationPanelHeight, 24);
    box(list, 0, 0, list.width, list.height, rgb(160, 160, 160));
    box(list, 0, 0, list.width, 20, rgb(190, 190, 190));
    const uint32_t cellColour = rgb(157, 157, 161);
    box(list, 2, 2, 15, 15, cellColour);
    box(list, 18, 2, 15, 15, cellColour);
    box(list, 34, 2, list.width - 34, 15, cellColour);
    drawImage(list, images.eye, 3, 5, DrawMode::AlphaBlend, 255);
    drawImage(list, images.lock, 19, 3, DrawMode::AlphaBlend, 255);
    box(list, 0, 18, list.width, 2, rgb(100, 100, 100));
    const std::string current = currentAnimationLayerKey(doc);
    for (const auto& [key, layer] : doc.animationLayers) {
        const int y = layer.Order * kTimelineCellHeight + 21;
        box(list, 0, y, list.width, kTimelineCellHeight, layer.Color & 0xFFFFFFu,
            layer.Color >> 24);
        if (key == current) box(list, 0, y, list.width, kTimelineCellHeight, 0, 50);
        box(list, 0, y, list.width, 1, rgb(255, 255, 255), 100);
        // The animation layer being painted: a bright bar between the toggles and the name.
        if (key == current && doc.paintsAnimation)
            box(list, 34, y + 2, 2, kTimelineCellHeight - 4, rgb(255, 170, 0));
        const Paint dot = solidPaint(rgba(0, 0, 0, 255));
        if (layer.Shown) fillCircle(list, 8, y + 10, 3, dot);
        if (layer.Flag2) fillCircle(list, 23, y + 10, 3, dot);
    }
    return list;
}

namespace {

// What the timeline's base shows: the frames' places, the rows, the range and the ruler.
uint64_t timelineKey(const Document& doc, const ViewState& view, const TimelineState& state) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    mix(uint64_t(state.width));
    mix(uint64_t(state.cellWidth));
    mix(uint64_t(uint16_t(view.FrameStart)));
    mix(uint64_t(uint16_t(view.FrameEnd)));
    mix(doc.AnimationLayerId);
    for (const auto& [key, layer] : doc.animationLayers) {
        mix(std::hash<std::string>{}(key));
        mix(layer.Order);
        for (const AnimationFrame& frame : layer.Frames)
            mix(uint64_t(uint16_t(frame.Frame)) << 16 | uint16_t(frame.Hold));
        mix(0xFFFFFFFFull);
    }
    return h;
}

}  // namespace

void redrawTimeline(App& app) {
    TimelineState& state = app.timeline;
    const int width = windowWidth(app), cell = app.iface.frameCellWidth;
    if (state.ruler.empty() || state.width != width || state.cellWidth != cell) {
        state.ruler = timelineRuler(width, cell);
        state.markers = timelineMarkers(state.images, cell);
        state.width = width;
        state.cellWidth = cell;
        state.base = Image{};
    }
    const uint64_t key = timelineKey(app.doc, app.viewState, state);
    if (state.base.empty() || key != state.baseKey || state.shown.width != state.base.width) {
        state.base = drawTimelineBase(app.doc, app.viewState, state.ruler, cell, state.markers);
        state.baseKey = key;
        state.shown = state.base;
    } else if (!state.marked.empty()) {  // only the current frame moved: its marks go
        for (int y = state.marked.y; y < state.marked.bottom(); ++y)
            std::copy(state.base.row(y) + state.marked.x, state.base.row(y) + state.marked.right(),
                      state.shown.row(y) + state.marked.x);
    }
    state.marked = drawCurrentFrame(state.shown, app.viewState, cell, app.iface.animBarre);
    app.ui.setGadgetImage(id(Gadget::Timeline), state.shown);
}

void redrawAnimationLayerList(App& app) {
    Image list = drawAnimationLayerList(app.doc, app.timeline.images);
    // The names in the interface's font, which has every letter, accent and symbol.
    for (const auto& [key, layer] : app.doc.animationLayers)
        app.ui.drawInterfaceText(list, 36, layer.Order * kTimelineCellHeight + 21,
                                 kTimelineCellHeight, layer.Name, rgb(255, 255, 255));
    app.ui.setGadgetImage(id(Gadget::AnimationLayerList), list);
}

}  // namespace qm
