#include "qmscript/state_dump.h"

#include <sstream>

#include "brush/brush_fields.h"
#include "document/document_fields.h"
#include "document/document_ops.h"
#include "platform/key_value_file.h"

namespace qm::script {

namespace {

class Dump {
public:
    void add(const std::string& key, const std::string& value) {
        out_ << key << " = " << value << '\n';
    }
    void add(const std::string& key, const char* value) { add(key, std::string(value)); }
    void add(const std::string& key, double value) { add(key, formatReal(value)); }
    template <typename T>
    requires std::is_integral_v<T>
    void add(const std::string& key, T value) { add(key, std::to_string(int64_t(value))); }
    std::string text() const { return out_.str(); }

private:
    std::ostringstream out_;
};

std::string sizeText(const Image& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

std::string sizeText(const TiledImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

void document(Dump& d, const Document& doc, const ViewState& viewState, const ViewCache& view) {
    d.add("Width", doc.Width);
    d.add("Height", doc.Height);
    d.add("Zoom", viewState.Zoom);
    const Layer* selected = selectedLayer(doc);
    d.add("CurrentImage",
          selected ? "Layer" + std::to_string(selected->Position) : std::string("none"));
    d.add("CurrentVisible", currentVisible(doc));
    d.add("GroupCount", doc.GroupCount);
    d.add("AnimationLayerId", doc.AnimationLayerId);
    d.add("CurrentFrame", viewState.CurrentFrame);
    d.add("FrameTotal", doc.FrameTotal);
    d.add("FrameStart", viewState.FrameStart);
    d.add("FrameEnd", viewState.FrameEnd);
    d.add("Fps", doc.Fps);
    d.add("OnionBefore", viewState.OnionBefore);
    d.add("OnionAfter", viewState.OnionAfter);
    d.add("LayerCounter", doc.LayerCounter);
    d.add("paper", doc.paper);
    d.add("Layers", doc.layers.size());
    for (const Layer& layer : doc.layers) {
        const std::string p = "Layer" + std::to_string(layer.Position) + ".";
        for (const LayerField& f : layerFields())
            withField(static_cast<const LayerProperties&>(layer), f.member,
                      [&](const auto& value) { d.add(p + f.key, value); });
        d.add(p + "Width", layer.Width);
        d.add(p + "Height", layer.Height);
        d.add(p + "Selected", layer.Selected);
        d.add(p + "IsGroup", layer.IsGroup);
        d.add(p + "Image", sizeText(layer.image));
        const DisplayEntry* display = view.find(layer.id);
        d.add(p + "DisplayImage", display ? std::to_string(display->width) + "x" +
                                                std::to_string(display->height)
                                          : sizeText(Image{}));
    }
    d.add("AnimationLayers", doc.animationLayers.size());
    for (const auto& [key, layer] : doc.animationLayers) {
        const std::string p = "AnimationLayer" + key + ".";
        d.add(p + "Order", layer.Order);
        d.add(p + "Kind", layer.Kind);
        d.add(p + "Color", layer.Color);
        d.add(p + "Current", layer.Current);
        d.add(p + "Shown", layer.Shown);
        d.add(p + "Flag2", layer.Flag2);
        d.add(p + "Alpha", layer.Alpha);
        d.add(p + "Name", layer.Name);
        d.add(p + "Frames", layer.Frames.size());
        for (size_t i = 0; i < layer.Frames.size(); ++i) {
            const AnimationFrame& f = layer.Frames[i];
            const std::string q = p + "Frame" + std::to_string(i + 1) + ".";
            d.add(q + "Frame", f.Frame);
            d.add(q + "Hold", f.Hold);
            d.add(q + "X", f.X);
            d.add(q + "Y", f.Y);
            d.add(q + "Image", sizeText(f.image));
        }
    }
}

void brush(Dump& d, const BrushSettings& b) {
    for (const BrushField& f : brushFields())
        withField(b, f.member,
                  [&](const auto& value) { d.add("Brush." + std::string(f.name), value); });
}

void interaction(Dump& d, const App& app) {
    d.add("ViewOffsetX", app.ViewOffsetX);
    d.add("ViewOffsetY", app.ViewOffsetY);
    d.add("PanBaseX", app.PanBaseX);
    d.add("PanBaseY", app.PanBaseY);
    d.add("CurrentTool", code(app.CurrentTool));
    d.add("TempPickMode", app.TempPickMode);
    d.add("ZoomDirection", app.ZoomDirection);
    d.add("StrokeActive", app.StrokeActive);
    d.add("LeftDown", app.LeftDown);
    d.add("Panning", app.Panning);
    d.add("KeyLatch", app.iface.KeyLatch);
    d.add("MouseX", app.MouseX);
    d.add("MouseY", app.MouseY);
    d.add("StartX", app.StartX);
    d.add("StartY", app.StartY);
    d.add("LastX", app.LastX);
    d.add("LastY", app.LastY);
    d.add("NavigatorMode", app.NavigatorMode);
    d.add("PlayStartFrame", app.PlayStartFrame);
    d.add("playback", app.prefs.playback);
    d.add("grid", app.prefs.grid);
    d.add("ColorBG", app.prefs.ColorBG);
    d.add("QuitRequested", app.QuitRequested);
    std::string windows;
    for (const int w : app.openWindows) windows += (windows.empty() ? "" : ",") + std::to_string(w);
    d.add("OpenWindows", windows);
    d.add("ActiveWindow", app.activeWindow);
    d.add("Modified", app.Modified);
    d.add("UndoSteps", app.history.undoSteps());
    d.add("RedoSteps", app.history.redoSteps());
}

}  // namespace

std::string dumpState(const App& app, const FakeUi& ui) {
    Dump d;
    document(d, app.doc, app.viewState, app.view);
    brush(d, app.brush);
    interaction(d, app);
    d.add("Title", ui.windowTitle());
    for (int field = 0; field < 4; ++field)
        d.add("StatusBar" + std::to_string(field), ui.statusText(field));
    const auto& boxes = ui.messageBoxes();
    d.add("Messages", boxes.size());
    // Paths in the working folder are shown from it, so a dump does not depend on where the
    // script ran.
    std::string work = app.workDir;
    if (!work.empty() && work.back() != '/') work += '/';
    for (size_t i = 0; i < boxes.size(); ++i) {
        std::string text = boxes[i];
        for (size_t at; !work.empty() && (at = text.find(work)) != std::string::npos;)
            text.erase(at, work.size());
        d.add("Message" + std::to_string(i + 1), text);
    }
    return d.text();
}

}  // namespace qm::script
