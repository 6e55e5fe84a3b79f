// A file for the fuzz targets whose parsers read from a path: it lives in a private folder made
// for this process and removed, with what is in it, when the process ends.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace qm::fuzz {

class ScratchFile {
public:
    explicit ScratchFile(const std::string& name) {
        std::string pattern = (std::filesystem::temp_directory_path() / "qm_fuzz_XXXXXX").string();
        if (::mkdtemp(pattern.data())) folder_ = pattern;
        path_ = folder_.empty() ? std::string() : folder_ + "/" + name;
    }
    ~ScratchFile() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Writes the input as the file's whole content; its path, empty when no folder could be made.
    const std::string& write(const uint8_t* data, size_t size) const {
        if (!path_.empty())
            std::ofstream(path_, std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(data), std::streamsize(size));
        return path_;
    }

private:
    std::string folder_;
    std::string path_;
};

}  // namespace qm::fuzz
