#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qm
