// assetgen OUTDIR: writes the program's generated data and presets into OUTDIR (the template of
// the working folder that the run command copies from).
#include <cstdio>
#include <string>

#include "assetgen.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen OUTDIR\n");
        return 2;
    }
    const std::string presets = qm::joinPath(argv[1], "presets");
    std::string error;
    using Generator = bool (*)(const std::string&, std::string&);
    for (Generator generate : {qm::assetgen::generatePapers, qm::assetgen::generateBrushTips,
                               qm::assetgen::generateBrushPresets}) {
        if (!generate(presets, error)) {
            std::fprintf(stderr, "assetgen: %s\n", error.c_str());
            return 1;
        }
    }
    if (!qm::assetgen::generateEnglishLanguageFile(qm::joinPath(argv[1], "data"), error)) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    if (!qm::assetgen::generateInterfaceImages(argv[1], error)) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
