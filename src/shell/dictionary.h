// The language dictionary: interface texts by key, with built-in English texts.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace qm {

using Dictionary = std::map<std::string, std::string>;

// Fills the dictionary with the built-in English texts (the menu table's defaults and the
// texts of messages, panels and buttons). Existing entries are replaced.
void loadBuiltinDictionary(Dictionary& dictionary);

// The text of `key`. A key the dictionary lacks is added with an empty text, so a caption with
// an unknown key shows empty rather than failing.
const std::string& Text(Dictionary& dictionary, std::string_view key);

}  // namespace qm
