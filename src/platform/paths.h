// Paths and file-system access.
//
// Stored paths come from files written on other systems ("Data\ui\icone\", "presets\Brush"):
// they may use "\" and a letter case that differs from the disk. Every file access of the
// program goes through resolvePath(), which turns "\" into "/" and, when the exact path does
// not exist, matches each component case-insensitively (ASCII) against the folder's entries.
//
// Nothing here throws: failures are false / empty results, with a reason where the caller may
// show one. A path containing a NUL byte or an empty path is never touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_writer.h"

namespace qm {

// ASCII-only case helpers (file names and keys are compared this way, independent of locale).
char toLowerAscii(char c);
std::string toLowerAscii(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool endsWithIgnoreCase(std::string_view s, std::string_view suffix);

// "\" becomes "/"; nothing else changes.
std::string normalizeSeparators(std::string_view path);

// The path to use on disk for `path`: the exact path when it exists; otherwise each component is
// matched case-insensitively against its folder's entries as far as they exist, and the rest is
// kept as given (so the result can be created). When several entries differ only by case, the
// first in byte order is taken. A trailing "/" is kept.
std::string resolvePath(std::string_view path);

// Non-empty and free of NUL bytes: a path the file system can be asked about.
bool pathIsUsable(std::string_view path);

// Existence tests, on the resolved path.
bool fileExists(std::string_view path);    // a regular file (or a link to one)
bool folderExists(std::string_view path);  // a folder (or a link to one)

// Creates the folder and any missing parents; true when the folder exists afterwards.
bool createFolders(std::string_view path, std::string& error);

// The process's working directory ("." if it cannot be read).
std::string workingDirectory();

enum class EntryKind { Files, Folders };

// True when `name` matches `pattern` case-insensitively: "*" is any run of characters, "?" one
// character. Several patterns may be given separated by ";" ("*.png;*.jpg"). "*.*" matches
// every name, with or without a dot, as on the systems the stored patterns come from.
bool matchesPattern(std::string_view pattern, std::string_view name);

// The names (not paths) of the files or folders in `folder` whose name matches `pattern`,
// sorted case-insensitively (byte order between names that differ only by case) so results do
// not depend on the file system's order. An unreadable or missing folder gives an empty list.
std::vector<std::string> listFolder(std::string_view folder, std::string_view pattern,
                                    EntryKind kind);

// True for a single file-name component: non-empty, no "/", "\" or NUL, not "." or "..".
// Names taken from files (layer names, preset names) must pass this before they are joined to
// a folder, so a hand-edited file cannot make the program write outside that folder.
bool isPlainFileName(std::string_view name);

// Name helpers. Both "/" and "\" count as separators, since stored paths use either.
// joinPath("a\\b", "c.png") == "a\\b/c.png"; an empty part yields the other; an absolute
// second part is not special (the result stays under the first part).
std::string joinPath(std::string_view folder, std::string_view name);
std::string fileName(std::string_view path);      // "a/b/c.png" -> "c.png"
std::string parentFolder(std::string_view path);  // "a/b/c.png" -> "a/b"; "c.png" -> ""
// The extension without its dot, as written: "c.PNG" -> "PNG"; "a.b/c" -> ""; ".hidden" -> "".
std::string fileExtension(std::string_view path);
// The path without the extension of its file part: "a/c.png" -> "a/c"; "a.b/c" -> "a.b/c".
std::string removeExtension(std::string_view path);

// Whole-file access, bounded in size.
//
// Reads the file at (the resolution of) `path`; refuses folders, special files and files larger
// than `maxBytes` with a message naming the path.
std::optional<std::string> readFileLimited(std::string_view path, std::size_t maxBytes,
                                           std::string& error);
// Writing goes through writeFileAtomically (platform/file_writer.h), included here for the
// callers that read and write.

}  // namespace qm
