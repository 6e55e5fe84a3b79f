// The persisted fields of the document and of its layers, listed once: the document index file
// reads and writes them in this order, and the state dump of the script runner lists them.
#pragma once

#include <algorithm>
#include <span>
#include <type_traits>

#include <variant>

#include "document/document.h"
#include "document/view_state.h"
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

// A field of the animation part of the document file. A number read is brought within
// least..most before it is stored (a hand-edited value never wraps); a missing key or one that
// holds no number takes `absent` ("none": the reader's own rule gives it).
template <typename Record>
struct AnimationField {
    const char* key;
    FieldOf<Record> member;
    FieldDefault absent;
    int64_t least = 0, most = 0;
};

// A frame setting: of the document (Fps, FrameTotal) or of the view state it is shown in (the
// current frame, the playback range, the onion skins), which the file keeps too.
using AnimationSettingField = std::variant<AnimationField<Document>, AnimationField<ViewState>>;
// The frame settings, in the [Animation] section, in the order they are written.
std::span<const AnimationSettingField> animationSettingFields();
// An animation layer's section, after its "Key".
std::span<const AnimationField<AnimationLayer>> animationLayerFields();
// An animation frame's section, after the key of its animation layer ("Image" follows).
std::span<const AnimationField<AnimationFrame>> animationFrameFields();

// Reads a field of such a table from the selected group of `file` into `record`.
template <typename Record>
void readAnimationField(const KeyValueFile& file, const AnimationField<Record>& field,
                        Record& record) {
    withField(record, field.member, [&](auto& member) {
        using T = std::remove_cvref_t<decltype(member)>;
        if constexpr (std::is_integral_v<T>) {
            if (const auto v = parseLenientInteger(file.readText(field.key)))
                return void(member = lowBits<T>(std::clamp(*v, field.least, field.most)));
            setField(member, field.absent);
        } else {
            readField(file, field.key, field.absent, member);
        }
    });
}

}  // namespace qm
