// Tiles: shared, counted 64 x 64 blocks of pixels (pixel format as in raster/image.h, rows of
// 64 pixels, no padding), and the pool they come from.
//
// Blocks are carved from 2 MB-aligned slabs mapped from the system. The first block of a slab
// holds the counts of the others, so a tile's pixels are exactly four pages. Free blocks are
// kept last in, first out: the block that goes out is the one most recently given back, whose
// memory is warm. A slab is given back to the system only when every block of it is free and the
// free blocks exceed the retention. Under AddressSanitizer every block comes from calloc and
// goes back to free, so a use of a released tile is caught.
//
// The pool is thread-safe, and so are the counts: a tile may be shared by images that live on
// different threads, and its last reference may drop on any of them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace qm {

#if defined(__SANITIZE_ADDRESS__)
#define QM_POOLS_PASS_THROUGH 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_POOLS_PASS_THROUGH 1
#endif
#endif

// True when the pools hand every block to the system's allocator (AddressSanitizer builds):
// nothing is reused, and stats count only what is live.
#ifdef QM_POOLS_PASS_THROUGH
inline constexpr bool kPoolsPassThrough = true;
#else
inline constexpr bool kPoolsPassThrough = false;
#endif

constexpr int kTileShift = 6, kTileSide = 64;  // as kHistoryTileSide
constexpr size_t kTilePixels = 4096;           // 16 KB: exactly four pages
constexpr size_t kTileBytes = kTilePixels * sizeof(uint32_t);
constexpr size_t kSlabBytes = size_t(2) << 20;
constexpr size_t kBlocksPerSlab = kSlabBytes / kTileBytes - 1;  // the first block is the header

// What a pool holds. live: blocks given out and not yet back; free: blocks kept for reuse;
// fromSystem, givenBack: bytes taken from the system and given back to it so far.
struct PoolStats {
    size_t live = 0, free = 0, fromSystem = 0, givenBack = 0;
};

namespace tile_pool_detail {
// The count of a block made by the pool.
std::atomic<uint32_t>& countOf(uint32_t* block) noexcept;
// Gives a block whose count reached 0 back to the pool.
void release(uint32_t* block) noexcept;
}  // namespace tile_pool_detail

// A shared, counted 64 x 64 block of pixels (rows of 64); null is a missing (transparent) tile.
//
// Memory order. A block is immutable while its count is above 1: only a holder may write it, and
// only after unique() said it holds the only reference. Copies increment relaxed (a new
// reference is made from an existing one, which already keeps the block alive, as shared_ptr
// does). A reference drops with acq_rel: release so that the reads its holder made of the block
// happen before whatever the next owner does, acquire so that the last holder, which gives the
// block back, sees every other holder's reads finished. unique() loads with acquire: once a
// writer sees the count 1, every other holder's reads of the block happen before its writes,
// and no new reference can appear, since only holders can copy.
class TileRef {
public:
    TileRef() = default;
    TileRef(const TileRef& other) noexcept : block_(other.block_) {
        if (block_) tile_pool_detail::countOf(block_).fetch_add(1, std::memory_order_relaxed);
    }
    TileRef(TileRef&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    TileRef& operator=(const TileRef& other) noexcept {
        TileRef(other).swap(*this);
        return *this;
    }
    TileRef& operator=(TileRef&& other) noexcept {
        TileRef(std::move(other)).swap(*this);
        return *this;
    }
    ~TileRef() { reset(); }

    // Count 1, pixels unspecified; throws std::bad_alloc when the system has no memory.
    static TileRef make();
    // Count 1, every pixel 0 (written: the memory is warm).
    static TileRef zeroed();
    // A unique copy of the pixels; null from null.
    TileRef copy() const;

    explicit operator bool() const { return block_ != nullptr; }
    const uint32_t* pixels() const { return block_; }
    // Only while unique().
    uint32_t* writablePixels() { return block_; }
    bool unique() const {
        return block_ && tile_pool_detail::countOf(block_).load(std::memory_order_acquire) == 1;
    }
    // For tests: the same block.
    const void* identity() const { return block_; }

    void reset() noexcept {
        uint32_t* b = std::exchange(block_, nullptr);
        if (b && tile_pool_detail::countOf(b).fetch_sub(1, std::memory_order_acq_rel) == 1)
            tile_pool_detail::release(b);
    }
    void swap(TileRef& other) noexcept { std::swap(block_, other.block_); }

private:
    explicit TileRef(uint32_t* block) : block_(block) {}
    uint32_t* block_ = nullptr;
};

PoolStats tilePoolStats();
// Free blocks kept beyond this many bytes are given back (by whole slabs). 32 MB at start.
void setTileRetention(size_t freeBytes);
// Gives back now what exceeds the retentions of the tile and buffer pools.
void trimPools();

}  // namespace qm
