#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace qm {

void parallelFor(int count, int threads, const std::function<void(int)>& work,
                 const std::function<void(int)>& onOwnItem) {
    if (count <= 0) return;
    const int helpers = std::max(0, std::min(threads, count) - 1);
    if (helpers == 0) {
        for (int i = 0; i < count; ++i) {
            work(i);
            if (onOwnItem) onOwnItem(i + 1);
        }
        return;
    }

    std::atomic<int> next{0}, finished{0};
    std::atomic<bool> stop{false};
    std::mutex failureLock;
    std::exception_ptr failure;
    // Nothing may leave a thread: the first exception is kept for the calling thread.
    auto run = [&](bool own) {
        try {
            while (!stop.load(std::memory_order_acquire)) {
                const int i = next.fetch_add(1, std::memory_order_relaxed);
                if (i >= count) break;
                work(i);
                const int done = finished.fetch_add(1, std::memory_order_relaxed) + 1;
                if (own && onOwnItem) onOwnItem(done);
            }
        } catch (...) {
            const std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
            stop.store(true, std::memory_order_release);
        }
    };
    std::vector<std::thread> started;
    try {
        started.reserve(size_t(helpers));
        for (int t = 0; t < helpers; ++t) started.emplace_back(run, false);
    } catch (const std::exception&) {
        // fewer helpers (or none): the threads that run take the rest
    }
    run(true);
    for (std::thread& t : started) t.join();
    if (failure) std::rethrow_exception(failure);
}

int computeThreads(int wanted) {
    static const int hardware = std::max(1, int(std::thread::hardware_concurrency()));
    return std::clamp(wanted, 1, hardware);
}

bool forEachItem(int count, int threads, const std::function<void(int)>& work,
                 const std::function<void(int)>& afterOwn) {
    try {
        parallelFor(count, std::clamp(threads, 1, 8), work, afterOwn);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace qm
