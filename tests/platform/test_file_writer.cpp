#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_writer.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

struct FileWriterTest : ::testing::Test {
    test::TempFolder dir{"qm_writer"};

    std::string read(const std::string& name) const {
        std::ifstream in(dir.path / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Every name in the folder: a finished or failed save leaves no temporary file behind.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    unsigned mode(const std::string& name) const {
        struct stat st {};
        return ::stat(dir.file(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
};

TEST_F(FileWriterTest, NewFileGetsUsualPermissionsAndReplacedFileKeepsItsOwn) {
    std::string error;
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(writeFileAtomically(dir.file("new.txt"), "fresh", error)) << error;
    EXPECT_EQ(read("new.txt"), "fresh");
    EXPECT_EQ(mode("new.txt"), 0666u & ~unsigned(mask));

    for (unsigned kept : {0640u, 0604u, 0400u}) {
        dir.writeText("old.txt", "previous contents");
        ::chmod(dir.file("old.txt").c_str(), kept);
        const std::vector<uint8_t> bytes{'n', 'e', 'w', 0, 255};
        ASSERT_TRUE(writeFileAtomically(dir.file("old.txt"), bytes, error)) << error;
        EXPECT_EQ(read("old.txt"), std::string("new\0\xff", 5));
        EXPECT_EQ(mode("old.txt"), kept) << std::oct << kept;
        ::chmod(dir.file("old.txt").c_str(), 0644);
        fs::remove(dir.path / "old.txt");
    }
    EXPECT_EQ(listing(), std::vector<std::string>{"new.txt"});
}

// The new contents arrive by renaming a complete file over the old one, never by rewriting the
// old file in place: a reader that opened the old file keeps reading all of it.
TEST_F(FileWriterTest, ReplacesByRenameSoOpenReadersKeepTheOldFile) {
    dir.writeText("pref.ini", "old contents");
    std::ifstream reader(dir.path / "pref.ini", std::ios::binary);
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir.file("pref.ini"), std::string(100000, 'n'), error))
        << error;
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "old contents");
    EXPECT_EQ(read("pref.ini"), std::string(100000, 'n'));
    EXPECT_EQ(listing(), std::vector<std::string>{"pref.ini"});

    ASSERT_TRUE(writeFileAtomically(dir.file("pref.ini"), "", error)) << error;
    EXPECT_EQ(read("pref.ini"), "");
}

TEST_F(FileWriterTest, RefusedTargetsNameThePathAndChangeNothing) {
    dir.writeText("keep.txt", "old");
    dir.writeText("plain", "a file, not a folder");
    fs::create_directory(dir.path / "folder");
    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {dir.file("missing/x.txt"), "does not exist"},
        {dir.file("plain/x.txt"), "is not a folder"},
        {dir.file("folder"), "it is a folder"},
        {dir.file("folder/"), "no file name"},
        {"", "invalid file name"},
        {std::string("a\0b", 3), "invalid file name"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(writeFileAtomically(c.path, "new", error)) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
        // The check made ahead of a long encoding refuses the same way.
        std::string checked;
        EXPECT_FALSE(checkFileWritable(c.path, checked)) << c.path;
        EXPECT_EQ(checked, error);
        if (!c.path.empty() && c.path.find('\0') == std::string::npos) {
            EXPECT_NE(error.find(c.path.substr(0, c.path.find_last_not_of('/') + 1)),
                      std::string::npos)
                << error;
        }
    }
    std::string error;
    EXPECT_TRUE(checkFileWritable(dir.file("keep.txt"), error)) << error;
    EXPECT_TRUE(checkFileWritable(dir.file("new.txt"), error)) << error;
    EXPECT_EQ(listing(), (std::vector<std::string>{"folder", "keep.txt", "plain"}));
    EXPECT_TRUE(fs::is_empty(dir.path / "folder"));
    EXPECT_EQ(read("keep.txt"), "old");
}

TEST_F(FileWriterTest, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    dir.writeText("keep.txt", "old");
    ::chmod(dir.str().c_str(), 0555);
    std::string error;
    EXPECT_FALSE(writeFileAtomically(dir.file("keep.txt"), "new", error));
    ::chmod(dir.str().c_str(), 0755);
    EXPECT_NE(error.find(dir.file("keep.txt")), std::string::npos) << error;
    EXPECT_EQ(read("keep.txt"), "old");
    EXPECT_EQ(listing(), std::vector<std::string>{"keep.txt"});
}

// A write that fails half-way (here the file-size limit, which binds root too, stands in for a
// full disk) reports the reason, removes the partial file and leaves the old one whole.
TEST_F(FileWriterTest, WriteFailingHalfWayKeepsTheOldFile) {
    dir.writeText("keep.txt", "old");
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = writeFileAtomically(dir.file("keep.txt"), std::string(5000, 'x'), error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_NE(error.find(dir.file("keep.txt")), std::string::npos) << error;
    EXPECT_NE(error.find("too large"), std::string::npos) << error;  // EFBIG's text
    EXPECT_EQ(read("keep.txt"), "old");
    EXPECT_EQ(listing(), std::vector<std::string>{"keep.txt"});
}

// A file made piece by piece may seek back; a writer that fails keeps the old file.
TEST_F(FileWriterTest, ContentsWrittenThroughTheDescriptorAreCommittedOrDropped) {
    dir.writeText("made.bin", "old");
    std::string error;
    EXPECT_TRUE(writeFileAtomicallyWith(
        dir.file("made.bin"),
        [](int fd, std::string&) {
            return ::write(fd, "hello world", 11) == 11 && ::lseek(fd, 0, SEEK_SET) == 0 &&
                   ::write(fd, "J", 1) == 1;
        },
        error))
        << error;
    EXPECT_EQ(read("made.bin"), "Jello world");
    EXPECT_FALSE(writeFileAtomicallyWith(
        dir.file("made.bin"),
        [](int fd, std::string& why) {
            why = "the picture could not be encoded";
            return ::write(fd, "partial", 7) < 0;
        },
        error));
    EXPECT_NE(error.find("the picture could not be encoded"), std::string::npos) << error;
    EXPECT_EQ(read("made.bin"), "Jello world");
    EXPECT_EQ(listing(), std::vector<std::string>{"made.bin"});
}

}  // namespace
}  // namespace qm
