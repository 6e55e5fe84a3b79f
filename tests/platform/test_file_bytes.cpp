#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/file_bytes.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

TEST(FileBytes, ReadsRegularFilesWithinTheLimitOnly) {
    test::TempFolder dir;
    dir.writeText("Data/a.bin", std::string("abc\0def", 7));
    dir.writeText("empty.bin", "");
    std::string error;
    // Found through the resolver: another letter case and "\" separators.
    const auto file = FileBytes::open(dir.str() + "\\data\\A.BIN", 100, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(std::string(file->bytes().begin(), file->bytes().end()), std::string("abc\0def", 7));
    const auto empty = FileBytes::open(dir.file("empty.bin"), 100, error);
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
        EXPECT_FALSE(FileBytes::open(c.path, c.limit, error)) << c.path;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

// A stream is read to its end, within the same limit, and a pipe nobody writes to gives nothing
// at once instead of waiting.
TEST(FileBytes, ReadsStreamsWithinTheLimit) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "pixels", 6), 6);
    ::close(ends[1]);
    std::string error;
    const std::string pipePath = "/dev/fd/" + std::to_string(ends[0]);
    const auto tooSmall = FileBytes::open(pipePath, 3, error);
    EXPECT_FALSE(tooSmall);
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    ::close(ends[0]);

    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "pixels", 6), 6);
    ::close(ends[1]);
    const auto piped = FileBytes::open("/dev/fd/" + std::to_string(ends[0]), 100, error);
    ::close(ends[0]);
    ASSERT_TRUE(piped) << error;
    EXPECT_EQ(std::string(piped->bytes().begin(), piped->bytes().end()), "pixels");

    test::TempFolder dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto silent = FileBytes::open(fifo, 100, error);
    ASSERT_TRUE(silent) << error;
    EXPECT_TRUE(silent->bytes().empty());
}

// A file shortened by another program after it was opened keeps the bytes that were read: the
// decoder never reads past what is there (a mapping of it would fault on the lost pages).
TEST(FileBytes, AFileShortenedAfterOpeningKeepsItsBytes) {
    test::TempFolder dir;
    const std::string path = dir.file("big.bin");
    std::string content(3 << 20, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7 + i / 4096);
    dir.writeText("big.bin", content);
    std::string error;
    const auto file = FileBytes::open(path, size_t(8) << 20, error);
    ASSERT_TRUE(file) << error;
    ASSERT_EQ(::truncate(path.c_str(), 10), 0);
    EXPECT_EQ(std::string(file->bytes().begin(), file->bytes().end()), content);

    // Read again: only what is there now.
    const auto shortened = FileBytes::open(path, size_t(8) << 20, error);
    ASSERT_TRUE(shortened) << error;
    EXPECT_EQ(shortened->bytes().size(), 10u);
}

// Files read one after another reuse buffers: each read gives exactly its own file's bytes,
// whatever the buffer held before.
TEST(FileBytes, ReusedBuffersHoldOnlyTheirFile) {
    test::TempFolder dir;
    dir.writeText("long.bin", std::string(200000, 'x'));
    dir.writeText("short.bin", "abc");
    std::string error;
    for (int round = 0; round < 3; ++round) {
        {
            const auto file = FileBytes::open(dir.file("long.bin"), 1 << 20, error);
            ASSERT_TRUE(file) << error;
            EXPECT_EQ(file->bytes().size(), 200000u);
        }
        const auto file = FileBytes::open(dir.file("short.bin"), 1 << 20, error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(std::string(file->bytes().begin(), file->bytes().end()), "abc");
    }
}

}  // namespace
}  // namespace qm
