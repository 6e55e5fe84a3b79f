// The bytes of a file an encoder makes, in a block of the buffer pool (raster/buffer_pool.h):
// reserved from the size the encoder expects and grown by moving to a larger block, so that
// encoding one file after another writes into warm memory instead of fresh pages.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

#include "raster/buffer_pool.h"

namespace qm {

class EncodedBytes {
public:
    // Room for `bytes` in all without another block; throws std::bad_alloc.
    void reserve(size_t bytes) {
        if (bytes <= block_.capacity()) return;
        PooledBuffer larger = PooledBuffer::take(bytes);
        if (size_) std::memcpy(larger.data(), block_.data(), size_);
        block_ = std::move(larger);
    }
    // n more bytes at the end, unspecified; where they start. Throws std::bad_alloc.
    uint8_t* extend(size_t n) {
        if (size_ + n > block_.capacity())
            reserve(std::max(size_ + n, block_.capacity() + block_.capacity() / 2));
        uint8_t* at = block_.data() + size_;
        size_ += n;
        return at;
    }
    void append(const void* data, size_t n) {
        if (n) std::memcpy(extend(n), data, n);
    }
    // Drops the bytes beyond `n` (n <= size()).
    void shrink(size_t n) { size_ = std::min(size_, n); }
    void clear() { size_ = 0; }

    uint8_t* data() { return block_.data(); }
    const uint8_t* data() const { return block_.data(); }
    size_t size() const { return size_; }
    // Bytes the block holds in all: what extend may give without a new block.
    size_t capacity() const { return block_.capacity(); }
    std::span<const uint8_t> bytes() const { return {block_.data(), size_}; }

private:
    PooledBuffer block_;
    size_t size_ = 0;
};

}  // namespace qm
