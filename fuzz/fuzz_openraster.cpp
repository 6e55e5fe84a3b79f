// Fuzz target: an OpenRaster archive from another program, damaged or hostile (a zip bomb, names
// leaving the archive, a hand-edited stack). Any input must open or be refused without crashing,
// hanging or allocating without bound; what opens must save again.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "io/openraster.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    // Large documents are only slow: every layer is made at the document size.
    const auto read = qm::readOpenRaster(std::span<const uint8_t>(data, size), "fuzz.ora", 1, error,
                                         int64_t(1) << 22);
    if (read) {
        qm::Document doc;
        doc.Width = read->document.Width;
        doc.Height = read->document.Height;
        doc.layers = read->document.layers;
        (void)qm::encodeOpenRaster(doc, error, {1, {}});
    }
    return 0;
}
