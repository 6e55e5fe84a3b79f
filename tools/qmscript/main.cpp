// qmscript [--workdir DIR] [--seed N] SCRIPT
// Runs the program's start-up in DIR with a fake Ui, feeds it the events of SCRIPT, and writes
// what the script asks for (paths relative to the script's folder).
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/key_value_file.h"
#include "platform/paths.h"
#include "qmscript/script_parser.h"
#include "qmscript/script_runner.h"

namespace {

constexpr std::size_t kMaxScriptBytes = std::size_t(64) << 20;

int usage() {
    std::fprintf(stderr, "usage: qmscript [--workdir DIR] [--seed N] SCRIPT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string workDir, scriptPath;
    qm::script::RunOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--workdir" && i + 1 < argc) {
            workDir = argv[++i];
        } else if (arg == "--seed" && i + 1 < argc) {
            const auto seed = qm::parseLenientInteger(argv[++i]);
            if (!seed) return usage();
            options.seed = uint64_t(*seed);
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else if (scriptPath.empty()) {
            scriptPath = arg;
        } else {
            return usage();
        }
    }
    if (scriptPath.empty()) return usage();

    std::string error;
    const auto text = qm::readFileLimited(scriptPath, kMaxScriptBytes, error);
    if (!text) {
        std::fprintf(stderr, "qmscript: %s\n", error.c_str());
        return 2;
    }
    const auto parsed = qm::script::parseScript(*text);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s:%s\n", scriptPath.c_str(), parsed.error.c_str());
        return 2;
    }
    std::error_code ec;
    options.scriptFolder =
        fs::absolute(fs::path(qm::resolvePath(scriptPath)), ec).parent_path().string();
    if (!workDir.empty()) {
        fs::current_path(workDir, ec);
        if (ec) {
            std::fprintf(stderr, "qmscript: cannot work in \"%s\": %s\n", workDir.c_str(),
                         ec.message().c_str());
            return 2;
        }
    }
    const int status = qm::script::runScript(parsed.commands, options, error);
    if (status != 0) std::fprintf(stderr, "%s:%s\n", scriptPath.c_str(), error.c_str());
    return status;
}
