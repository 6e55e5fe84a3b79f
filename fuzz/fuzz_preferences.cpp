// Fuzz target: a hand-edited or damaged pref.ini. Any file must read without crashing, leave
// every value within its field's range and a document size the program can make, and what is
// then written must read back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>

#include "document/document_ops.h"
#include "platform/fake_ui.h"
#include "platform/paths.h"
#include "scratch_file.h"
#include "shell/app.h"
#include "shell/events.h"
#include "shell/settings/preferences_file.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}

auto numbers(const qm::App& a) {
    const qm::Preferences& p = a.prefs;
    const qm::BrushSettings& b = a.brush;
    return std::tuple(p.grid, p.gridW, p.gridH, p.gridColor, p.Undo, p.ColorBG, p.SpeedAnimation,
                      b.size, b.sizeX, b.sizeY, b.gradientX, b.gradientX2, b.gradientX3, b.color,
                      b.rotate, b.randRot, b.scatter, b.mixing, b.alphaVsTime, b.brush);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const qm::fuzz::ScratchFile scratch("pref.ini");
    const std::string& path = scratch.write(data, size);
    if (path.empty()) return 0;

    qm::FakeUi ui;
    qm::App app(ui);
    if (!qm::readPreferencesFile(path, app)) return 0;
    const qm::Preferences& p = app.prefs;
    check(p.gridW >= 1 && p.gridW <= 500 && p.gridH >= 1 && p.gridH <= 500);
    check(p.Undo >= 1 && p.SpeedAnimation <= 5 && p.grid <= 1);
    check(qm::documentSizeAllowed(p.docWidth, p.docHeight));
    check(qm::isPlainFileName(p.lang) && qm::isPlainFileName(p.brushdir));
    check(app.brush.size >= 1 && app.brush.size <= 5000);
    check(app.brush.sizeX >= 0 && app.brush.sizeX <= 100);
    check(app.brush.gradientX >= 0.0 && app.brush.gradientX <= 1.0);

    std::string error;
    check(qm::writePreferencesFile(path, app, error));
    qm::FakeUi otherUi;
    qm::App back(otherUi);
    check(qm::readPreferencesFile(path, back));
    check(numbers(back) == numbers(app));
    return 0;
}
