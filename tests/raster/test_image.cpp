#include "raster/image.h"

#include "raster/buffer_pool.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace qm {
namespace {

// Resident memory of this process in kB, from /proc/self/status; -1 when unreadable.
long residentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

TEST(CreateImage, FillsBySizeAndDepth) {
    struct Case {
        int width, height, depth;
        uint32_t fill;
    };
    // Small sizes come from calloc, 600 x 600 (1.4 MB) from a mapping.
    for (const Case& c : {Case{1, 1, 32, 0u}, Case{7, 3, 32, 0u}, Case{600, 600, 32, 0u},
                          Case{5, 2, 24, 0xFF000000u}, Case{600, 600, 24, 0xFF000000u}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "@" +
                     std::to_string(c.depth));
        auto image = createImage(c.width, c.height, c.depth);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->depth, c.depth);
        ASSERT_EQ(image->pixels.size(), size_t(c.width) * size_t(c.height));
        EXPECT_TRUE(std::all_of(image->pixels.begin(), image->pixels.end(),
                                [&](uint32_t p) { return p == c.fill; }));
        // A copy is a real copy, written pixel by pixel.
        image->at(c.width - 1, c.height - 1) = rgba(1, 2, 3, 4);
        const Image copy = *image;
        EXPECT_EQ(copy.at(c.width - 1, c.height - 1), rgba(1, 2, 3, 4));
        EXPECT_EQ(copy.at(0, 0), c.width * c.height > 1 ? c.fill : rgba(1, 2, 3, 4));
    }
}

TEST(CreateImage, RefusesSizesOutsideTheLimits) {
    EXPECT_FALSE(createImage(0, 10));
    EXPECT_FALSE(createImage(10, -1));
    EXPECT_FALSE(createImage(kMaxImageSide + 1, 1));
    EXPECT_FALSE(createImage(20000, 20000));  // each side allowed, the area is not
    EXPECT_FALSE(createImage(4, 4, 16));
}

// A transparent document-size image is never written when it is made, nor where it is not
// painted. Nothing here reads the pixels, so resident memory shows the writes on any kernel
// (where reading a page allocates it too, a read would show as well).
TEST(CreateImage, TransparentImageIsNotWritten) {
    // A block the pool kept is cleared by writing when reused: start from a fresh one.
    setBufferRetention(0);
    trimBufferPool();
    const long before = residentKb();
    if (before < 0) GTEST_SKIP() << "no /proc/self/status";
    auto image = createImage(4000, 4000, 32);  // 64 MB
    ASSERT_TRUE(image);
    EXPECT_LT(residentKb() - before, 8 * 1024);
    // Painting one row touches that row's pages only.
    std::fill_n(image->row(2000), image->width, rgba(9, 9, 9, 255));
    EXPECT_LT(residentKb() - before, 8 * 1024);
    setBufferRetention(size_t(64) << 20);
}

// A copy writes no block that is zero in its source: the destination's pages of zero blocks are
// made unwritable, and the copy must get through without touching them.
TEST(CreateImage, CopyWritesNoZeroBlock) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    ASSERT_EQ(page % (kZeroSkipBlock * sizeof(uint32_t)), 0u);
    const size_t pages = 64, count = pages * page / sizeof(uint32_t) - 100;  // a partial last page
    const size_t perPage = page / sizeof(uint32_t);
    std::vector<uint32_t> source(count, 0);
    for (size_t p : {0, 5, 17}) source[p * perPage + p] = rgba(1, 2, 3, 4);  // pages 0, 5, 17
    source[count - 1] = 9;                                                   // and the last one
    void* mapping =
        mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* to = static_cast<uint32_t*>(mapping);
    for (size_t p = 0; p < pages; ++p) {
        const uint32_t* block = source.data() + p * perPage;
        const size_t n = std::min(perPage, count - std::min(count, p * perPage));
        if (std::all_of(block, block + n, [](uint32_t v) { return v == 0; }))
            ASSERT_EQ(mprotect(static_cast<char*>(mapping) + p * page, page, PROT_NONE), 0);
    }
    EXPECT_EXIT(
        {
            copyNonZeroBlocks(source.data(), to, count);
            mprotect(mapping, pages * page, PROT_READ);  // the zero pages read as zeros
            std::_Exit(std::equal(source.begin(), source.end(), to) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    munmap(mapping, pages * page);
}

// Elements given an explicit value are written even when it is zero: growing a vector in its
// capacity (a reused scratch image) shows no earlier pixels.
TEST(CreateImage, ExplicitZerosAreWritten) {
    PixelVector scratch;
    scratch.assign(5000, rgba(7, 7, 7, 7));
    scratch.assign(10, 0u);
    scratch.assign(5000, 0u);
    EXPECT_TRUE(std::all_of(scratch.begin(), scratch.end(), [](uint32_t p) { return p == 0; }));
    scratch.assign(5000, rgba(7, 7, 7, 7));
    const PixelVector copy(scratch.begin(), scratch.begin() + 3);
    scratch.resize(3);
    scratch.insert(scratch.end(), 4997, 0u);
    EXPECT_TRUE(std::all_of(scratch.begin() + 3, scratch.end(), [](uint32_t p) { return p == 0; }));
    EXPECT_EQ(copy[2], rgba(7, 7, 7, 7));
}

// Copies keep every pixel, whether they skip zero blocks (a fresh copy) or write in place (an
// image of the same size), and a copy never shares pixels with its original.
TEST(CreateImage, CopiesAreExact) {
    auto source = createImage(1500, 700, 32);  // blocks of zeros and of colours, a partial last one
    ASSERT_TRUE(source);
    for (int y = 0; y < source->height; y += 3)
        for (int x = y % 1500; x < source->width; x += 997)
            source->at(x, y) = rgba(1, 2, 3, uint32_t(y));
    source->at(1499, 699) = 7;

    Image fresh = *source;
    auto sameSize = createImage(1500, 700, 32);
    std::fill(sameSize->pixels.begin(), sameSize->pixels.end(), rgba(5, 5, 5, 5));
    *sameSize = *source;
    auto otherSize = createImage(3, 3, 24);
    *otherSize = *source;
    for (const Image* copy : {&fresh, &*sameSize, &*otherSize}) {
        EXPECT_EQ(copy->width, 1500);
        EXPECT_EQ(copy->height, 700);
        EXPECT_EQ(copy->depth, 32);
        EXPECT_TRUE(copy->pixels == source->pixels);
    }
    fresh.at(0, 1) = 1;
    EXPECT_EQ(source->at(0, 1), 0u);
}

// Running out of memory while making an image gives nullopt, never an escaping bad_alloc.
// The request is allowed (1 GB) but the address space is capped just above what the process
// already uses, in a child so the cap does not outlive the test.
TEST(CreateImage, OutOfMemoryIsNullopt) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's allocator ends the process when memory runs out";
#endif
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        std::ifstream statm("/proc/self/statm");
        statm >> pages;
        const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
        const rlimit limit{cap, cap};
        if (pages <= 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
        try {
            const bool made = createImage(16384, 16384, 32).has_value();
            _exit(made ? 1 : 0);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended abnormally";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the image was made, 2: an exception escaped, "
                                         "3: the cap could not be set";
}

}  // namespace
}  // namespace qm
