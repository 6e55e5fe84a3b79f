// A fresh, uniquely named folder for one test, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace qm::test {

struct TempFolder {
    std::filesystem::path path;
    explicit TempFolder(const std::string& prefix = "qm_test") {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
        path = mkdtemp(tmpl.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string str() const { return path.string(); }
    std::string file(const std::string& relative) const { return (path / relative).string(); }
    // Writes `text` to a file below the folder, creating the folders on the way.
    void writeText(const std::string& relative, const std::string& text) const {
        std::filesystem::create_directories((path / relative).parent_path());
        std::ofstream(path / relative, std::ios::binary) << text;
    }
};

}  // namespace qm::test
