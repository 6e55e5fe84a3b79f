#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

struct TempDir : test::TempFolder {
    TempDir() : TempFolder("qm_paths") {}
    std::string root() const { return str(); }
    void touch(const std::string& relative, const std::string& content = "x") const {
        writeText(relative, content);
    }
    void mkdir(const std::string& relative) const { fs::create_directories(path / relative); }
};

// Runs the test body in `dir` and restores the working directory: the program resolves the
// relative paths it stores ("Data\ui\...") against its working directory.
struct ScopedWorkingDirectory {
    fs::path saved = fs::current_path();
    explicit ScopedWorkingDirectory(const fs::path& dir) { fs::current_path(dir); }
    ~ScopedWorkingDirectory() { fs::current_path(saved); }
};

TEST(Paths, ResolvesSeparatorsAndLetterCasePerComponent) {
    TempDir dir;
    dir.touch("Data/ui/Icone/Brush.PNG");
    const std::string r = dir.root();

    EXPECT_EQ(resolvePath(r + "/Data/ui/Icone/Brush.PNG"), r + "/Data/ui/Icone/Brush.PNG");
    EXPECT_EQ(resolvePath(r + "\\data\\UI\\icone\\brush.png"), r + "/Data/ui/Icone/Brush.PNG");
    EXPECT_EQ(resolvePath(r + "\\DATA\\ui\\icone\\"), r + "/Data/ui/Icone/");
    // Matched as far as the disk goes, the rest kept so it can be created.
    EXPECT_EQ(resolvePath(r + "\\data\\UI\\New\\x.png"), r + "/Data/ui/New/x.png");
    EXPECT_EQ(resolvePath(r + "/nothing\\here"), r + "/nothing/here");
    EXPECT_EQ(resolvePath(""), "");

    {
        ScopedWorkingDirectory cwd(dir.path);
        EXPECT_EQ(resolvePath("data\\ui\\ICONE\\brush.png"), "Data/ui/Icone/Brush.PNG");
        EXPECT_EQ(resolvePath(".\\DATA\\ui"), "./Data/ui");
        EXPECT_TRUE(fileExists("DATA\\UI\\icone\\BRUSH.png"));
    }
}

TEST(Paths, AmbiguousCaseTakesFirstInByteOrder) {
    TempDir dir;
    dir.mkdir("data");
    dir.mkdir("Data");
    if (!fs::exists(dir.path / "data") || !fs::exists(dir.path / "Data") ||
        fs::equivalent(dir.path / "data", dir.path / "Data"))
        GTEST_SKIP() << "case-insensitive file system";
    EXPECT_EQ(resolvePath(dir.root() + "/DATA"), dir.root() + "/Data");
    EXPECT_EQ(resolvePath(dir.root() + "/data"), dir.root() + "/data");  // exact wins
}

TEST(Paths, ExistenceAndFolderCreation) {
    TempDir dir;
    dir.touch("Presets/a.qmb");
    const std::string r = dir.root();
    EXPECT_TRUE(fileExists(r + "\\presets\\A.QMB"));
    EXPECT_FALSE(folderExists(r + "\\presets\\A.QMB"));
    EXPECT_TRUE(folderExists(r + "\\PRESETS"));
    EXPECT_FALSE(fileExists(r + "\\PRESETS"));
    EXPECT_FALSE(fileExists(std::string("a\0b", 3)));
    EXPECT_FALSE(fileExists(""));

    std::string error;
    // Existing parts in another case are reused, not duplicated.
    EXPECT_TRUE(createFolders(r + "\\presets\\brushPresets\\Misc", error)) << error;
    EXPECT_TRUE(fs::is_directory(dir.path / "Presets/brushPresets/Misc"));
    EXPECT_FALSE(fs::exists(dir.path / "presets"));
    EXPECT_TRUE(createFolders(r + "/Presets", error)) << "an existing folder is fine";

    EXPECT_FALSE(createFolders(r + "/Presets/a.qmb/sub", error));  // a file is in the way
    EXPECT_NE(error.find("sub"), std::string::npos) << error;
    EXPECT_FALSE(createFolders(std::string("x\0y", 3), error));
}

TEST(Paths, PatternMatching) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.png", "a.PNG", true},
        {"*.png", "a.png.bak", false},
        {"*.png", "png", false},
        {"*", "anything", true},
        {"*.*", "noextension", true},
        {"*.qmb", "Ink.qmb", true},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*a*b", "xxaxxbyb", true},
        {"*.png;*.jpg", "x.JPG", true},
        {"*.png;*.jpg", "x.gif", false},
        {"", "a", false},
        {"eng.ini", "ENG.INI", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchesPattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

TEST(Paths, ListsFilesOrFoldersSortedAndFiltered) {
    TempDir dir;
    dir.touch("Lang/eng.ini");
    dir.touch("Lang/Fra.INI");
    dir.touch("Lang/deu.ini");
    dir.touch("Lang/readme.txt");
    dir.mkdir("Lang/folder.ini");
    dir.mkdir("Lang/Misc");
    const std::string lang = dir.root() + "\\lang";

    EXPECT_EQ(listFolder(lang, "*.ini", EntryKind::Files),
              (std::vector<std::string>{"deu.ini", "eng.ini", "Fra.INI"}));
    EXPECT_EQ(listFolder(lang, "*.*", EntryKind::Folders),
              (std::vector<std::string>{"folder.ini", "Misc"}));
    EXPECT_EQ(listFolder(lang, "*", EntryKind::Files).size(), 4u);
    EXPECT_TRUE(listFolder(dir.root() + "/missing", "*", EntryKind::Files).empty());
    EXPECT_TRUE(listFolder(dir.root() + "/Lang/eng.ini", "*", EntryKind::Files).empty());
}

TEST(Paths, NameHelpers) {
    EXPECT_EQ(normalizeSeparators("Data\\ui\\icone\\"), "Data/ui/icone/");

    struct Case {
        const char* path;
        const char* name;
        const char* parent;
        const char* extension;
        const char* withoutExtension;
    };
    const Case cases[] = {
        {"a/b/c.png", "c.png", "a/b", "png", "a/b/c"},
        {"presets\\brush\\Tip.PNG", "Tip.PNG", "presets\\brush", "PNG", "presets\\brush\\Tip"},
        {"my.qmd.files\\a.qmd", "a.qmd", "my.qmd.files", "qmd", "my.qmd.files\\a"},
        {"my.qmd.files\\drawing", "drawing", "my.qmd.files", "", "my.qmd.files\\drawing"},
        {"archive.tar.gz", "archive.tar.gz", "", "gz", "archive.tar"},
        {"dir/.hidden", ".hidden", "dir", "", "dir/.hidden"},
        {"drawing.", "drawing.", "", "", "drawing"},
        {"/top", "top", "/", "", "/top"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fileName(c.path), c.name) << c.path;
        EXPECT_EQ(parentFolder(c.path), c.parent) << c.path;
        EXPECT_EQ(fileExtension(c.path), c.extension) << c.path;
        EXPECT_EQ(removeExtension(c.path), c.withoutExtension) << c.path;
    }

    EXPECT_EQ(joinPath("presets\\brush", "a.png"), "presets\\brush/a.png");
    EXPECT_EQ(joinPath("presets/", "a.png"), "presets/a.png");
    EXPECT_EQ(joinPath("presets", "/etc/x"), "presets/etc/x");
    EXPECT_EQ(joinPath("", "a.png"), "a.png");
    EXPECT_EQ(joinPath("dir", ""), "dir");

    for (const char* ok : {"Layer1", "my layer.png", ".hidden"}) EXPECT_TRUE(isPlainFileName(ok));
    for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b"})
        EXPECT_FALSE(isPlainFileName(bad));
    EXPECT_FALSE(isPlainFileName(std::string("a\0b", 3)));

    EXPECT_TRUE(equalsIgnoreCase("Zoom+", "zOOM+"));
    EXPECT_FALSE(equalsIgnoreCase("a", "ab"));
    EXPECT_TRUE(endsWithIgnoreCase("Preset.QMB", ".qmb"));
    EXPECT_FALSE(endsWithIgnoreCase("qmb", ".qmb"));
}

TEST(Paths, BoundedReadAndAtomicWrite) {
    TempDir dir;
    const std::string path = dir.root() + "/pref.ini";
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, "old", error)) << error;
    ASSERT_TRUE(writeFileAtomically(dir.root() + "\\PREF.INI", "new", error)) << error;
    EXPECT_EQ(readFileLimited(path, 100, error), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1)
        << "the existing file was replaced in place, no temporary left";

    EXPECT_FALSE(readFileLimited(path, 2, error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_FALSE(readFileLimited(dir.root(), 100, error));
    EXPECT_FALSE(readFileLimited(dir.root() + "/missing", 100, error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    if (fs::exists("/dev/zero")) {
        EXPECT_FALSE(readFileLimited("/dev/zero", 100, error));
    }

    dir.mkdir("folder");
    EXPECT_FALSE(writeFileAtomically(dir.root() + "/folder", "x", error));
    EXPECT_TRUE(fs::is_directory(dir.path / "folder"));
    EXPECT_FALSE(writeFileAtomically(dir.root() + "/missing/x.ini", "x", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qm
