// Fuzz target: a hand-edited or damaged brush preset. Any file must read, build its tip and
// paint a short stroke on a small layer, with a mouse and with a pen, without crashing, hanging
// or allocating without bound. The same bytes are read as a pressure curve's text too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "brush/brush_preset.h"
#include "brush/brush_tip.h"
#include "brush/pen_stroke.h"
#include "brush/pressure_curve.h"
#include "brush/stroke.h"
#include "platform/random.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const qm::fuzz::ScratchFile scratch("preset.qmb");
    const std::string& path = scratch.write(data, size);
    if (path.empty()) return 0;

    const qm::PressureCurve curve =
        qm::pressureCurveFromText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (double p : {0.0, 0.3, 1.0}) {
        const double v = qm::applyPressureCurve(curve, p);
        if (!(v >= 0.0 && v <= 1.0)) __builtin_trap();
    }

    qm::BrushSettings brush;
    qm::BrushTip tip;
    if (!qm::readPresetFile(path, "fuzz", brush, tip.tipFolder)) return 0;
    // Large tips are only slow (a 5000-pixel gradient tip takes half a second, far longer under
    // the sanitizers); capping the size keeps the search on the other keys.
    if (brush.size > 400) brush.size = 400;
    // No tip files here: a Custom Brush gets a transparent tip, as with a missing file.
    for (int zoom : {100, 37}) {
        qm::requestTip(tip, brush, "/nonexistent-quillmoth-workdir");  // made by the stroke
        qm::Image layer = *qm::createImage(48, 40, 32);
        qm::Random random(7);
        qm::StrokeCache cache;
        qm::StrokeContext ctx{brush, tip, qm::imageDabTarget(layer), zoom, 4, random, &cache};
        qm::paintSegment(ctx, 3, 4, 20, 15);
        qm::paintSegment(ctx, 20, 15, 17, 30);
        // A pen: pressure and lean change along the stroke, the steady line as the preset has it.
        qm::PenStroke pen;
        qm::PenSample s{5.5, 3.25, 0.1, 40, -20, true, 0};
        pen.begin(s, brush, &curve);
        for (int i = 1; i <= 6; ++i) {
            s.x += 4.3;
            s.y += (i % 2 ? 5.1 : -2.7);
            s.pressure = i / 6.0;
            s.tiltX -= 15;
            s.time += 5;
            pen.moveTo(ctx, s);
        }
        pen.finish(ctx);
    }
    return 0;
}
