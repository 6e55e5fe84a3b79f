#include "document/document_ops.h"

#include <algorithm>
#include <array>

#include "raster/image_ops.h"

namespace qm {

bool documentSizeAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxDocumentSide && height <= kMaxDocumentSide &&
           width * height <= kMaxDocumentPixels;
}

namespace {

std::optional<TiledImage> documentImage(const Document& doc) {
    if (!documentSizeAllowed(doc.Width, doc.Height)) return std::nullopt;
    return TiledImage::create(doc.Width, doc.Height);
}

constexpr std::array<AnimationLayerKind, kAnimationLayerKinds> kKinds{{
    {"Layer Normal", 150 | (150 << 8) | (200 << 16)},
    {"Layer Objet", 150 | (200 << 8) | (150 << 16)},
    {"Layer BG", 200 | (150 << 8) | (150 << 16)},
    {"Camera ", 110 | (110 << 8) | (110 << 16)},
    {"Particule ", 120 | (150 << 8) | (200 << 16)},
    {"Light ", 150 | (220 << 8) | (220 << 16)},
}};

}  // namespace

int displaySize(int size, int zoom) {
    return int(int64_t(size) * zoom / 100);
}

const AnimationLayerKind& animationLayerKind(int kind) {
    return kKinds.at(size_t(kind >= 0 && kind < kAnimationLayerKinds ? kind : 0));
}

bool resetDocument(Document& doc, DocumentWorkImages work) {
    doc.layers.clear();
    doc.animationLayers.clear();
    doc.paintTarget = 0;
    doc.paintsAnimation = 0;
    for (TiledImage* slot : {&work.image2, &work.image4, &work.image3}) {
        auto image = documentImage(doc);
        if (!image) return false;
        *slot = std::move(*image);
    }
    return true;
}

bool newDocument(Document& doc, DocumentWorkImages work) {
    // A new document names its animation layers from 1 again ("Layer Normal1").
    std::fill(std::begin(doc.kindCounters), std::end(doc.kindCounters), 0);
    doc.AnimationLayerId = 1;
    doc.FrameTotal = 120;
    doc.Fps = 12;
    if (!resetDocument(doc, work)) return false;
    addAnimationLayer(doc, 0);
    if (!addAnimationFrame(doc, 1)) return false;
    return addLayer(doc, 1);
}

bool addLayer(Document& doc, int16_t frame) {
    if (doc.layers.size() >= 255) return false;
    auto image = documentImage(doc);
    if (!image) return false;
    for (Layer& layer : doc.layers) layer.Selected = 0;
    doc.paintTarget = 0;
    Layer layer;
    layer.id = takeLayerId(doc);
    layer.Width = doc.Width;
    layer.Height = doc.Height;
    layer.image = std::move(*image);
    layer.Position = uint8_t(doc.layers.size() + 1);
    layer.Selected = 1;
    layer.Opacity = 255;
    layer.Visible = 1;
    ++doc.LayerCounter;
    layer.Name = "Layer" + std::to_string(doc.LayerCounter);
    layer.Frame = frame;
    doc.layers.push_back(std::move(layer));
    return true;
}

std::string currentAnimationLayerKey(const Document& doc) {
    return std::to_string(doc.AnimationLayerId);
}

AnimationLayer& currentAnimationLayer(Document& doc) {
    return doc.animationLayers[currentAnimationLayerKey(doc)];
}

bool addAnimationLayer(Document& doc, int kind) {
    if (kind < 0 || kind >= kAnimationLayerKinds) return false;
    // Keys are AnimationLayerId in decimal. The current layer may be an older one (chosen in the
    // panel), so the next id not in use is taken: an existing layer is never replaced. At 255
    // the next id would wrap onto a used key.
    int next = doc.AnimationLayerId + 1;
    while (next <= 255 && doc.animationLayers.count(std::to_string(next))) ++next;
    if (next > 255) return false;
    doc.AnimationLayerId = uint8_t(next);
    AnimationLayer layer;
    layer.Order = uint8_t(doc.animationLayers.size());
    layer.Kind = uint8_t(kind);
    layer.Shown = 1;
    layer.Flag2 = 1;
    layer.Alpha = 255;
    const int counter = ++doc.kindCounters[kind];
    layer.Color = kKinds[size_t(kind)].colour | (uint32_t(layer.Alpha) << 24);
    layer.Name = kKinds[size_t(kind)].prefix + std::to_string(counter);
    doc.animationLayers[currentAnimationLayerKey(doc)] = std::move(layer);
    return true;
}

bool addAnimationFrame(Document& doc, int16_t frame, std::optional<TiledImage> image) {
    if (!image) image = documentImage(doc);
    if (!image) return false;
    AnimationFrame made;
    made.image = std::move(*image);
    made.Frame = frame;
    made.id = doc.nextFrameId++;
    currentAnimationLayer(doc).Frames.push_back(std::move(made));
    return true;
}

Layer* selectedLayer(Document& doc) {
    for (Layer& layer : doc.layers)
        if (layer.Selected) return &layer;
    return nullptr;
}

const Layer* selectedLayer(const Document& doc) {
    for (const Layer& layer : doc.layers)
        if (layer.Selected) return &layer;
    return nullptr;
}

Layer* currentLayer(Document& doc) {
    if (doc.paintTarget != 0)
        if (Layer* layer = layerById(doc, doc.paintTarget)) return layer;
    return selectedLayer(doc);
}

const Layer* currentLayer(const Document& doc) {
    if (doc.paintTarget != 0)
        if (const Layer* layer = layerById(doc, doc.paintTarget)) return layer;
    return selectedLayer(doc);
}

TiledImage* currentImage(Document& doc) {
    Layer* layer = currentLayer(doc);
    return layer ? &layer->image : nullptr;
}

const TiledImage* currentImage(const Document& doc) {
    const Layer* layer = currentLayer(doc);
    return layer ? &layer->image : nullptr;
}

uint8_t currentVisible(const Document& doc) {
    const Layer* layer = currentLayer(doc);
    return layer ? layer->Visible : 0;
}

Layer* layerAtPosition(Document& doc, int position) {
    for (Layer& layer : doc.layers)
        if (layer.Position == position) return &layer;
    return nullptr;
}

Layer* layerById(Document& doc, uint32_t id) {
    for (Layer& layer : doc.layers)
        if (layer.id == id) return &layer;
    return nullptr;
}

const Layer* layerById(const Document& doc, uint32_t id) {
    for (const Layer& layer : doc.layers)
        if (layer.id == id) return &layer;
    return nullptr;
}

uint32_t takeLayerId(Document& doc) {
    if (doc.nextLayerId == 0) doc.nextLayerId = 1;  // 0 names no layer
    return doc.nextLayerId++;
}

}  // namespace qm
