#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/parallel.h"

namespace qm {
namespace {

const int kCounts[] = {0, 1, 2, 100};
const int kThreads[] = {1, 2, 8};

// Waits (at most 20 s, so that a fault fails instead of hanging) until `done` holds.
bool waitUntil(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

// Sets its flag when the thread that first used it ends.
struct ThreadEnd {
    std::atomic<bool>* flag = nullptr;
    ~ThreadEnd() {
        if (flag) flag->store(true);
    }
};
thread_local ThreadEnd tThreadEnd;

TEST(ParallelFor, RunsEveryItemOnceAndReportsOnlyTheCallingThreadsItems) {
    for (const int count : kCounts)
        for (const int threads : kThreads) {
            SCOPED_TRACE("count " + std::to_string(count) + ", threads " + std::to_string(threads));
            const auto caller = std::this_thread::get_id();
            std::unique_ptr<std::atomic<int>[]> runs(new std::atomic<int>[size_t(count) + 1]());
            std::atomic<bool> reportedElsewhere{false};
            std::vector<int> reported;
            parallelFor(
                count, threads, [&](int i) { ++runs[size_t(i)]; },
                [&](int done) {
                    if (std::this_thread::get_id() != caller)
                        reportedElsewhere = true;
                    else
                        reported.push_back(done);
                });
            for (int i = 0; i < count; ++i) EXPECT_EQ(runs[size_t(i)], 1) << "item " << i;
            EXPECT_FALSE(reportedElsewhere);
            EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()) &&
                        std::adjacent_find(reported.begin(), reported.end()) == reported.end());
            if (!reported.empty()) {
                EXPECT_GE(reported.front(), 1);
                EXPECT_LE(reported.back(), count);
            }
            if (threads == 1 || count <= 1) {  // the calling thread alone, every item in order
                std::vector<int> all(static_cast<size_t>(count));
                for (int i = 0; i < count; ++i) all[size_t(i)] = i + 1;
                EXPECT_EQ(reported, all);
            }
        }
}

// On a helper thread, the first item it runs throws once every other thread is inside an item;
// those items wait until the throwing thread has ended. So every item that ever starts has
// started before the throw, and the threads must stop instead of taking more. With one thread,
// the middle item throws on the calling thread.
TEST(ParallelFor, AnExceptionStopsTheItemsAndIsRethrownOnTheCallingThreadAfterTheJoin) {
    for (const int count : kCounts)
        for (const int threads : kThreads) {
            SCOPED_TRACE("count " + std::to_string(count) + ", threads " + std::to_string(threads));
            const auto caller = std::this_thread::get_id();
            const bool onHelper = threads >= 2 && count >= 2;
            const int running = std::min(threads, count);  // threads taking part
            const int throwing = count / 2;                // on the calling thread
            std::atomic<int> started{0}, finished{0}, waiting{0};
            std::atomic<bool> thrown{false}, throwerEnded{false}, timedOut{false};
            std::unique_ptr<std::atomic<int>[]> runs(new std::atomic<int>[size_t(count) + 1]());
            auto work = [&](int i) {
                ++started;
                ++runs[size_t(i)];
                if (!onHelper) {
                    if (i == throwing) throw std::runtime_error("item " + std::to_string(i));
                } else if (std::this_thread::get_id() != caller && !thrown.exchange(true)) {
                    tThreadEnd.flag = &throwerEnded;
                    if (!waitUntil([&] { return waiting == running - 1; })) timedOut = true;
                    throw std::runtime_error("item " + std::to_string(i));
                } else {
                    ++waiting;
                    if (!waitUntil([&] { return throwerEnded.load(); })) timedOut = true;
                }
                ++finished;
            };
            if (count == 0) {
                EXPECT_NO_THROW(parallelFor(count, threads, work));
                continue;
            }
            std::string message;
            try {
                parallelFor(count, threads, work);
            } catch (const std::runtime_error& e) {
                message = e.what();
                // Every thread has ended: nothing runs on after the rethrow.
                EXPECT_EQ(finished, started - 1);
                if (onHelper) {
                    EXPECT_TRUE(throwerEnded);
                }
            }
            EXPECT_FALSE(timedOut);
            EXPECT_EQ(message.rfind("item ", 0), 0u) << "no exception reached the caller";
            for (int i = 0; i < count; ++i) EXPECT_LE(runs[size_t(i)], 1) << "item " << i;
            if (onHelper) {
                EXPECT_EQ(started, running);
            } else {
                EXPECT_EQ(message, "item " + std::to_string(throwing));
                EXPECT_EQ(started, throwing + 1);
                for (int i = 0; i < count; ++i) EXPECT_EQ(runs[size_t(i)], i <= throwing ? 1 : 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EXPECT_EQ(finished, started - 1);  // still: no item started after the rethrow
        }
}

TEST(ParallelFor, ComputeThreadsStaysBetweenOneAndTheHardware) {
    const int hardware = std::max(1, int(std::thread::hardware_concurrency()));
    EXPECT_EQ(computeThreads(-3), 1);
    EXPECT_EQ(computeThreads(0), 1);
    EXPECT_EQ(computeThreads(1), 1);
    EXPECT_EQ(computeThreads(2), std::min(2, hardware));
    EXPECT_EQ(computeThreads(1 << 20), hardware);
}

TEST(ParallelFor, ForEachItemTurnsRunningOutOfMemoryIntoFalse) {
    for (const int threads : {1, 2, 8}) {
        std::atomic<int> runs{0};
        EXPECT_TRUE(forEachItem(
            50, threads, [&](int) { ++runs; }, [](int) {}));
        EXPECT_EQ(runs, 50);
        EXPECT_FALSE(forEachItem(
            50, threads,
            [](int i) {
                if (i == 10) throw std::bad_alloc();
            },
            [](int) {}));
        EXPECT_THROW(forEachItem(
                         50, threads,
                         [](int i) {
                             if (i == 10) throw std::runtime_error("not memory");
                         },
                         [](int) {}),
                     std::runtime_error);
    }
}

}  // namespace
}  // namespace qm
