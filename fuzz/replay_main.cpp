// Runs a fuzz target over the files named on the command line, for builds without libFuzzer.
// A folder stands for every regular file in it (in name order), as with libFuzzer; a folder
// without files is an error, so a seed set that was not generated cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool replay(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!fs::is_directory(argv[i], ec)) {
            if (!replay(argv[i])) return 1;
            continue;
        }
        std::vector<std::string> files;
        for (fs::directory_iterator it(argv[i], ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec)) files.push_back(it->path().string());
        std::sort(files.begin(), files.end());
        if (files.empty()) {
            std::fprintf(stderr, "no files to replay in %s\n", argv[i]);
            return 1;
        }
        for (const std::string& f : files)
            if (!replay(f)) return 1;
    }
    return 0;
}
