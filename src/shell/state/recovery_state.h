// What the automatic recovery copies (shell/commands/recovery.h) keep between idle passes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace qm {

// Interval between two copies, in milliseconds of the Ui clock.
constexpr int64_t kRecoveryIntervalMs = 120'000;

// A copy being written: a thread writing its own snapshot of the document. The thread touches
// nothing else of the program; what it leaves here (written, error) is read once it has been
// joined. Destroying the record cancels the copy and waits for the thread, so no thread outlives
// it.
struct RecoveryWriter {
    std::thread thread;
    std::atomic<bool> done{false};    // set by the thread last, when it has finished
    std::atomic<bool> cancel{false};  // asks the thread to stop between layers
    uint64_t generation = 0;          // App::editGeneration that the snapshot holds
    bool written = false;             // the copy is whole on disk
    std::string error;                // why it is not

    RecoveryWriter() = default;
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;
    ~RecoveryWriter() { cancelAndJoin(); }
    void join() {
        if (thread.joinable()) thread.join();
    }
    void cancelAndJoin() {
        cancel.store(true, std::memory_order_relaxed);
        join();
    }
};

struct RecoveryState {
    int64_t lastCopyMs = 0;         // Ui clock when the last copy was begun (or the run began)
    uint64_t copiedGeneration = 0;  // App::editGeneration that the copy on disk holds
    std::unique_ptr<RecoveryWriter> writer;  // the copy being written; null for none
};

}  // namespace qm
