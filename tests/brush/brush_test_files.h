// Files for the brush tests: a fresh working folder and tip images written into it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "codecs/codecs.h"
#include "raster/image.h"

namespace qm::test {

// A fresh working folder per test, removed afterwards.
struct WorkFolder {
    std::filesystem::path path;
    WorkFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qm_brush_XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    std::string str() const { return path.string(); }
    std::string file(const std::string& relative) const { return (path / relative).string(); }

    void writeText(const std::string& relative, const std::string& text) const {
        std::filesystem::create_directories((path / relative).parent_path());
        std::ofstream(path / relative, std::ios::binary) << text;
    }
    // presets/brush/<folder>/brush<index>.png holding `image`.
    void writeTip(const std::string& folder, int index, const Image& image) const {
        const auto dir = path / "presets" / "brush" / folder;
        std::filesystem::create_directories(dir);
        std::string error;
        ASSERT_TRUE(
            savePngFile(image, (dir / ("brush" + std::to_string(index) + ".png")).string(), error))
            << error;
    }
};

// A w x h tip image of one colour.
inline Image solidTip(int w, int h, uint32_t color) {
    Image image = *createImage(w, h, 32);
    for (uint32_t& p : image.pixels) p = color;
    return image;
}

}  // namespace qm::test
