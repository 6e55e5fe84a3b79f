// Files for the brush tests: a fresh working folder and tip images written into it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "codecs/codecs.h"
#include "raster/image.h"
#include "support/temp_folder.h"

namespace qm::test {

// A fresh working folder per test, removed afterwards.
struct WorkFolder : TempFolder {
    WorkFolder() : TempFolder("qm_brush") {}

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
inline Image solidTip(int w, int h, uint32_t colour) {
    Image image = *createImage(w, h, 32);
    for (uint32_t& p : image.pixels) p = colour;
    return image;
}

}  // namespace qm::test
