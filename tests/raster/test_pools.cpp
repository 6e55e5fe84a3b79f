#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "raster/buffer_pool.h"
#include "raster/tile_pool.h"

namespace qm {
namespace {

// Restores the default retentions when a test that changed them ends.
struct RetentionGuard {
    ~RetentionGuard() {
        setTileRetention(size_t(32) << 20);
        setBufferRetention(size_t(64) << 20);
    }
};

TEST(TileRef, CountsCopiesAndCopiesPixels) {
    TileRef a = TileRef::zeroed();
    ASSERT_TRUE(a);
    EXPECT_TRUE(a.unique());
    for (size_t i = 0; i < kTilePixels; ++i) EXPECT_EQ(a.pixels()[i], 0u) << i;
    a.writablePixels()[4095] = 7;

    TileRef b = a;
    EXPECT_EQ(b.identity(), a.identity());
    EXPECT_FALSE(a.unique());
    const TileRef c = b.copy();
    EXPECT_NE(c.identity(), a.identity());
    EXPECT_TRUE(c.unique());
    EXPECT_EQ(std::memcmp(c.pixels(), a.pixels(), kTileBytes), 0);
    b.reset();
    EXPECT_TRUE(a.unique());

    TileRef moved = std::move(a);
    EXPECT_FALSE(a);  // NOLINT(bugprone-use-after-move): a moved reference is null
    EXPECT_TRUE(moved.unique());
    EXPECT_FALSE(TileRef().copy());
}

TEST(TilePool, AGivenBackBlockGoesOutAgainWithoutNewSlabs) {
    if (kPoolsPassThrough) GTEST_SKIP() << "every block comes from the system's allocator";
    const void* first = nullptr;
    {
        const TileRef t = TileRef::make();
        first = t.identity();
    }
    EXPECT_EQ(TileRef::make().identity(), first);  // the warmest block

    // Steady state: the same work again and again takes nothing more from the system.
    const auto round = [] {
        std::vector<TileRef> tiles;
        for (int i = 0; i < 300; ++i) tiles.push_back(TileRef::zeroed());
    };
    round();
    const PoolStats before = tilePoolStats();
    for (int i = 0; i < 50; ++i) round();
    const PoolStats after = tilePoolStats();
    EXPECT_EQ(after.fromSystem, before.fromSystem);
    EXPECT_EQ(after.live, before.live);
}

TEST(TilePool, FreeBlocksBeyondTheRetentionGoBackByWholeSlabs) {
    if (kPoolsPassThrough) GTEST_SKIP() << "every block comes from the system's allocator";
    RetentionGuard guard;
    const size_t retention = kSlabBytes;
    setTileRetention(retention);
    trimPools();
    const PoolStats start = tilePoolStats();
    {
        std::vector<TileRef> tiles;
        for (size_t i = 0; i < 5 * kBlocksPerSlab; ++i) tiles.push_back(TileRef::make());
        EXPECT_GE(tilePoolStats().fromSystem - start.fromSystem, 4 * kSlabBytes);
    }
    const PoolStats end = tilePoolStats();
    EXPECT_EQ(end.live, start.live);
    EXPECT_GE(end.givenBack - start.givenBack, 3 * kSlabBytes);
    if (start.live == 0) {
        EXPECT_LE(end.free * kTileBytes, retention);
    }

    // A larger retention keeps what is freed, and trimPools gives it back once it is lowered.
    setTileRetention(size_t(64) << 20);
    {
        std::vector<TileRef> tiles;
        for (size_t i = 0; i < 3 * kBlocksPerSlab; ++i) tiles.push_back(TileRef::make());
    }
    EXPECT_GE(tilePoolStats().free * kTileBytes, 3 * kBlocksPerSlab * kTileBytes);
    setTileRetention(0);
    trimPools();
    if (start.live == 0) {
        EXPECT_EQ(tilePoolStats().free, 0u);
    }
}

TEST(TilePool, BlocksReleasedOnAnotherThreadComeBack) {
    const PoolStats start = tilePoolStats();
    std::vector<TileRef> tiles;
    for (int i = 0; i < 500; ++i) tiles.push_back(TileRef::zeroed());
    std::vector<TileRef> shared = tiles;  // the worker holds the last references
    tiles.clear();
    std::thread worker([held = std::move(shared)]() mutable { held.clear(); });
    worker.join();
    const PoolStats released = tilePoolStats();
    EXPECT_EQ(released.live, start.live);
    if (kPoolsPassThrough) return;
    for (int i = 0; i < 500; ++i) tiles.push_back(TileRef::make());
    EXPECT_EQ(tilePoolStats().fromSystem, released.fromSystem);
}

TEST(BufferPool, SizeClassesArePowersOfTwoAndQuarterSteps) {
    const std::pair<size_t, size_t> cases[] = {
        {0, 0},           {1, 16384},       {16384, 16384},
        {16385, 20480},   {20480, 20480},   {28673, 32768},
        {65536, 65536},   {65537, 81920},   {100000, 114688},
        {131071, 131072}, {262144, 262144}, {(size_t(3) << 20) + 1, size_t(7) << 19}};
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(bufferSizeClass(bytes), expected) << bytes;
}

TEST(BufferPool, ReusesTheWarmestBlockAndZeroesOnReuse) {
    EXPECT_EQ(PooledBuffer::take(0).data(), nullptr);
    PooledBuffer a = PooledBuffer::take(100000);
    ASSERT_NE(a.data(), nullptr);
    EXPECT_EQ(a.size(), 100000u);
    EXPECT_GE(a.capacity(), a.size());
    std::memset(a.data(), 0xAB, a.size());
    const uint8_t* block = a.data();
    a = PooledBuffer();  // given back

    PooledBuffer z = PooledBuffer::zeroed(110000);  // the same class
    if (!kPoolsPassThrough) {
        EXPECT_EQ(z.data(), block);
    }
    for (size_t i = 0; i < z.size(); ++i) ASSERT_EQ(z.data()[i], 0) << i;

    PooledBuffer moved = std::move(z);
    EXPECT_EQ(z.data(), nullptr);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved.size(), 110000u);
}

TEST(BufferPool, SteadyStateTakesNothingFromTheSystemAndRetentionHolds) {
    if (kPoolsPassThrough) GTEST_SKIP() << "every block comes from the system's allocator";
    RetentionGuard guard;
    const auto round = [] {
        std::vector<PooledBuffer> buffers;
        for (size_t bytes : {size_t(256) << 10, size_t(70000), size_t(3) << 20, size_t(16)})
            buffers.push_back(PooledBuffer::take(bytes));
    };
    round();
    const PoolStats before = bufferPoolStats();
    for (int i = 0; i < 50; ++i) round();
    EXPECT_EQ(bufferPoolStats().fromSystem, before.fromSystem);

    setBufferRetention(size_t(1) << 20);
    trimBufferPool();
    PoolStats s = bufferPoolStats();
    const size_t givenBack = s.givenBack;
    { const PooledBuffer big = PooledBuffer::take(size_t(4) << 20); }
    s = bufferPoolStats();
    EXPECT_EQ(s.givenBack - givenBack, bufferSizeClass(size_t(4) << 20));  // beyond the retention
}

// Blocks of sizes no longer asked for are the ones given back when the retention is full, not
// the warm block of the size in use.
TEST(BufferPool, ColdBlocksMakeRoomForTheOneInUse) {
    if (kPoolsPassThrough) GTEST_SKIP() << "every block comes from the system's allocator";
    RetentionGuard guard;
    setBufferRetention(size_t(1) << 20);
    trimBufferPool();
    {
        std::vector<PooledBuffer> cold;
        for (int i = 0; i < 4; ++i) cold.push_back(PooledBuffer::take(size_t(256) << 10));
    }  // the retention is full of them
    { const PooledBuffer warm = PooledBuffer::take(size_t(512) << 10); }
    const PoolStats before = bufferPoolStats();
    for (int i = 0; i < 20; ++i) {
        const PooledBuffer warm = PooledBuffer::take(size_t(512) << 10);
    }
    EXPECT_EQ(bufferPoolStats().fromSystem, before.fromSystem);
    EXPECT_LE(bufferPoolStats().free, 3u);  // the 512 KB block and at most two cold ones
}

TEST(BufferPool, BuffersReleasedOnAnotherThreadComeBack) {
    const PoolStats start = bufferPoolStats();
    std::vector<PooledBuffer> buffers;
    for (int i = 0; i < 8; ++i) buffers.push_back(PooledBuffer::take(size_t(64) << 10));
    std::thread worker([held = std::move(buffers)]() mutable { held.clear(); });
    worker.join();
    const PoolStats released = bufferPoolStats();
    EXPECT_EQ(released.live, start.live);
    if (kPoolsPassThrough) return;
    EXPECT_GE(released.free, start.free + 8);
    std::vector<PooledBuffer> again;
    for (int i = 0; i < 8; ++i) again.push_back(PooledBuffer::take(size_t(64) << 10));
    EXPECT_EQ(bufferPoolStats().fromSystem, released.fromSystem);
}

}  // namespace
}  // namespace qm
