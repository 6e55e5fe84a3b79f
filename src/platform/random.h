// The program's single pseudo-random generator. Seedable, and the same sequence on every
// machine and compiler (it does not use the standard library's distributions, which differ).
#pragma once

#include <cstdint>

namespace qm {

class Random {
public:
    explicit Random(uint64_t seed = 0x853c49e6748fea9bULL) { seed_(seed); }

    void seed(uint64_t s) { seed_(s); }

    // A uniform integer in 0 .. n inclusive; 0 when n <= 0.
    int operator()(int n) {
        if (n <= 0) return 0;
        const uint32_t range = uint32_t(n) + 1u;
        // Lemire's multiply-and-reject: unbiased and cheap.
        uint64_t m = uint64_t(next()) * range;
        auto low = uint32_t(m);
        if (low < range) {
            const uint32_t threshold = uint32_t(-range) % range;
            while (low < threshold) {
                m = uint64_t(next()) * range;
                low = uint32_t(m);
            }
        }
        return int(m >> 32);
    }

    // PCG32 (XSH RR): 32 uniform bits.
    uint32_t next() {
        const uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + kIncrement;
        const auto xorshifted = uint32_t(((old >> 18u) ^ old) >> 27u);
        const auto rot = uint32_t(old >> 59u);
        return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
    }

private:
    static constexpr uint64_t kIncrement = 1442695040888963407ULL;
    void seed_(uint64_t s) {
        state_ = 0;
        next();
        state_ += s;
        next();
    }
    uint64_t state_ = 0;
};

}  // namespace qm
