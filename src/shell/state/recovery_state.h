// What the automatic recovery copies (shell/commands/recovery.h) keep between idle passes.
#pragma once

#include <cstdint>

namespace qm {

// Interval between two copies, in milliseconds of the Ui clock.
constexpr int64_t kRecoveryIntervalMs = 120'000;

struct RecoveryState {
    int64_t lastCopyMs = 0;          // Ui clock when the last copy was begun (or the run began)
    uint64_t copiedGeneration = 0;   // App::editGeneration that the copy on disk holds
    int writerPid = 0;               // the child writing a copy now; 0 for none
    uint64_t writingGeneration = 0;  // the generation it writes
};

}  // namespace qm
