#include "qmscript/state_dump.h"

#include <sstream>

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

void document(Dump& d, const Document& doc, const ViewCache& view) {
    d.add("Width", doc.Width);
    d.add("Height", doc.Height);
    d.add("Zoom", doc.Zoom);
    const Layer* selected = selectedLayer(doc);
    d.add("CurrentImage",
          selected ? "Layer" + std::to_string(selected->Position) : std::string("none"));
    d.add("CurrentVisible", currentVisible(doc));
    d.add("GroupCount", doc.GroupCount);
    d.add("AnimationLayerId", doc.AnimationLayerId);
    d.add("CurrentFrame", doc.CurrentFrame);
    d.add("FrameTotal", doc.FrameTotal);
    d.add("FrameStart", doc.FrameStart);
    d.add("FrameEnd", doc.FrameEnd);
    d.add("Fps", doc.Fps);
    d.add("OnionBefore", doc.OnionBefore);
    d.add("OnionAfter", doc.OnionAfter);
    d.add("LayerCounter", doc.LayerCounter);
    d.add("paper", doc.paper);
    d.add("Layers", doc.layers.size());
    for (const Layer& layer : doc.layers) {
        const std::string p = "Layer" + std::to_string(layer.Position) + ".";
        d.add(p + "Name", layer.Name);
        d.add(p + "X", layer.X);
        d.add(p + "Y", layer.Y);
        d.add(p + "Width", layer.Width);
        d.add(p + "Height", layer.Height);
        d.add(p + "Position", layer.Position);
        d.add(p + "Groupe", layer.Groupe);
        d.add(p + "Selected", layer.Selected);
        d.add(p + "IsGroup", layer.IsGroup);
        d.add(p + "Frame", layer.Frame);
        d.add(p + "Blendmode", layer.Blendmode);
        d.add(p + "Opacity", layer.Opacity);
        d.add(p + "Visible", layer.Visible);
        d.add(p + "Locked", layer.Locked);
        d.add(p + "LockAlpha", layer.LockAlpha);
        d.add(p + "Paint", layer.Paint);
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
            d.add(q + "X", f.X);
            d.add(q + "Y", f.Y);
            d.add(q + "Image", sizeText(f.image));
        }
    }
}

void brush(Dump& d, const BrushSettings& b) {
    const std::string p = "Brush.";
    d.add(p + "pressX", b.pressX);
    d.add(p + "pressY", b.pressY);
    d.add(p + "size", b.size);
    d.add(p + "randSiz", b.randSiz);
    d.add(p + "sizemini", b.sizemini);
    d.add(p + "sizeY", b.sizeY);
    d.add(p + "sizeX", b.sizeX);
    d.add(p + "brushsizeRndfactor", b.brushsizeRndfactor);
    d.add(p + "sizeVsTime", b.sizeVsTime);
    d.add(p + "strokeSizeFactor", b.strokeSizeFactor);
    d.add(p + "sizeFactorVsTime", b.sizeFactorVsTime);
    d.add(p + "type", b.type);
    d.add(p + "tool", b.tool);
    d.add(p + "alpha", b.alpha);
    d.add(p + "alphaVsTime", b.alphaVsTime);
    d.add(p + "strokeAlpha", b.strokeAlpha);
    d.add(p + "alphaFactorVsTime", b.alphaFactorVsTime);
    d.add(p + "keepAlpha", b.keepAlpha);
    d.add(p + "gradientX", b.gradientX);
    d.add(p + "gradientX2", b.gradientX2);
    d.add(p + "gradientX3", b.gradientX3);
    d.add(p + "alphaGradientX", b.alphaGradientX);
    d.add(p + "alphaGradientX2", b.alphaGradientX2);
    d.add(p + "alphaGradientX3", b.alphaGradientX3);
    d.add(p + "mixing", b.mixing);
    d.add(p + "visco", b.visco);
    d.add(p + "viscosity", b.viscosity);
    d.add(p + "water", b.water);
    d.add(p + "rotate", b.rotate);
    d.add(p + "rotation", b.rotation);
    d.add(p + "randRot", b.randRot);
    d.add(p + "color", b.color);
    d.add(p + "selectedColor", b.selectedColor);
    d.add(p + "scatter", b.scatter);
    d.add(p + "scatterLinkToSize", b.scatterLinkToSize);
    d.add(p + "smoth", b.smoth);
    d.add(p + "pas", b.pas);
    d.add(p + "name", b.name);
    d.add(p + "image", b.image);
    d.add(p + "brushdir", b.brushdir);
    d.add(p + "group", b.group);
    d.add(p + "brush", b.brush);
}

void interaction(Dump& d, const App& app) {
    d.add("ViewOffsetX", app.ViewOffsetX);
    d.add("ViewOffsetY", app.ViewOffsetY);
    d.add("PanBaseX", app.PanBaseX);
    d.add("PanBaseY", app.PanBaseY);
    d.add("CurrentTool", app.CurrentTool);
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
    document(d, app.doc, app.view);
    brush(d, app.brush);
    interaction(d, app);
    d.add("Title", ui.windowTitle());
    for (int field = 0; field < 4; ++field)
        d.add("StatusBar" + std::to_string(field), ui.statusText(field));
    const auto& boxes = ui.messageBoxes();
    d.add("Messages", boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) d.add("Message" + std::to_string(i + 1), boxes[i]);
    return d.text();
}

}  // namespace qm::script
