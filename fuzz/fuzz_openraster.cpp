// Fuzz target: an OpenRaster archive from another program, damaged or hostile (a zip bomb, names
// leaving the archive, a hand-edited stack). Any input must open or be refused without crashing,
// hanging or allocating without bound; what opens must save again.
//
// Input: an archive as it is (starting with "PK"), or, so that mutations reach the stack and the
// pictures past the archive's checksums, a stack.xml text followed by any number of files, each
// introduced by the bytes "\0ORA:" and followed by its name, a "\0" and its content; these are
// packed into an archive (with its mimetype entry first) before it is read.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/openraster.h"
#include "io/zip_archive.h"

namespace {

constexpr std::string_view kMarker{"\0ORA:", 5};

std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> packed;
    std::span<const uint8_t> archive(data, size);
    std::string error;
    if (!input.starts_with("PK")) {
        size_t end = input.find(kMarker);
        std::vector<qm::ZipEntry> entries = {{"mimetype", bytesOf("image/openraster"), false},
                                             {"stack.xml", bytesOf(input.substr(0, end)), true}};
        while (end != std::string_view::npos) {
            const size_t start = end + kMarker.size();
            end = input.find(kMarker, start);
            const std::string_view part =
                input.substr(start, end == std::string_view::npos ? end : end - start);
            const size_t nul = part.find('\0');
            const std::string_view content =
                nul == std::string_view::npos ? std::string_view() : part.substr(nul + 1);
            entries.push_back({std::string(part.substr(0, nul)), bytesOf(content), false});
        }
        auto made = qm::makeZipArchive(entries, error);
        if (!made) return 0;  // names the library refuses
        packed = std::move(*made);
        archive = packed;
    }
    // Large documents are only slow: every layer is made at the document size.
    const auto read = qm::readOpenRaster(archive, "fuzz.ora", 1, error, int64_t(1) << 22);
    if (read) {
        qm::Document doc;
        doc.Width = read->document.Width;
        doc.Height = read->document.Height;
        doc.layers = read->document.layers;
        (void)qm::encodeOpenRaster(doc, error, {1, {}});
    }
    return 0;
}
