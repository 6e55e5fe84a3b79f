// Work spread over a few threads, the calling thread one of them, with one rule for failures
// and one for running on a single thread.
#pragma once

#include <functional>

namespace qm {

// Runs work(i) for every i in [0, count) on up to `threads` threads, the calling thread one of
// them; items are handed out in turn, so a helper that starts late takes fewer. With threads
// <= 1 or count <= 1, or when no helper thread can be started, the calling thread does every
// item (in order when it is alone). The items must write disjoint memory.
// The first exception thrown by an item (or by onOwnItem) stops the handing out of items; once
// every thread has ended it is rethrown on the calling thread. Items already running finish.
// onOwnItem(done), when given, runs on the calling thread after each item it ran, with the
// number of items finished so far on all threads (for progress).
void parallelFor(int count, int threads, const std::function<void(int)>& work,
                 const std::function<void(int)>& onOwnItem = {});

// The threads for work bound by the processor: min(wanted, hardware threads), at least 1.
int computeThreads(int wanted);

// parallelFor on at most 8 threads for items that may run out of memory: false when one did
// (the items after it were not started), true when every item ran. Other exceptions are
// rethrown as parallelFor does.
bool forEachItem(int count, int threads, const std::function<void(int)>& work,
                 const std::function<void(int)>& afterOwn);

}  // namespace qm
