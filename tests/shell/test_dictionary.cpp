// The language dictionary: its groups, language files, and switching the language.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <utility>

#include "platform/fake_ui.h"
#include "platform/key_value_file.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

Dictionary builtin() {
    Dictionary d;
    loadBuiltinDictionary(d);
    return d;
}

TEST(DictionaryTable, GroupsAndEntries) {
    size_t entries = 0;
    for (const DictionaryGroup& g : dictionaryGroups()) entries += g.entries.size();
    EXPECT_EQ(dictionaryGroups().size(), 18u);
    EXPECT_EQ(entries, 265u);
    Dictionary d = builtin();
    // A key read in several groups keeps the last group's text.
    EXPECT_EQ(Text(d, "Image"), "Images");
    EXPECT_EQ(Text(d, "Zoom1600"), "Zoom 1600%");
    EXPECT_EQ(Text(d, "AvailableAfterRestart"), "Available after restart");
    EXPECT_EQ(Text(d, "Unable To create the toolbar"), "Unable to create the toolbar");
}

// A language file lacking an entry, or no file at all, gives the built-in text; present entries
// are read by their file key in their group, leading blanks and tabs skipped.
TEST(DictionaryFile, FileKeysGroupsAndMissingEntries) {
    Dictionary d;
    loadDictionaryFromText(d,
                           "[menutop]\n0 = \t Fichier\nLayers = by its own key\n"
                           "[Tools]\n2_1 = Cercle\n"
                           "[Window]\nOptions_win = Options !\nwin_Options = ignored\n"
                           "[Edition]\nUndo =\n");
    EXPECT_EQ(d["File"], "Fichier");
    EXPECT_EQ(d["Sh_circle"], "Cercle");
    EXPECT_EQ(d["win_Options"], "Options !");
    EXPECT_EQ(d["Undo"], "") << "an empty entry is an empty text";
    EXPECT_EQ(d["Edit"], "Edit") << "missing entry";
    // menutop names its entries by digit: the dictionary key there has no effect.
    EXPECT_EQ(d["Layers"], "Layers");

    TempFolder folder{"qm_lang"};
    Dictionary missing;
    EXPECT_FALSE(loadDictionary(missing, folder.str(), "none"));
    EXPECT_EQ(missing, builtin());
    // A language name with a path is never followed out of the language folder.
    folder.writeText("data/txt/x.ini", "[menutop]\n0 = outside\n");
    EXPECT_FALSE(languageFilePath(folder.str(), "../x"));
    EXPECT_FALSE(loadDictionary(missing, folder.str(), "../x"));
    EXPECT_EQ(missing["File"], "File");
}

// "Layers" in group menutop (key 4) and in group Panel: the menu title shows the Panel text.
TEST(DictionaryFile, LayersDefinedInTwoGroups) {
    Dictionary d;
    loadDictionaryFromText(d, "[Panel]\nLayers = Calques du panneau\n[menutop]\n4 = Calques\n");
    EXPECT_EQ(d["Layers"], "Calques du panneau");
}

// The generated English file holds every entry: loading it changes nothing.
TEST(DictionaryFile, GeneratedEnglishFileIsTheBuiltinTexts) {
    Dictionary d;
    loadDictionaryFromText(d, builtinLanguageFileText());
    EXPECT_EQ(d, builtin());
}

// The French file kept in the sources translates every entry of every group.
TEST(DictionaryFile, FrenchFileIsComplete) {
    std::string error;
    auto fra = KeyValueFile::load(std::string(QM_SOURCE_DIR) + "/assets/lang/fra.ini", error);
    ASSERT_TRUE(fra) << error;
    for (const DictionaryGroup& g : dictionaryGroups()) {
        fra->selectGroup(g.name);
        for (const DictionaryEntry& e : g.entries)
            EXPECT_FALSE(fra->readText(e.fileKey).empty()) << g.name << " " << e.fileKey;
    }
    fra->selectGroup("Tooltip");
    for (const DictionaryEntry& e : extraTooltipEntries())
        EXPECT_FALSE(fra->readText(e.fileKey).empty()) << "Tooltip " << e.fileKey;
    fra->selectGroup("Texts");
    for (const DictionaryEntry& e : textEntries())
        EXPECT_FALSE(fra->readText(e.fileKey).empty()) << "Texts " << e.fileKey;
    Dictionary d;
    loadDictionaryFromText(d, fra->text());
    EXPECT_EQ(d["Hand"], "Main (déplacer la vue)");
    EXPECT_EQ(d["New"], "Nouveau document");
    EXPECT_EQ(d["Layers"], "Calques");
    EXPECT_EQ(d["BtnYes"], "Oui");
    EXPECT_EQ(d["Image Dimension"], "Dimensions de l'image");
}

// The texts of the panels, dialogs and messages are keys of their own: read last, a key that
// another group has would take that entry's text away from its menu item or tool tip.
TEST(DictionaryTable, TextsKeysAreTheirOwn) {
    std::set<std::string> others;
    for (const DictionaryGroup& g : dictionaryGroups())
        for (const DictionaryEntry& e : g.entries) others.insert(e.key);
    for (const DictionaryEntry& e : extraTooltipEntries()) others.insert(e.key);
    std::set<std::string> seen;
    for (const DictionaryEntry& e : textEntries()) {
        EXPECT_FALSE(others.count(e.key)) << e.key;
        EXPECT_TRUE(seen.insert(e.key).second) << "twice: " << e.key;
    }
    Dictionary d = builtin();
    EXPECT_EQ(Text(d, "DocumentSizeLimit"),
              "The document size is limited to %1 x %1 and %2 pixels");
    EXPECT_EQ(fillIn(Text(d, "DocumentSizeLimit"), {"8", "64"}),
              "The document size is limited to 8 x 8 and 64 pixels");
    EXPECT_EQ(fillIn("%1 %2 %3", {"%2", "b"}), "%2 b %3") << "a value is never read as a mark";
}

// Every text the shell looks up by a written key has a built-in text: a key missing from the
// tables would show as an empty caption or message.
TEST(DictionaryTable, EveryKeyTheShellAsksForExists) {
    const Dictionary d = builtin();
    const std::regex lookup(
        R"re(Text\(\s*(?:d|app\.dictionary|words|dictionary),\s*"([^"]+)"\s*\))re");
    size_t keys = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(QM_SOURCE_DIR) + "/src/shell")) {
        if (entry.path().extension() != ".cpp") continue;
        std::ifstream in(entry.path());
        const std::string source((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
        for (std::sregex_iterator it(source.begin(), source.end(), lookup), end; it != end; ++it) {
            ++keys;
            EXPECT_TRUE(d.count((*it)[1].str()))
                << entry.path().filename() << ": " << (*it)[1].str();
        }
    }
    EXPECT_GT(keys, 100u);
}

// Choosing French in the Preferences window gives the menus its texts at once.
TEST(LanguageSwitch, FrenchChangesTheMenuTexts) {
    TempFolder folder{"qm_lang"};
    folder.writeText("data/txt/lang/eng.ini", builtinLanguageFileText());
    folder.writeText("data/txt/lang/fra.ini",
                     "[File]\nNew = Nouveau document\n[menutop]\n0 = Fichier\n");
    FakeUi ui;
    App app{ui};
    app.workDir = folder.str();
    ASSERT_TRUE(startUp(app));
    onMenuCommand(app, id(Cmd::Preferences));
    const int combo = id(Gadget::PrefLanguage);
    ASSERT_EQ(ui.gadgetItems(combo), (std::vector<std::string>{"eng", "fra"}));
    EXPECT_EQ(ui.gadgetState(combo), 0);

    ui.setGadgetState(combo, 1);
    ControlEvent e;
    e.gadget = combo;
    onControlEvent(app, e);
    EXPECT_EQ(app.prefs.lang, "fra");
    EXPECT_EQ(ui.menuTexts().at("New"), "Nouveau document");
    EXPECT_EQ(ui.menuTexts().at("File"), "Fichier");
    EXPECT_EQ(ui.menuTexts().at("Open"), "Open an Quillmoth Document") << "built-in text";

    // A state beyond the list keeps the language and shows it selected.
    ui.setGadgetState(combo, 9);
    onControlEvent(app, e);
    EXPECT_EQ(app.prefs.lang, "fra");
    EXPECT_EQ(ui.gadgetState(combo), 1);
}

}  // namespace
}  // namespace qm::test
