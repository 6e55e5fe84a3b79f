// The persisted fields of the document and of its layers, listed once: the document index file
// reads and writes them in this order, and the state dump of the script runner lists them.
#pragma once

#include <span>

#include "document/document.h"
#include "platform/key_value_file.h"

namespace qm {

struct DocumentField {
    const char* key;
    FieldOf<Document> member;
    FieldDefault absent;  // what a reader takes when the key is missing
};

struct LayerField {
    const char* key;
    FieldOf<LayerProperties> member;
    // What a reader takes when the key is missing; "none" where the reader's own rule gives it
    // (the Name and Position of a layer follow its running number in the file).
    FieldDefault absent;
};

// "Doc_w" and "Doc_h", after the layer count.
std::span<const DocumentField> documentFields();
// A layer's section, in the order it is written ("Image" follows them, naming its file).
std::span<const LayerField> layerFields();

}  // namespace qm
