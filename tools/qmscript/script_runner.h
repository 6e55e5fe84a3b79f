// Runs a parsed qmscript against the program: start-up with the fake Ui, the script's events,
// the shut-down.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qmscript/script_parser.h"

namespace qm::script {

struct RunOptions {
    std::string scriptFolder;  // absolute; write paths and answer paths are relative to it
    std::optional<uint64_t> seed;
};

// 0 on success; otherwise the run stopped with `error` ("line N: ...").
int runScript(const std::vector<Command>& commands, const RunOptions& options, std::string& error);

}  // namespace qm::script
