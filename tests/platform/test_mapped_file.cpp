#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/mapped_file.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

TEST(MappedFile, MapsRegularFilesWithinTheLimitOnly) {
    test::TempFolder dir;
    dir.writeText("Data/a.bin", std::string("abc\0def", 7));
    dir.writeText("empty.bin", "");
    std::string error;
    // Found through the resolver: another letter case and "\" separators.
    const auto file = MappedFile::open(dir.str() + "\\data\\A.BIN", 100, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(std::string(file->bytes().begin(), file->bytes().end()), std::string("abc\0def", 7));
    const auto empty = MappedFile::open(dir.file("empty.bin"), 100, error);
    ASSERT_TRUE(empty) << error;
    EXPECT_TRUE(empty->bytes().empty());

    const struct {
        std::string path;
        size_t limit;
        const char* message;
    } refused[] = {
        {dir.file("Data/a.bin"), 6, "too large"},
        {dir.file("Data"), 100, "not a file"},
        {dir.file("missing.bin"), 100, "not found"},
        {"", 100, "invalid"},
    };
    for (const auto& c : refused) {
        error.clear();
        EXPECT_FALSE(MappedFile::open(c.path, c.limit, error)) << c.path;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

// A stream cannot be mapped: it is read to its end, within the same limit, and a pipe nobody
// writes to gives nothing at once instead of waiting.
TEST(MappedFile, ReadsStreamsWithinTheLimit) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "pixels", 6), 6);
    ::close(ends[1]);
    std::string error;
    const std::string pipePath = "/dev/fd/" + std::to_string(ends[0]);
    const auto tooSmall = MappedFile::open(pipePath, 3, error);
    EXPECT_FALSE(tooSmall);
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    ::close(ends[0]);

    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "pixels", 6), 6);
    ::close(ends[1]);
    const auto piped = MappedFile::open("/dev/fd/" + std::to_string(ends[0]), 100, error);
    ::close(ends[0]);
    ASSERT_TRUE(piped) << error;
    EXPECT_FALSE(piped->isMapped());
    EXPECT_EQ(std::string(piped->bytes().begin(), piped->bytes().end()), "pixels");

    test::TempFolder dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto silent = MappedFile::open(fifo, 100, error);
    ASSERT_TRUE(silent) << error;
    EXPECT_TRUE(silent->bytes().empty());
}

}  // namespace
}  // namespace qm
