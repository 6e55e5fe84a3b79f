// assetgen OUTDIR: writes the program's generated data and presets into OUTDIR (the template of
// the working folder that the run command copies from).
// assetgen --app-icons OUTDIR NAME: writes the application's icon in the hicolor sizes into
// OUTDIR/hicolor (installed with the program).
#include <cstdio>
#include <string>

#include "assetgen.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--app-icons") {
        std::string error;
        if (qm::assetgen::generateApplicationIcons(argv[2], argv[3], error)) return 0;
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
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
