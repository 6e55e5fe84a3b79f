#include "document/qmd_animation.h"

#include <algorithm>
#include <variant>

#include "document/animation_frames.h"
#include "document/document_fields.h"
#include "document/document_ops.h"
#include "document/qmd_format.h"
#include "platform/paths.h"

namespace qm {

namespace {

std::string_view skipBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

std::string_view trimBlanks(std::string_view s) {
    s = skipBlanks(s);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A value as one line of the index.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

template <typename Record>
std::string fieldLine(const AnimationField<Record>& field, const Record& record) {
    return std::string(field.key) + " = " +
           oneLine(withField(record, field.member, [](const auto& v) { return fieldText(v); }));
}

// Whether every pixel of the image is 0 (an empty image counts).
bool allZero(const TiledImage& image) {
    bool zero = true;
    image.forEachTile(Rect{0, 0, image.width, image.height},
                      [&](int, int, const ConstPixelView& v) {
                          for (int y = v.y; y < v.y + v.height && zero; ++y)
                              zero = std::all_of(v.at(v.x, y), v.at(v.x, y) + v.width,
                                                 [](uint32_t p) { return p == 0; });
                      });
    return zero;
}

// A key of an animation layer: the decimal text of 1..255.
std::optional<int> layerKeyNumber(std::string_view text) {
    const auto value = parseLenientInteger(text);
    if (!value || *value < 1 || *value > 255 || std::to_string(*value) != trimBlanks(text))
        return std::nullopt;
    return int(*value);
}

}  // namespace

bool hasAnimationToSave(const Document& doc, const ViewState& view) {
    if (doc.Fps != 12 || doc.FrameTotal != 120 || view.FrameStart != 1 || view.FrameEnd != 120)
        return true;
    if (doc.animationLayers.empty()) return false;
    if (doc.animationLayers.size() > 1) return true;
    const AnimationLayer& layer = doc.animationLayers.begin()->second;
    const AnimationLayerKind& kind = animationLayerKind(0);
    if (layer.Kind != 0 || layer.Name != std::string(kind.prefix) + "1" || layer.Order != 0 ||
        layer.Shown != 1 || layer.Flag2 != 1 || layer.Alpha != 255 ||
        layer.Color != (kind.colour | 0xFF000000u) || layer.Frames.size() > 1)
        return true;
    // The one frame of a New document (at whatever frame was current) keeps nothing.
    return !layer.Frames.empty() && (layer.Frames[0].X != 0 || layer.Frames[0].Y != 0 ||
                                     layer.Frames[0].Hold != 1 || !allZero(layer.Frames[0].image));
}

namespace {

// The animation layers by row (Order), then by key.
std::vector<std::pair<const std::string*, const AnimationLayer*>> layersInOrder(
    const Document& doc) {
    std::vector<std::pair<const std::string*, const AnimationLayer*>> layers;
    for (const auto& [key, layer] : doc.animationLayers) layers.emplace_back(&key, &layer);
    std::stable_sort(layers.begin(), layers.end(), [](const auto& a, const auto& b) {
        if (a.second->Order != b.second->Order) return a.second->Order < b.second->Order;
        return a.first->size() != b.first->size() ? a.first->size() < b.first->size()
                                                  : *a.first < *b.first;
    });
    return layers;
}

// The record a frame setting belongs to.
const Document& recordOf(const AnimationField<Document>&, const Document& doc, const ViewState&) {
    return doc;
}
const ViewState& recordOf(const AnimationField<ViewState>&, const Document&,
                          const ViewState& view) {
    return view;
}
Document& recordOf(const AnimationField<Document>&, Document& doc, ViewState&) {
    return doc;
}
ViewState& recordOf(const AnimationField<ViewState>&, Document&, ViewState& view) {
    return view;
}

// Copies the frame settings from one document and view to another.
void copySettings(const DocumentAnimation& from, Document& to, ViewState& toView) {
    for (const auto& setting : animationSettingFields())
        std::visit(
            [&](const auto& field) {
                const auto& source = recordOf(field, from.settings, from.view);
                auto& target = recordOf(field, to, toView);
                std::visit([&](auto member) { target.*member = source.*member; }, field.member);
            },
            setting);
}

}  // namespace

std::vector<FrameInFile> framesToSave(const Document& doc) {
    std::vector<FrameInFile> frames;
    for (const auto& [key, layer] : layersInOrder(doc))
        for (const AnimationFrame& frame : layer->Frames) frames.push_back({key, layer, &frame});
    return frames;
}

std::string frameFileStem(const AnimationLayer& layer, const AnimationFrame& frame) {
    return safeLayerFileStem(layer.Name) + "-" + std::to_string(frame.Frame);
}

std::string animationIndexText(const Document& doc, const ViewState& view,
                               const std::vector<std::string>& frameFiles) {
    if (!hasAnimationToSave(doc, view)) return {};
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    const std::vector<FrameInFile> frames = framesToSave(doc);

    line("[Animation]");
    for (const auto& setting : animationSettingFields())
        std::visit([&](const auto& field) { line(fieldLine(field, recordOf(field, doc, view))); },
                   setting);
    line("AnimationLayerId = " + std::to_string(doc.AnimationLayerId));
    line("Nb_animation_layer = " + std::to_string(doc.animationLayers.size()));
    line("Nb_frame = " + std::to_string(frames.size()));

    int number = 0;
    for (const auto& [key, layer] : layersInOrder(doc)) {
        line("[AnimationLayer" + std::to_string(++number) + "]");
        line("Key = " + *key);
        for (const auto& field : animationLayerFields()) line(fieldLine(field, *layer));
    }

    for (size_t i = 0; i < frames.size(); ++i) {
        line("[Frame" + std::to_string(i + 1) + "]");
        line("AnimationLayer = " + *frames[i].key);
        for (const auto& field : animationFrameFields()) line(fieldLine(field, *frames[i].frame));
        line("Image = " + (i < frameFiles.size() ? frameFiles[i] : std::string()));
    }
    return text;
}

IndexSections::IndexSections(std::string_view text) {
    // A section line as the key/value reader sees one: "[" after blanks, a "]" later on, and
    // not a comment.
    std::map<std::string, std::string, std::less<>> bodies;
    std::string* body = nullptr;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view t = skipBlanks(raw);
        if (!t.empty() && t.front() == '[' && t.find(']') != std::string_view::npos) {
            body = &bodies[std::string(trimBlanks(t.substr(1, t.find(']') - 1)))];
            continue;
        }
        if (body) (*body += raw) += '\n';
    }
    for (auto& [name, lines] : bodies) sections_.emplace(name, KeyValueFile::parse(lines));
}

const KeyValueFile* IndexSections::find(std::string_view name) const {
    const auto found = sections_.find(name);
    return found == sections_.end() ? nullptr : &found->second;
}

std::optional<DocumentAnimation> readAnimationSections(const IndexSections& sections,
                                                       std::vector<FrameImageToRead>& images,
                                                       std::vector<std::string>& notes,
                                                       std::string& error) {
    const KeyValueFile* head = sections.find("Animation");
    if (!head) return std::nullopt;
    DocumentAnimation animation;
    Document& settings = animation.settings;
    for (const auto& setting : animationSettingFields())
        std::visit(
            [&](const auto& field) {
                readAnimationField(*head, field, recordOf(field, settings, animation.view));
            },
            setting);

    const int64_t layerCount = head->readInteger("Nb_animation_layer", 0);
    const int64_t frameCount = head->readInteger("Nb_frame", 0);
    if (layerCount > kMaxDocumentAnimationLayers) {
        error = "it has " + std::to_string(layerCount) + " animation layers, at most " +
                std::to_string(kMaxDocumentAnimationLayers) + " are allowed.";
        return std::nullopt;
    }
    if (frameCount > kMaxDocumentFrames) {
        error = "it has " + std::to_string(frameCount) + " animation frames, at most " +
                std::to_string(kMaxDocumentFrames) + " are allowed.";
        return std::nullopt;
    }

    // Layers: a key that is missing, not 1..255 or taken already becomes the first free one.
    std::vector<std::pair<int, std::string>> orders;  // (order read, key) in section order
    for (int64_t i = 1; i <= layerCount; ++i) {
        const KeyValueFile* section = sections.find("AnimationLayer" + std::to_string(i));
        if (!section) continue;
        std::optional<int> key = layerKeyNumber(section->readText("Key"));
        if (key && animation.layers.count(std::to_string(*key))) key.reset();
        for (int k = 2; !key && k <= 255; ++k)
            if (!animation.layers.count(std::to_string(k))) key = k;
        for (int k = 1; !key && k <= 255; ++k)
            if (!animation.layers.count(std::to_string(k))) key = k;
        if (!key) break;
        AnimationLayer layer;
        for (const auto& field : animationLayerFields()) readAnimationField(*section, field, layer);
        const AnimationLayerKind& kind = animationLayerKind(layer.Kind);
        if (!section->hasKey("Name")) layer.Name = std::string(kind.prefix) + std::to_string(i);
        if (!parseLenientInteger(section->readText("Color")))
            layer.Color = kind.colour | (uint32_t(layer.Alpha) << 24);
        orders.emplace_back(section->hasKey("Order") ? layer.Order : int(i - 1),
                            std::to_string(*key));
        animation.layers.emplace(orders.back().second, std::move(layer));
    }
    // Rows 0..n-1 in the order read (ties by section order).
    std::stable_sort(orders.begin(), orders.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t row = 0; row < orders.size(); ++row)
        animation.layers.at(orders[row].second).Order = uint8_t(row);

    for (int64_t i = 1; i <= frameCount; ++i) {
        const std::string name = "Frame" + std::to_string(i);
        const KeyValueFile* section = sections.find(name);
        if (!section) continue;
        const std::string key = std::string(trimBlanks(section->readText("AnimationLayer")));
        const auto layer = animation.layers.find(key);
        if (layer == animation.layers.end()) {
            notes.push_back(name + " (its animation layer \"" + key +
                            "\" is not in the document, left out)");
            continue;
        }
        AnimationFrame frame;
        for (const auto& field : animationFrameFields()) readAnimationField(*section, field, frame);
        const std::string file = section->readText("Image");
        FrameImageToRead image;
        image.key = key;
        image.index = layer->second.Frames.size();
        image.file = isPlainFileName(file) ? file : std::string();
        if (image.file.empty())
            image.refusal =
                file.empty() ? "no image file named" : "outside the frame folder, not read";
        image.label = std::string(kFrameFolderName) + "/" + (file.empty() ? name : file);
        images.push_back(std::move(image));
        layer->second.Frames.push_back(std::move(frame));
    }
    for (auto& [key, layer] : animation.layers) normalizeHolds(layer);

    const std::string current =
        std::to_string(std::clamp<int64_t>(head->readInteger("AnimationLayerId", 0), 0, 255));
    if (animation.layers.count(current)) {
        settings.AnimationLayerId = uint8_t(std::stoi(current));
    } else if (!orders.empty()) {
        settings.AnimationLayerId = uint8_t(std::stoi(orders.front().second));
    }
    return animation;
}

std::set<std::string> frameFilesNamed(const IndexSections& sections) {
    std::set<std::string> named;
    const KeyValueFile* head = sections.find("Animation");
    if (!head) return named;
    const int64_t count =
        std::clamp<int64_t>(head->readInteger("Nb_frame", 0), 0, kMaxDocumentFrames);
    for (int64_t i = 1; i <= count; ++i) {
        const KeyValueFile* section = sections.find("Frame" + std::to_string(i));
        if (!section) continue;
        const std::string file = section->readText("Image");
        if (isPlainFileName(file))
            named.insert(toLowerAscii(std::string(kFrameFolderName) + "/" + file));
    }
    return named;
}

bool installAnimation(Document& doc, ViewState& view, std::optional<DocumentAnimation> animation) {
    doc.animationLayers.clear();
    std::fill(std::begin(doc.kindCounters), std::end(doc.kindCounters), 0);
    if (animation) copySettings(*animation, doc, view);
    if (!animation || animation->layers.empty()) {
        doc.AnimationLayerId = 1;
        return addAnimationLayer(doc, 0) && addAnimationFrame(doc, view.CurrentFrame);
    }
    doc.AnimationLayerId = animation->settings.AnimationLayerId;
    doc.animationLayers = std::move(animation->layers);
    for (auto& [key, layer] : doc.animationLayers) {
        for (AnimationFrame& frame : layer.Frames) {
            if (doc.nextFrameId == 0) doc.nextFrameId = 1;  // 0 names no frame
            frame.id = doc.nextFrameId++;
        }
        // A new layer of a kind is numbered after the highest number its layers use.
        int& counter = doc.kindCounters[std::clamp<int>(layer.Kind, 0, kAnimationLayerKinds - 1)];
        counter = std::max(counter, 1);
        const std::string prefix = animationLayerKind(layer.Kind).prefix;
        if (layer.Name.starts_with(prefix))
            if (const auto n = parseLenientInteger(layer.Name.substr(prefix.size())))
                counter = int(std::clamp<int64_t>(*n, counter, 1'000'000));
    }
    return true;
}

}  // namespace qm
