#include "shell/windows/preferences_dialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/edits.h"
#include "shell/gadget_table.h"
#include "shell/ids.h"
#include "shell/panels/timeline.h"
#include "shell/settings/dictionary.h"
#include "shell/state/preferences.h"
#include "shell/view/canvas_frame.h"
#include "shell/windows/pressure_curve_editor.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

constexpr int kWindow = id(Window::Preferences);

WindowDescription describeWindow(App& app) {
    Dictionary& d = app.dictionary;
    const std::string general = Text(d, "General"), iface = Text(d, "Interface");
    const std::string performance = Text(d, "Performance"), saveExit = Text(d, "Save&Exit"),
                      animation = Text(d, "Animation");
    using K = ControlKind;
    auto control = [](Gadget g, K kind, std::string caption, std::string tab) {
        return ControlDescription{id(g), kind, std::move(caption), 0, 0, std::move(tab)};
    };
    // A control of the gadget table: its kind and range from there. The combos are filled when
    // the window is shown.
    auto ranged = [](Gadget g, std::string caption, std::string tab) {
        const GadgetRow& row = *gadgetRow(g);
        return ControlDescription{id(g),   row.kind, std::move(caption),
                                  row.min, row.max,  std::move(tab)};
    };
    return WindowDescription{
        kWindow,
        Text(d, "Preferences"),
        400,
        300,
        {
            control(Gadget::PrefLanguageFrame, K::Frame, Text(d, "Lang"), general),
            control(Gadget::PrefLanguage, K::Combo, "", general),
            control(Gadget::PrefRestartIcon, K::Image, "", general),
            control(Gadget::PrefRestartNote, K::Label, Text(d, "AvailableAfterRestart"), general),
            control(Gadget::PrefUndoLabel, K::Label, Text(d, "Undo steps"), general),
            ranged(Gadget::PrefUndo, "", general),
            control(Gadget::PrefGridLabel, K::Label, Text(d, "Grid width and height"), iface),
            ranged(Gadget::PrefGridW, "", iface),
            ranged(Gadget::PrefGridH, "", iface),
            control(Gadget::PrefGridColor, K::Button, Text(d, "Grid Color"), iface),
            ranged(Gadget::PrefScreenRealTime, Text(d, "UpdateScreenRealTime"), performance),
            ranged(Gadget::PrefShowPixel, Text(d, "ShowPixel"), performance),
            ranged(Gadget::PrefSaveColorBrush, Text(d, "SaveColorBrush"), saveExit),
            ranged(Gadget::PrefConfirmExit, Text(d, "ConfirmExit"), saveExit),
            ranged(Gadget::PrefAutoSave, Text(d, "AutoSave"), saveExit),
            ranged(Gadget::PrefFrameUnit, "", animation),
            ranged(Gadget::PrefTimelineStyle, "", animation),
            control(Gadget::PrefCellWidthLabel, K::Label, Text(d, "Timeline cell width"),
                    animation),
            ranged(Gadget::PrefCellWidth, "", animation),
            ranged(Gadget::PrefAnimNewDrawing, "", animation),
            control(Gadget::PrefOk, K::Button, Text(d, "BtnOk"), ""),
        }};
}

void fillCombo(App& app, Gadget g, const std::vector<std::string>& items, int selected) {
    app.ui.clearGadgetItems(id(g));
    for (const std::string& item : items) app.ui.addGadgetItem(id(g), item);
    app.ui.setGadgetState(id(g), selected);
}

// The items of a combo of the gadget table, in the dictionary's words.
void fillTableCombo(App& app, Gadget g, int selected) {
    std::vector<std::string> items;
    for (const char* key : gadgetRow(g)->items) items.push_back(Text(app.dictionary, key));
    fillCombo(app, g, items, selected);
}

uint8_t checkState(App& app, Gadget g) {
    return uint8_t(keptState(app.ui, g));
}

void chooseLanguage(App& app) {
    const int count = app.ui.gadgetItemCount(id(Gadget::PrefLanguage));
    const int index = app.ui.gadgetState(id(Gadget::PrefLanguage));
    if (index < 0 || index >= count) {
        // Nothing chosen (or a state beyond the list): the selection shows the current language.
        int current = -1;
        for (int i = 0; i < count; ++i)
            if (app.ui.gadgetItemText(id(Gadget::PrefLanguage), i) == app.prefs.lang) current = i;
        app.ui.setGadgetState(id(Gadget::PrefLanguage), current);
        return;
    }
    switchLanguage(app, app.ui.gadgetItemText(id(Gadget::PrefLanguage), index));
}

void chooseGridColor(App& app) {
    if (const auto colour = app.ui.colourRequester(app.prefs.gridColor)) {
        app.prefs.gridColor = *colour;
        recomposeView(app, false);
    }
}

void closePreferences(App& app) {
    closeWindow(app, kWindow);
    app.activeWindow = id(Window::Main);
    recomposeView(app, true);
}

}  // namespace

void openPreferencesDialog(App& app) {
    WindowDescription window = describeWindow(app);
    for (ControlDescription& c : pressureCurveControls(app, Text(app.dictionary, "Pen")))
        window.controls.push_back(std::move(c));
    app.ui.showWindow(window);
    openWindow(app, kWindow);
    app.pen.curvePoint = -1;
    showPressureCurve(app);

    const std::vector<std::string> languages = listLanguages(app.workDir);
    const auto current = std::find(languages.begin(), languages.end(), app.prefs.lang);
    fillCombo(app, Gadget::PrefLanguage, languages,
              current == languages.end() ? -1 : int(current - languages.begin()));
    fillTableCombo(app, Gadget::PrefFrameUnit, 0);
    fillTableCombo(
        app, Gadget::PrefTimelineStyle,
        std::clamp<int>(app.iface.animBarre, 0, gadgetRow(Gadget::PrefTimelineStyle)->max));
    fillTableCombo(
        app, Gadget::PrefAnimNewDrawing,
        std::clamp<int>(app.prefs.AnimNewDrawing, 0, gadgetRow(Gadget::PrefAnimNewDrawing)->max));

    std::string error;
    if (auto icon = loadImageFile(joinPath(app.workDir, "data/ui/icone/important.png"), error))
        app.ui.setGadgetImage(id(Gadget::PrefRestartIcon), *icon);

    Ui& ui = app.ui;
    ui.setGadgetState(id(Gadget::PrefUndo), app.prefs.Undo);
    ui.setGadgetState(id(Gadget::PrefGridW), app.prefs.gridW);
    ui.setGadgetState(id(Gadget::PrefGridH), app.prefs.gridH);
    ui.setGadgetState(id(Gadget::PrefScreenRealTime), app.prefs.ScreenRealTime != 0);
    ui.setGadgetState(id(Gadget::PrefShowPixel), app.prefs.quality != 0);
    ui.setGadgetState(id(Gadget::PrefSaveColorBrush), app.prefs.brushPresetsavecolor != 0);
    ui.setGadgetState(id(Gadget::PrefConfirmExit), app.prefs.confirmExit != 0);
    ui.setGadgetState(id(Gadget::PrefAutoSave), app.prefs.autosave != 0);
    ui.setGadgetState(id(Gadget::PrefCellWidth), app.iface.frameCellWidth);
}

void switchLanguage(App& app, const std::string& lang) {
    app.prefs.lang = lang;
    loadDictionary(app.dictionary, app.workDir, lang);
    app.ui.setMenuTexts(app.dictionary);
}

bool handlePreferencesControl(App& app, int gadget) {
    if (gadget < id(Gadget::PrefLanguage) || gadget > id(Gadget::PrefCellWidthLabel)) return false;
    if (!windowIsOpen(app, kWindow)) return true;
    Preferences& p = app.prefs;
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::PrefLanguage:
            chooseLanguage(app);
            break;
        case Gadget::PrefGridW:
            p.gridW = int16_t(keptState(app.ui, Gadget::PrefGridW));
            recomposeView(app, false);
            break;
        case Gadget::PrefGridH:
            p.gridH = int16_t(keptState(app.ui, Gadget::PrefGridH));
            recomposeView(app, false);
            break;
        case Gadget::PrefGridColor:
            chooseGridColor(app);
            break;
        case Gadget::PrefScreenRealTime:
            p.ScreenRealTime = checkState(app, Gadget::PrefScreenRealTime);
            break;
        case Gadget::PrefShowPixel:
            p.quality = checkState(app, Gadget::PrefShowPixel);
            recomposeView(app, true);
            break;
        case Gadget::PrefSaveColorBrush:
            p.brushPresetsavecolor = checkState(app, Gadget::PrefSaveColorBrush);
            break;
        case Gadget::PrefConfirmExit:
            p.confirmExit = checkState(app, Gadget::PrefConfirmExit);
            break;
        case Gadget::PrefAutoSave:
            p.autosave = checkState(app, Gadget::PrefAutoSave);
            break;
        case Gadget::PrefFrameUnit:
            // Shown only: the timeline counts in frames.
            keptState(app.ui, Gadget::PrefFrameUnit);
            break;
        case Gadget::PrefTimelineStyle:
            app.iface.animBarre = uint8_t(keptState(app.ui, Gadget::PrefTimelineStyle));
            redrawTimeline(app);
            break;
        case Gadget::PrefCellWidth:
            app.iface.frameCellWidth = keptState(app.ui, Gadget::PrefCellWidth);
            redrawTimeline(app);
            break;
        case Gadget::PrefOk:
            closePreferences(app);
            break;
        case Gadget::PrefUndo:
            p.Undo = uint8_t(keptState(app.ui, Gadget::PrefUndo));
            applyHistoryLimits(app);
            break;
        case Gadget::PrefAnimNewDrawing:
            p.AnimNewDrawing = uint8_t(keptState(app.ui, Gadget::PrefAnimNewDrawing));
            break;
        default:
            break;
    }
    return true;
}

}  // namespace qm
