// Work on a number of items spread over a few threads: the calling thread takes part, and
// reports progress as it goes.
#pragma once

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <thread>
#include <vector>

namespace qm {

// Runs work(i) for i in 0..count-1 on `threads` threads (the calling thread one of them).
// `afterOwn` is called on the calling thread after each item it finished, with the number of
// items finished so far. A worker that runs out of memory stops the others and the result is
// false. When no thread can be started the calling thread does every item.
template <typename Work, typename After>
bool forEachItem(int count, int threads, Work&& work, After&& afterOwn) {
    std::atomic<int> next{0}, finished{0};
    std::atomic<bool> failed{false};
    auto run = [&](bool own) {
        try {
            for (int i = next++; i < count && !failed; i = next++) {
                work(i);
                const int done = ++finished;
                if (own) afterOwn(done);
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    std::vector<std::thread> helpers;
    const int extra = std::clamp(std::min(threads, count) - 1, 0, 7);
    for (int t = 0; t < extra; ++t) {
        try {
            helpers.emplace_back(run, false);
        } catch (const std::exception&) {
            break;  // fewer helpers: the calling thread does the rest
        }
    }
    run(true);
    for (std::thread& helper : helpers) helper.join();
    return !failed;
}

}  // namespace qm
