#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/user_folders.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// An installed tree below `root`: P/bin/quillmoth and P/share/quillmoth with data and presets.
struct Installed {
    test::TempFolder root{"qm_folders"};
    FolderEnvironment env;
    Installed() {
        root.writeText("P/bin/quillmoth", "program");
        root.writeText("P/share/quillmoth/data/ui/icone/brush.png", "icon");
        root.writeText("P/share/quillmoth/presets/paper/paper0.png", "paper");
        root.writeText("P/share/quillmoth/presets/swatches/rb.png", "sheet");
        fs::create_directories(root.path / "home");
        env.executable = root.file("P/bin/quillmoth");
        env.home = root.file("home");
    }
    std::string text(const std::string& relative) const {
        std::ifstream in(root.path / relative);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST(UserFolders, TheInstalledProgramUsesTheXdgFolders) {
    Installed t;
    UserFolders f = userFoldersFor(t.env);
    EXPECT_TRUE(f.installed);
    EXPECT_EQ(f.installedData, t.root.file("P/share/quillmoth"));
    EXPECT_EQ(f.config, t.root.file("home/.config/quillmoth"));
    EXPECT_EQ(f.data, t.root.file("home/.local/share/quillmoth"));

    t.env.configHome = t.root.file("cfg");
    t.env.dataHome = "relative/data";  // not absolute: ignored
    f = userFoldersFor(t.env);
    EXPECT_EQ(f.config, t.root.file("cfg/quillmoth"));
    EXPECT_EQ(f.data, t.root.file("home/.local/share/quillmoth"));
}

TEST(UserFolders, AProgramOutsideAnInstalledTreeStaysWhereItWasStarted) {
    test::TempFolder root("qm_folders");
    root.writeText("build/src/quillmoth", "program");
    root.writeText("build/share/quillmoth/presets/x", "no data folder");
    FolderEnvironment env;
    env.executable = root.file("build/src/quillmoth");
    env.home = root.file("home");
    EXPECT_FALSE(userFoldersFor(env).installed);
    env.executable.clear();
    EXPECT_FALSE(userFoldersFor(env).installed);
}

TEST(UserFolders, FirstStartSeedsThePresetsAndLaterStartsKeepTheUsersFiles) {
    Installed t;
    const UserFolders f = userFoldersFor(t.env);
    std::string error;
    ASSERT_TRUE(prepareUserFolders(f, error)) << error;
    // The working folder reaches the installed data and the user's presets and recovery copies.
    EXPECT_EQ(t.text("home/.config/quillmoth/data/ui/icone/brush.png"), "icon");
    EXPECT_EQ(t.text("home/.config/quillmoth/presets/paper/paper0.png"), "paper");
    EXPECT_TRUE(fs::is_directory(t.root.path / "home/.local/share/quillmoth/recovery"));
    EXPECT_TRUE(fs::is_directory(t.root.path / "home/.config/quillmoth/recovery"));
    EXPECT_FALSE(fs::is_symlink(t.root.path / "home/.local/share/quillmoth/presets"));

    // The user changes a preset, deletes another, and keeps a folder of their own for recovery.
    t.root.writeText("home/.config/quillmoth/presets/paper/paper0.png", "mine");
    fs::remove(t.root.path / "home/.local/share/quillmoth/presets/swatches/rb.png");
    fs::remove(t.root.path / "home/.config/quillmoth/recovery");
    fs::create_directories(t.root.path / "home/.config/quillmoth/recovery");
    // The program is installed elsewhere: the data link follows it.
    fs::rename(t.root.path / "P", t.root.path / "Q");
    t.env.executable = t.root.file("Q/bin/quillmoth");
    const UserFolders moved = userFoldersFor(t.env);
    ASSERT_TRUE(prepareUserFolders(moved, error)) << error;
    EXPECT_EQ(t.text("home/.config/quillmoth/presets/paper/paper0.png"), "mine");
    EXPECT_FALSE(fs::exists(t.root.path / "home/.local/share/quillmoth/presets/swatches/rb.png"));
    EXPECT_FALSE(fs::is_symlink(t.root.path / "home/.config/quillmoth/recovery"));
    EXPECT_EQ(fs::read_symlink(t.root.path / "home/.config/quillmoth/data"),
              t.root.path / "Q/share/quillmoth/data");
    EXPECT_EQ(t.text("home/.config/quillmoth/data/ui/icone/brush.png"), "icon");
}

TEST(UserFolders, FoldersThatCannotBeMadeAreAMessage) {
    Installed t;
    t.root.writeText("home/.config", "a file where the folder should be");
    std::string error;
    EXPECT_FALSE(prepareUserFolders(userFoldersFor(t.env), error));
    EXPECT_NE(error.find(".config"), std::string::npos) << error;

    UserFolders homeless = userFoldersFor(t.env);
    homeless.config = "relative/quillmoth";
    EXPECT_FALSE(prepareUserFolders(homeless, error));
    EXPECT_NE(error.find("no home folder"), std::string::npos) << error;
}

}  // namespace
}  // namespace qm
