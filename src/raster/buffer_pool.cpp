#include "raster/buffer_pool.h"

#include <sys/mman.h>

#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace qm {

namespace {

constexpr int kSmallestShift = 14;  // 16 KB
constexpr size_t kSmallest = size_t(1) << kSmallestShift;
constexpr int kLargestShift = 46;
constexpr size_t kClasses = size_t(kLargestShift - kSmallestShift + 1) * 4;

// The class index of a request: 4 per power of two, the power itself first.
size_t classIndex(size_t bytes, size_t& classBytes) {
    if (bytes <= kSmallest) {
        classBytes = kSmallest;
        return 0;
    }
    if (bytes > (size_t(1) << kLargestShift)) throw std::bad_alloc();
    const size_t p = std::bit_floor(bytes);
    const size_t level = size_t(std::countr_zero(p) - kSmallestShift);
    if (p == bytes) {
        classBytes = p;
        return level * 4;
    }
    const size_t quarter = p / 4;
    const size_t steps = (bytes - p + quarter - 1) / quarter;  // 1 .. 4
    classBytes = p + steps * quarter;
    return level * 4 + steps;
}

#ifndef QM_POOLS_PASS_THROUGH

void* mapBlock(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    if (bytes >= (size_t(2) << 20)) madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return p;
}

class BufferPool {
public:
    // A block of the class; `fresh` tells whether it comes zeroed from the system.
    void* take(size_t index, size_t classBytes, bool& fresh) {
        {
            std::lock_guard lock(mutex_);
            std::vector<Kept>& blocks = free_[index];
            if (!blocks.empty()) {
                void* p = blocks.back().block;
                blocks.pop_back();
                freeBytes_ -= classBytes;
                --stats_.free;
                ++stats_.live;
                fresh = false;
                return p;
            }
        }
        void* p = mapBlock(classBytes);
        std::lock_guard lock(mutex_);
        ++stats_.live;
        stats_.fromSystem += classBytes;
        fresh = true;
        return p;
    }

    // Keeps the block given back, the warmest of all, and gives back the coldest kept blocks
    // (of any class) while the free ones exceed the retention: a pool full of blocks of sizes no
    // longer asked for must not push out the ones in use. A block larger than the retention goes
    // back at once.
    void give(void* p, size_t index, size_t classBytes) noexcept {
        std::lock_guard lock(mutex_);
        --stats_.live;
        bool kept = false;
        if (classBytes <= retention_) {
            try {
                free_[index].push_back({p, ++clock_});
                freeBytes_ += classBytes;
                ++stats_.free;
                kept = true;
            } catch (const std::bad_alloc&) {
                // No room to keep it: it goes back below.
            }
        }
        if (!kept) {
            stats_.givenBack += classBytes;
            munmap(p, classBytes);
        }
        while (freeBytes_ > retention_) dropColdest();
    }

    void setRetention(size_t bytes) {
        std::lock_guard lock(mutex_);
        retention_ = bytes;
    }

    // Gives back the coldest blocks until the free ones fit the retention.
    void trim() {
        std::lock_guard lock(mutex_);
        while (freeBytes_ > retention_) dropColdest();
    }

    PoolStats stats() {
        std::lock_guard lock(mutex_);
        return stats_;
    }

private:
    static size_t sizeOfClass(size_t index) {
        const size_t p = kSmallest << (index / 4);
        return p + (index % 4) * (p / 4);
    }

    // Gives back the block kept longest (the oldest first block of a class). Under the lock.
    void dropColdest() noexcept {
        size_t coldest = kClasses;
        for (size_t i = 0; i < kClasses; ++i)
            if (!free_[i].empty() &&
                (coldest == kClasses || free_[i].front().age < free_[coldest].front().age))
                coldest = i;
        if (coldest == kClasses) return;
        std::vector<Kept>& blocks = free_[coldest];
        const size_t classBytes = sizeOfClass(coldest);
        munmap(blocks.front().block, classBytes);
        blocks.erase(blocks.begin());
        freeBytes_ -= classBytes;
        --stats_.free;
        stats_.givenBack += classBytes;
    }

    struct Kept {
        void* block;
        uint64_t age;  // when it was given back
    };
    std::mutex mutex_;
    std::array<std::vector<Kept>, kClasses> free_;  // per class, last in, first out
    uint64_t clock_ = 0;
    size_t freeBytes_ = 0;
    size_t retention_ = size_t(64) << 20;
    PoolStats stats_;
};

BufferPool& pool() {
    // Never destroyed: buffers held by static objects may be released after exit begins.
    static BufferPool* p = new BufferPool;
    return *p;
}

#else

struct PassThroughStats {
    std::mutex mutex;
    PoolStats stats;
};

PassThroughStats& passThrough() {
    static PassThroughStats p;
    return p;
}

void count(size_t taken, size_t given) {
    std::lock_guard lock(passThrough().mutex);
    PoolStats& s = passThrough().stats;
    if (taken) ++s.live, s.fromSystem += taken;
    if (given) --s.live, s.givenBack += given;
}

#endif

}  // namespace

size_t bufferSizeClass(size_t bytes) {
    if (bytes == 0) return 0;
    size_t classBytes = 0;
    classIndex(bytes, classBytes);
    return classBytes;
}

PooledBuffer::PooledBuffer(PooledBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

PooledBuffer& PooledBuffer::operator=(PooledBuffer&& other) noexcept {
    if (this == &other) return *this;
    PooledBuffer old(std::move(*this));  // gives the block held so far back
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

PooledBuffer::~PooledBuffer() {
    if (!data_) return;
#ifdef QM_POOLS_PASS_THROUGH
    std::free(data_);
    count(0, capacity_);
#else
    size_t classBytes = 0;
    const size_t index = classIndex(capacity_, classBytes);
    pool().give(data_, index, classBytes);
#endif
}

PooledBuffer PooledBuffer::take(size_t bytes) {
    return acquire(bytes, false);
}

PooledBuffer PooledBuffer::zeroed(size_t bytes) {
    return acquire(bytes, true);
}

// A block of the class that holds `bytes`; with `zero`, its first `bytes` read 0 (a block fresh
// from the system is zero already, a given-back one is cleared).
PooledBuffer PooledBuffer::acquire(size_t bytes, bool zero) {
    PooledBuffer b;
    if (bytes == 0) return b;
#ifdef QM_POOLS_PASS_THROUGH
    b.data_ = static_cast<uint8_t*>(zero ? std::calloc(bytes, 1) : std::malloc(bytes));
    if (!b.data_) throw std::bad_alloc();
    b.capacity_ = bytes;
    count(bytes, 0);
#else
    size_t classBytes = 0;
    const size_t index = classIndex(bytes, classBytes);
    bool fresh = false;
    b.data_ = static_cast<uint8_t*>(pool().take(index, classBytes, fresh));
    b.capacity_ = classBytes;
    if (zero && !fresh) std::memset(b.data_, 0, bytes);
#endif
    b.size_ = bytes;
    return b;
}

void* takeZeroedBlock(size_t bytes) {
    PooledBuffer b = PooledBuffer::zeroed(bytes ? bytes : 1);
    return std::exchange(b.data_, nullptr);
}

void giveZeroedBlock(void* p, size_t bytes) noexcept {
    if (!p) return;
    PooledBuffer b;
    b.data_ = static_cast<uint8_t*>(p);
    b.size_ = bytes ? bytes : 1;
    b.capacity_ = kPoolsPassThrough ? b.size_ : bufferSizeClass(b.size_);
    // b gives the block back as it goes.
}

PoolStats bufferPoolStats() {
#ifdef QM_POOLS_PASS_THROUGH
    std::lock_guard lock(passThrough().mutex);
    return passThrough().stats;
#else
    return pool().stats();
#endif
}

void setBufferRetention(size_t freeBytes) {
#ifndef QM_POOLS_PASS_THROUGH
    pool().setRetention(freeBytes);
#else
    (void)freeBytes;
#endif
}

void trimBufferPool() {
#ifndef QM_POOLS_PASS_THROUGH
    pool().trim();
#endif
}

}  // namespace qm
