// Working buffers of any size that keep their memory: view tiles, scratch images, codec buffers.
//
// Sizes go up to a size class: the powers of two from 16 KB and the three quarter steps between
// them (16, 20, 24, 28, 32, 40 ... KB), so a block serves any request of up to its class. Blocks
// are page-aligned mappings from the system. Freed blocks are kept per class up to the retention
// (in bytes, over every class), and the block that goes out is the one most recently given back,
// whose memory is warm. When the kept blocks exceed the retention, the ones kept longest go back
// to the system, whatever their class; a block larger than the retention goes back at once.
// The pool is thread-safe. Under AddressSanitizer every block comes from malloc or calloc and
// goes back to free (see kPoolsPassThrough in raster/tile_pool.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/tile_pool.h"

namespace qm {

// A block of the buffer pool; move-only, gives its block back when destroyed.
class PooledBuffer {
public:
    PooledBuffer() = default;
    PooledBuffer(PooledBuffer&& other) noexcept;
    PooledBuffer& operator=(PooledBuffer&& other) noexcept;
    PooledBuffer(const PooledBuffer&) = delete;
    PooledBuffer& operator=(const PooledBuffer&) = delete;
    ~PooledBuffer();

    // `bytes` of unspecified contents; throws std::bad_alloc when the system has no memory.
    // A size of 0 gives an empty buffer without a block.
    static PooledBuffer take(size_t bytes);
    // `bytes` of zeros: written on a reused block, not on a fresh one (the system's are zero).
    static PooledBuffer zeroed(size_t bytes);

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    // The block's size class: what the buffer may use without a new block.
    size_t capacity() const { return capacity_; }

private:
    static PooledBuffer acquire(size_t bytes, bool zero);
    friend void* takeZeroedBlock(size_t bytes);
    friend void giveZeroedBlock(void* p, size_t bytes) noexcept;

    uint8_t* data_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

// The same blocks for allocators that keep only a pointer and the size they asked for (pixel
// vectors): `bytes` of zeros, written on a reused block only, and given back with
// giveZeroedBlock(p, bytes). Throws std::bad_alloc when the system has no memory.
void* takeZeroedBlock(size_t bytes);
void giveZeroedBlock(void* p, size_t bytes) noexcept;

// The size class that serves `bytes` (0 when bytes is 0); for tests.
size_t bufferSizeClass(size_t bytes);

PoolStats bufferPoolStats();
// Free blocks beyond this many bytes are given back. 64 MB at start.
void setBufferRetention(size_t freeBytes);
// Gives back the free blocks beyond the retention (trimPools does this too).
void trimBufferPool();

}  // namespace qm
