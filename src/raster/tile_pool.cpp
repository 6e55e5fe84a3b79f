#include "raster/tile_pool.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "raster/buffer_pool.h"

namespace qm {

namespace {

#ifdef QM_POOLS_PASS_THROUGH

// Each block is its own allocation: the count, padded to 16 bytes, then the pixels.
constexpr size_t kCountBytes = 16;

struct PassThroughStats {
    std::mutex mutex;
    PoolStats stats;
};

PassThroughStats& passThrough() {
    static PassThroughStats p;
    return p;
}

#else

// The first block of a slab: the counts of the other blocks, and how many of them are free.
struct SlabHeader {
    std::atomic<uint32_t> counts[kBlocksPerSlab];
    size_t freeBlocks = 0;
};
static_assert(sizeof(SlabHeader) <= kTileBytes);

uintptr_t slabBase(const void* block) {
    return reinterpret_cast<uintptr_t>(block) & ~uintptr_t(kSlabBytes - 1);
}
SlabHeader& headerOf(const void* block) {
    return *reinterpret_cast<SlabHeader*>(slabBase(block));
}
size_t indexOf(const void* block) {
    return (reinterpret_cast<uintptr_t>(block) - slabBase(block)) / kTileBytes - 1;
}

// A 2 MB-aligned mapping of 2 MB: map twice that and give back the ends.
void* mapSlab() {
    void* p =
        mmap(nullptr, 2 * kSlabBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (start + kSlabBytes - 1) & ~uintptr_t(kSlabBytes - 1);
    if (aligned > start) munmap(p, aligned - start);
    const uintptr_t end = start + 2 * kSlabBytes;
    if (end > aligned + kSlabBytes)
        munmap(reinterpret_cast<void*>(aligned + kSlabBytes), end - (aligned + kSlabBytes));
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(aligned), kSlabBytes, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

class TilePool {
public:
    uint32_t* take() {
        std::lock_guard lock(mutex_);
        if (free_.empty()) addSlab();
        uint32_t* block = free_.back();
        free_.pop_back();
        --headerOf(block).freeBlocks;
        ++stats_.live;
        return block;
    }

    void give(uint32_t* block) noexcept {
        std::lock_guard lock(mutex_);
        --stats_.live;
        SlabHeader& header = headerOf(block);
        ++header.freeBlocks;
        free_.push_back(block);  // within the capacity reserved for every block (addSlab)
        if (header.freeBlocks == kBlocksPerSlab && freeBytes() > retention_)
            unmapSlab(slabBase(block));
    }

    void setRetention(size_t bytes) {
        std::lock_guard lock(mutex_);
        retention_ = bytes;
    }

    void trim() {
        std::lock_guard lock(mutex_);
        for (size_t i = 0; i < slabs_.size() && freeBytes() > retention_;) {
            const uintptr_t base = slabs_[i];
            if (reinterpret_cast<SlabHeader*>(base)->freeBlocks == kBlocksPerSlab)
                unmapSlab(base);  // takes slabs_[i] out
            else
                ++i;
        }
    }

    PoolStats stats() {
        std::lock_guard lock(mutex_);
        PoolStats s = stats_;
        s.free = free_.size();
        return s;
    }

private:
    size_t freeBytes() const { return free_.size() * kTileBytes; }

    void addSlab() {
        slabs_.reserve(slabs_.size() + 1);
        free_.reserve((slabs_.size() + 1) * kBlocksPerSlab);  // room for every block
        void* p = mapSlab();
        if (!p) throw std::bad_alloc();
        auto* header = new (p) SlabHeader;
        for (auto& c : header->counts) c.store(0, std::memory_order_relaxed);
        header->freeBlocks = kBlocksPerSlab;
        auto* blocks = static_cast<uint32_t*>(p) + kTilePixels;
        // The lowest address goes out first.
        for (size_t i = kBlocksPerSlab; i-- > 0;) free_.push_back(blocks + i * kTilePixels);
        slabs_.push_back(reinterpret_cast<uintptr_t>(p));
        stats_.fromSystem += kSlabBytes;
    }

    void unmapSlab(uintptr_t base) {
        std::erase_if(free_, [base](uint32_t* b) { return slabBase(b) == base; });
        std::erase(slabs_, base);
        munmap(reinterpret_cast<void*>(base), kSlabBytes);
        stats_.givenBack += kSlabBytes;
    }

    std::mutex mutex_;
    std::vector<uint32_t*> free_;  // last in, first out
    std::vector<uintptr_t> slabs_;
    size_t retention_ = size_t(32) << 20;
    PoolStats stats_;
};

TilePool& pool() {
    // Never destroyed: tiles held by static images may be released after exit begins.
    static TilePool* p = new TilePool;
    return *p;
}

#endif

}  // namespace

namespace tile_pool_detail {

#ifdef QM_POOLS_PASS_THROUGH

std::atomic<uint32_t>& countOf(uint32_t* block) noexcept {
    return *reinterpret_cast<std::atomic<uint32_t>*>(reinterpret_cast<char*>(block) - kCountBytes);
}

void release(uint32_t* block) noexcept {
    char* p = reinterpret_cast<char*>(block) - kCountBytes;
    reinterpret_cast<std::atomic<uint32_t>*>(p)->~atomic();
    std::free(p);
    std::lock_guard lock(passThrough().mutex);
    --passThrough().stats.live;
    passThrough().stats.givenBack += kCountBytes + kTileBytes;
}

#else

std::atomic<uint32_t>& countOf(uint32_t* block) noexcept {
    return headerOf(block).counts[indexOf(block)];
}

void release(uint32_t* block) noexcept {
    pool().give(block);
}

#endif

}  // namespace tile_pool_detail

TileRef TileRef::make() {
#ifdef QM_POOLS_PASS_THROUGH
    void* p = std::calloc(1, kCountBytes + kTileBytes);
    if (!p) throw std::bad_alloc();
    new (p) std::atomic<uint32_t>(1);
    {
        std::lock_guard lock(passThrough().mutex);
        ++passThrough().stats.live;
        passThrough().stats.fromSystem += kCountBytes + kTileBytes;
    }
    return TileRef(reinterpret_cast<uint32_t*>(static_cast<char*>(p) + kCountBytes));
#else
    uint32_t* block = pool().take();
    tile_pool_detail::countOf(block).store(1, std::memory_order_relaxed);
    return TileRef(block);
#endif
}

TileRef TileRef::zeroed() {
    TileRef t = make();
    std::memset(t.block_, 0, kTileBytes);
    return t;
}

TileRef TileRef::copy() const {
    if (!block_) return {};
    TileRef t = make();
    std::memcpy(t.block_, block_, kTileBytes);
    return t;
}

PoolStats tilePoolStats() {
#ifdef QM_POOLS_PASS_THROUGH
    std::lock_guard lock(passThrough().mutex);
    return passThrough().stats;
#else
    return pool().stats();
#endif
}

void setTileRetention(size_t freeBytes) {
#ifndef QM_POOLS_PASS_THROUGH
    pool().setRetention(freeBytes);
#else
    (void)freeBytes;
#endif
}

void trimPools() {
#ifndef QM_POOLS_PASS_THROUGH
    pool().trim();
#endif
    trimBufferPool();
}

}  // namespace qm
