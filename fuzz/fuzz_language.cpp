// Fuzz target: a damaged or hand-edited language file. Any text must load, give every key of
// every group a text, and a loaded dictionary must survive the lookups the program makes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/settings/dictionary.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qm::Dictionary dictionary;
    qm::loadDictionaryFromText(dictionary, text);
    for (const qm::DictionaryGroup& group : qm::dictionaryGroups())
        for (const qm::DictionaryEntry& e : group.entries) check(dictionary.count(e.key) == 1);
    qm::Text(dictionary, "error");
    qm::Text(dictionary, text.substr(0, 32));
    return 0;
}
