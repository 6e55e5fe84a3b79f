// The language dictionary: interface texts by key, with built-in English texts.
//
// The texts come from "data/txt/lang/<lang>.ini", a key/value file in groups. Each entry is read
// with its file key inside its group (often the dictionary key itself, in some groups a digit or
// an outline number such as "2_1") and stored under its dictionary key; a key read in several
// groups keeps the text of the last one ("Layers" the text of group "Panel"). Whatever the file
// lacks, or when there is no file, the built-in English text stands.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

using Dictionary = std::map<std::string, std::string>;

struct DictionaryEntry {
    const char* key;      // the dictionary key
    const char* fileKey;  // the key in the language file's group
    const char* text;     // the built-in English text
};

struct DictionaryGroup {
    const char* name;
    std::span<const DictionaryEntry> entries;
};

// The groups in reading order.
std::span<const DictionaryGroup> dictionaryGroups();
// Tool tips of controls the groups give no key, read from the file's "Tooltip" group after the
// groups.
std::span<const DictionaryEntry> extraTooltipEntries();
// The texts of the panels, dialogs and messages, read from the file's "Texts" group after all
// others; most keys are the English text itself.
std::span<const DictionaryEntry> textEntries();

// `text` with "%1", "%2", ... replaced by the values in order ("%1 x %1" takes the first twice).
std::string fillIn(std::string text, std::initializer_list<std::string_view> values);

// Fills the dictionary with the built-in English texts: the menu table's defaults, then the
// groups' entries, then the texts of the messages whose keys no group defines. Existing
// entries are replaced.
void loadBuiltinDictionary(Dictionary& dictionary);

// The language file of `lang` under the working folder; nullopt when `lang` is not a plain file
// name (a hand-edited "../x" never reads outside the language folder).
std::optional<std::string> languageFilePath(std::string_view workDir, std::string_view lang);

// Replaces the dictionary with the built-in texts and the texts of the language file of `lang`.
// False when the file could not be read (the built-in texts then stand, no message: a missing
// language is not an error).
bool loadDictionary(Dictionary& dictionary, std::string_view workDir, std::string_view lang);
// The same from a file's text (for tests and the fuzzer).
void loadDictionaryFromText(Dictionary& dictionary, std::string_view fileText);

// The languages offered: the names of the "*.ini" files of the language folder (any case of
// the extension) without it, in listing order.
std::vector<std::string> listLanguages(std::string_view workDir);

// A complete language file of the built-in texts, every group and entry once, in reading order.
std::string builtinLanguageFileText();

// The text of `key`. A key the dictionary lacks is added with an empty text, so a caption with
// an unknown key shows empty rather than failing.
const std::string& Text(Dictionary& dictionary, std::string_view key);

}  // namespace qm
