#include "shell/settings/preferences_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>
#include <variant>

#include "brush/pressure_curve.h"
#include "document/document_ops.h"
#include "platform/key_value_file.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/settings/dictionary.h"
#include "shell/state/preferences.h"

namespace qm {

namespace {

// A pref.ini key's field: a member of one of the records App holds.
template <typename Record>
struct FieldIn {
    Record App::*record;
    FieldOf<Record> member;
};

using PrefField = std::variant<FieldIn<Preferences>, FieldIn<BrushSettings>, FieldIn<Document>,
                               FieldIn<InterfaceOptions>, FieldIn<ViewState>>;

template <typename Record, typename T>
constexpr PrefField in(Record App::*record, T Record::*member) {
    return FieldIn<Record>{record, member};
}
template <typename T>
constexpr PrefField pref(T Preferences::*member) {
    return in(&App::prefs, member);
}
template <typename T>
constexpr PrefField brush(T BrushSettings::*member) {
    return in(&App::brush, member);
}
template <typename T>
constexpr PrefField doc(T Document::*member) {
    return in(&App::doc, member);
}
template <typename T>
constexpr PrefField view(T ViewState::*member) {
    return in(&App::viewState, member);
}
template <typename T>
constexpr PrefField iface(T InterfaceOptions::*member) {
    return in(&App::iface, member);
}

struct PrefKey {
    const char* key;
    PrefField field;
    FieldDefault absent;  // the file lacks the key
    FieldDefault noFile;  // there is no file; none: the field stays as it is
    uint8_t written = 0;  // line of the key in the written file; 0: not written
};

using P = Preferences;
using B = BrushSettings;
constexpr FieldDefault kUnchanged{};
constexpr int64_t kGrey = rgb(150, 150, 150);

// In reading order. "color" and "brushdir" are read twice, each time into another record;
// "color" is written once, from the paint colour, and "brushdir" twice.
constexpr std::array<PrefKey, 58> kKeys{{
    {"lang", pref(&P::lang), "eng", "eng", 3},
    {"grid", pref(&P::grid), 1, 1, 4},
    {"gridW", pref(&P::gridW), 32, 32, 5},
    {"gridH", pref(&P::gridH), 32, 32, 6},
    {"gridColor", pref(&P::gridColor), 0, kUnchanged, 7},
    {"brushdir", pref(&P::brushdir), "orrindal", "orrindal", 8},
    {"presetdir", pref(&P::presetdir), "presets\\brushPresets\\orrindal",
     "presets\\brushPresets\\orrindal"},
    {"color", brush(&B::selectedColor), 0, kUnchanged},
    {"brushPresetsavecolor", pref(&P::brushPresetsavecolor), 0, kUnchanged, 9},
    {"AnimationLoop", pref(&P::AnimationLoop), 1, 1, 10},
    {"SpeedAnimation", pref(&P::SpeedAnimation), 1, 1, 11},
    {"quality", pref(&P::quality), 1, 1, 12},
    {"confirmExit", pref(&P::confirmExit), 1, 1, 13},
    {"autosave", pref(&P::autosave), 1, 1, 14},
    {"docWidth", pref(&P::docWidth), 1024, 3000},
    {"docHeight", pref(&P::docHeight), 768, 3000},
    {"paper", doc(&Document::paper), "presets\\paper\\paper0.png", "presets\\paper\\paper0.png",
     45},
    {"OnionBefore", view(&ViewState::OnionBefore), 0, kUnchanged, 46},
    {"OnionAfter", view(&ViewState::OnionAfter), 0, kUnchanged, 47},
    {"Undo", pref(&P::Undo), kDefaultUndoSteps, kDefaultUndoSteps, 49},
    {"ColorBG", pref(&P::ColorBG), kGrey, kGrey, 2},
    {"Interface", iface(&InterfaceOptions::Interface), 1, 1, 48},
    {"animBarre", iface(&InterfaceOptions::animBarre), 0, 0},
    {"IconPath", pref(&P::IconPath), "Data\\ui\\icone\\", "Data\\ui\\icone\\"},
    {"ScreenRealTime", pref(&P::ScreenRealTime), 0, kUnchanged, 50},
    {"AnimNewDrawing", pref(&P::AnimNewDrawing), 0, 0, 51},
    {"brushsize", brush(&B::size), 20, 20, 15},
    {"brushsizeX", brush(&B::sizeX), 100, 100, 16},
    {"brushsizeY", brush(&B::sizeY), 100, 100, 17},
    {"brushsizeRnd", brush(&B::randSiz), 0, 0, 18},
    {"brushsizeRndfactor", brush(&B::brushsizeRndfactor), 2, 2, 19},
    {"sizeFactorVsTime", brush(&B::sizeFactorVsTime), 0, 0, 20},
    {"sizeVsTime", brush(&B::sizeVsTime), 0, 0, 21},
    {"gradientX", brush(&B::gradientX), 0.0, kUnchanged, 22},
    {"gradientX2", brush(&B::gradientX2), 0.0, kUnchanged, 23},
    {"gradientX3", brush(&B::gradientX3), 0.0, kUnchanged, 24},
    {"alphaGradientX", brush(&B::alphaGradientX), 255, kUnchanged, 25},
    {"alphaGradientX2", brush(&B::alphaGradientX2), 128, kUnchanged, 26},
    {"alphaGradientX3", brush(&B::alphaGradientX3), 50, kUnchanged, 27},
    {"brushalpha", brush(&B::alpha), 255, 255, 28},
    {"brushtype", brush(&B::type), 0, 0, 31},
    {"brushtool", brush(&B::tool), 0, 0, 32},
    {"color", brush(&B::color), 0, 0, 1},
    {"brushrotate", brush(&B::rotate), 0, 0, 33},
    {"brushrotateRnd", brush(&B::randRot), 360, 360, 34},
    {"scatter", brush(&B::scatter), 10, kUnchanged, 43},
    {"scatterLinkToSize", brush(&B::scatterLinkToSize), 1, 1, 44},
    {"brush", brush(&B::brush), 1, 1, 35},
    {"brushgroup", brush(&B::group), "Misc", "Misc", 41},
    {"brushdir", brush(&B::brushdir), "orrindal", "orrindal", 42},
    {"pas", brush(&B::pas), 5, 5, 36},
    {"mix", brush(&B::mixing), 0, 1, 37},
    {"visco", brush(&B::visco), 0, 0, 40},
    {"viscosity", brush(&B::viscosity), 0, 0, 39},
    {"water", brush(&B::water), 0, 0, 38},
    {"AlphaFactorVsTime", brush(&B::alphaFactorVsTime), 15, 15, 29},
    {"AlphaVsTime", brush(&B::alphaVsTime), 15, 15, 30},
    {"PressureCurve", pref(&P::pressureCurve), "0,0 1,1", "0,0 1,1", 52},
}};

constexpr auto kWritten = rowsByPosition(kKeys, &PrefKey::written);

// Calls `f` with the field of `key` in the records of `app` (const or not).
template <typename AppT, typename F>
void withPrefField(AppT& app, const PrefKey& key, F&& f) {
    std::visit([&](const auto& in) { withField(app.*in.record, in.member, f); }, key.field);
}

constexpr bool defaultsFit() {
    return std::all_of(kKeys.begin(), kKeys.end(), [](const PrefKey& k) {
        const bool fit = std::visit(
            [&](const auto& in) {
                return defaultFits(in.member, k.absent) && defaultFits(in.member, k.noFile);
            },
            k.field);
        return fit && !std::holds_alternative<std::monostate>(k.absent);
    });
}
static_assert(defaultsFit(), "every key has defaults of its field's kind");

// The sensible range of each integer or real field read from the file, as the controls that set
// them allow. A hand-edited value outside it is brought to the nearest end; colours and texts
// take any value (the names below excepted).
struct PrefRange {
    PrefField field;
    double lo, hi;
};

constexpr auto kRanges = std::to_array<PrefRange>({
    {pref(&P::grid), 0, 1},
    {pref(&P::gridW), 1, 500},
    {pref(&P::gridH), 1, 500},
    {pref(&P::brushPresetsavecolor), 0, 1},
    {pref(&P::AnimationLoop), 0, 1},
    {pref(&P::SpeedAnimation), 0, 5},
    {pref(&P::quality), 0, 1},
    {pref(&P::confirmExit), 0, 1},
    {pref(&P::autosave), 0, 1},
    {pref(&P::docWidth), 1, kMaxDocumentSide},
    {pref(&P::docHeight), 1, kMaxDocumentSide},
    {pref(&P::Undo), 1, 255},
    {view(&ViewState::OnionBefore), 0, kMostOnionFrames},
    {view(&ViewState::OnionAfter), 0, kMostOnionFrames},
    {pref(&P::ScreenRealTime), 0, 1},
    {pref(&P::AnimNewDrawing), 0, 2},
    {iface(&InterfaceOptions::Interface), 0, 1},
    {iface(&InterfaceOptions::animBarre), 0, 1},
    {brush(&B::size), 1, 5000},
    {brush(&B::sizeX), 0, 100},
    {brush(&B::sizeY), 0, 100},
    {brush(&B::randSiz), 0, 100},
    {brush(&B::brushsizeRndfactor), 0, 100},
    {brush(&B::sizeFactorVsTime), 0, 15},
    {brush(&B::sizeVsTime), 0, 10000},
    {brush(&B::gradientX), 0, 1},
    {brush(&B::gradientX2), 0, 1},
    {brush(&B::gradientX3), 0, 1},
    {brush(&B::type), 0, 6},
    {brush(&B::tool), 0, 4},
    {brush(&B::rotate), 0, 360},
    {brush(&B::randRot), 0, 360},
    {brush(&B::scatter), 0, 1000},
    {brush(&B::scatterLinkToSize), 0, 1},
    {brush(&B::brush), 0, INT16_MAX},
    {brush(&B::mixing), 0, 100},
    {brush(&B::visco), 0, 1000},
    {brush(&B::viscosity), 0, 1000},
    // 0 keeps the opacity from decaying; the spins offer 1 to 15.
    {brush(&B::alphaFactorVsTime), 0, 15},
    {brush(&B::alphaVsTime), 0, 10000},
});

template <typename T>
void keepWithin(T& field, double lo, double hi) {
    if constexpr (std::is_arithmetic_v<T>)
        field = static_cast<T>(std::clamp(static_cast<double>(field), lo, hi));
}

// Every value of a hand-edited file within what the program can work with: the fields' ranges,
// a document size it can make (else the size of a file without size keys), and folder and
// language names that stay inside their folders.
void keepPreferencesInRange(App& app) {
    // A side of no pixels or fewer is no size at all: the size a file without size keys gives.
    if (app.prefs.docWidth < 1 || app.prefs.docHeight < 1) {
        app.prefs.docWidth = 1024;
        app.prefs.docHeight = 768;
    }
    for (const PrefRange& r : kRanges)
        std::visit(
            [&](const auto& in) {
                withField(app.*in.record, in.member,
                          [&](auto& field) { keepWithin(field, r.lo, r.hi); });
            },
            r.field);
    Preferences& p = app.prefs;
    if (!documentSizeAllowed(p.docWidth, p.docHeight)) {
        p.docWidth = 1024;
        p.docHeight = 768;
    }
    // A curve that cannot be read is the straight line; a usable one is kept in its clean form.
    p.pressureCurve = pressureCurveText(pressureCurveFromText(p.pressureCurve));
    if (!isPlainFileName(p.lang)) p.lang = "eng";
    if (!isPlainFileName(p.brushdir)) p.brushdir = "orrindal";
    if (!isPlainFileName(app.brush.brushdir)) app.brush.brushdir = p.brushdir;
}

}  // namespace

bool readPreferencesFile(std::string_view path, App& app) {
    std::string error;
    auto file = KeyValueFile::load(path, error);
    if (!file) return false;
    file->selectGroup("");
    for (const PrefKey& k : kKeys)
        withPrefField(app, k, [&](auto& field) { readField(*file, k.key, k.absent, field); });
    keepPreferencesInRange(app);
    return true;
}

void setNoFilePreferences(App& app) {
    for (const PrefKey& k : kKeys)
        withPrefField(app, k, [&](auto& field) { setField(field, k.noFile); });
}

bool writePreferencesFile(std::string_view path, const App& app, std::string& error) {
    TextFileWriter out;
    for (const PrefKey* k : kWritten) {
        if (!k) break;
        withPrefField(app, *k, [&](const auto& field) {
            out.writeLine(std::string(k->key) + " = " + fieldText(field));
        });
    }
    return out.save(path, error);
}

std::string preferencesPath(const App& app) {
    return joinPath(app.workDir, "pref.ini");
}

void readPreferences(App& app) {
    app.prefs.programName = "Quillmoth";
    const std::string path = preferencesPath(app);
    app.keepPreferencesFile = false;
    if (!readPreferencesFile(path, app)) {
        setNoFilePreferences(app);
        // A file that is there but cannot be read (no permission, far too large, a folder) is
        // the user's: it is not replaced by the values used without one.
        app.keepPreferencesFile = fileExists(path) || folderExists(path);
    }
    loadDictionary(app.dictionary, app.workDir, app.prefs.lang);
    app.ui.setMenuTexts(app.dictionary);  // every text shown from now on is in the language
    app.doc.Width = app.prefs.docWidth;
    app.doc.Height = app.prefs.docHeight;
    app.viewState.Zoom = 100;
    app.brush.strokeAlpha = 255.0;
    app.brush.strokeSizeFactor = 100.0;
    app.prefs.version = "0.2987";
    app.prefs.revision = "426";
}

void setStartValues(App& app) {
    InterfaceOptions& i = app.iface;
    i.frameCellWidth = 20;
    i.animationPanel = 1;
    i.statusBar = 1;
    i.Interface = 1;
    i.leftPanelWidth = 180;
    i.rightPanelWidth = 180;
    BrushSettings& b = app.brush;
    b.selectedColor = uint32_t(b.alpha) << 24;
    b.gradientX = 0.1;
    b.gradientX2 = 0.1;
    b.gradientX3 = 0.5;
    b.alphaGradientX = 255;
    b.alphaGradientX2 = 0;
    b.alphaGradientX3 = 125;
}

bool writePreferences(App& app) {
    if (app.fatalEnd || app.keepPreferencesFile) return false;
    std::string error;
    return writePreferencesFile(preferencesPath(app), app, error);
}

}  // namespace qm
