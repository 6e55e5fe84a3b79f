// Fuzz target: a hand-edited or damaged document, its index and a folder of layer files.
//
// Input: the index text, then any number of files, each introduced by the bytes "\0QMF:" and
// followed by its name, a "\0" and its content. The files are written into the layer folder,
// or into its frame folder for a name "frames/NAME" (a name that is not a plain file name is
// stored as "fN.png") and the document is opened.
// Any input must open or be refused without crashing, hanging or allocating without bound.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "document/qmd_format.h"
#include "platform/key_value_file.h"
#include "platform/paths.h"

namespace {

constexpr std::string_view kMarker{"\0QMF:", 5};

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    static const fs::path root =
        fs::temp_directory_path() / ("qm_fuzz_qmd_" + std::to_string(::getpid()));
    const fs::path folder = root / "d";
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(folder, ec);

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t end = input.find(kMarker);
    const std::string_view index = input.substr(0, end);
    // Large documents are only slow: every layer and frame is made at the document size.
    auto header = qm::KeyValueFile::parse(index);
    // Sizes beyond 16000 a side are refused by the reader and cost nothing.
    const int64_t w = header.readInteger("Doc_w", 800), h = header.readInteger("Doc_h", 600);
    int64_t n = std::clamp<int64_t>(header.readInteger("Nb_layer", 1), 1, 255);
    header.selectGroup("Animation");
    n += std::clamp<int64_t>(header.readInteger("Nb_frame", 0), 0, qm::kMaxDocumentFrames);
    if (w > 0 && h > 0 && w <= 16000 && h <= 16000 && w * h * n > (int64_t(1) << 22)) return 0;
    writeBytes(root / "d.qmd", index);

    for (int k = 0; end != std::string_view::npos; ++k) {
        const size_t start = end + kMarker.size();
        end = input.find(kMarker, start);
        const std::string_view part = input.substr(start, end == std::string_view::npos ? end : end - start);
        const size_t nul = part.find('\0');
        const std::string name(part.substr(0, nul));
        const std::string_view content = nul == std::string_view::npos ? "" : part.substr(nul + 1);
        const std::string frame = name.substr(0, 7) == "frames/" ? name.substr(7) : std::string();
        if (!frame.empty() && qm::isPlainFileName(frame)) {
            fs::create_directories(folder / "frames", ec);
            writeBytes(folder / "frames" / frame, content);
            continue;
        }
        writeBytes(folder / (qm::isPlainFileName(name) ? name : "f" + std::to_string(k) + ".png"),
                   content);
    }

    std::string error;
    auto doc = qm::readDocumentFile((root / "d.qmd").string(), 1, error);
    if (doc) {
        // What was read saves again, its animation with it.
        qm::Document saved;
        saved.Width = doc->Width;
        saved.Height = doc->Height;
        saved.layers = doc->layers;
        qm::ViewState view;
        if (qm::installAnimation(saved, view, std::move(doc->animation)))
            qm::writeDocumentFile(saved, view, (root / "again.qmd").string(), error, {1, {}});
    }
    fs::remove_all(root, ec);
    return 0;
}
