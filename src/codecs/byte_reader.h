// A bounded little-endian reader over a byte span, for the file parsers. Every read checks the
// remaining length first; a read past the end fails (returns false) and leaves the position
// where it was, so a parser never touches a byte outside the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qm {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data, size_t pos = 0)
        : data_(data), pos_(pos <= data.size() ? pos : data.size()) {}

    size_t pos() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    std::span<const uint8_t> data() const { return data_; }

    bool seek(uint64_t pos) {
        if (pos > data_.size()) return false;
        pos_ = size_t(pos);
        return true;
    }
    bool skip(uint64_t n) {
        if (n > remaining()) return false;
        pos_ += size_t(n);
        return true;
    }

    bool u8(uint8_t& v) {
        if (remaining() < 1) return false;
        v = data_[pos_++];
        return true;
    }
    bool u16(uint16_t& v) {
        if (remaining() < 2) return false;
        v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool u32(uint32_t& v) {
        if (remaining() < 4) return false;
        v = uint32_t(data_[pos_]) | (uint32_t(data_[pos_ + 1]) << 8) |
            (uint32_t(data_[pos_ + 2]) << 16) | (uint32_t(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return true;
    }
    bool i32(int32_t& v) {
        uint32_t u;
        if (!u32(u)) return false;
        v = int32_t(u);
        return true;
    }
    // The next n bytes as a sub-span; fails when fewer remain.
    bool bytes(uint64_t n, std::span<const uint8_t>& out) {
        if (n > remaining()) return false;
        out = data_.subspan(pos_, size_t(n));
        pos_ += size_t(n);
        return true;
    }

private:
    std::span<const uint8_t> data_;
    size_t pos_;
};

// Fixed-position reads for headers already known to be long enough; out of range gives 0.
inline uint16_t peekU16(std::span<const uint8_t> d, size_t at) {
    return at + 2 <= d.size() ? uint16_t(d[at] | (d[at + 1] << 8)) : 0;
}
inline uint32_t peekU32(std::span<const uint8_t> d, size_t at) {
    return at + 4 <= d.size() ? uint32_t(d[at]) | (uint32_t(d[at + 1]) << 8) |
                                    (uint32_t(d[at + 2]) << 16) | (uint32_t(d[at + 3]) << 24)
                              : 0;
}

}  // namespace qm
