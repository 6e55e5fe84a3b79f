// The one way the program writes a file.
//
// A save writes a uniquely named temporary file in the target's folder, flushes it to disk,
// gives it the permissions of the file it replaces, renames it over the target and flushes the
// folder, so an interrupted save (crash, full disk, power cut) leaves either the previous file
// or the new one, never a mix and never nothing. A failed save removes its temporary file.
//
// Nothing here throws: a failure is false with a reason in `error` that names the path and can
// be shown to the user as it is.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace qm {

// Writes `bytes` to (the resolution of, see resolvePath) `path`. The folder must exist; a
// folder of that name is never replaced. A new file gets the usual permissions (0666 less the
// umask); a replaced regular file keeps its own.
bool writeFileAtomically(std::string_view path, std::string_view bytes, std::string& error);
bool writeFileAtomically(std::string_view path, std::span<const uint8_t> bytes, std::string& error);

// The checks writeFileAtomically makes before it writes (a usable name, an existing folder the
// program may write in, a target that is no folder or special file), with the same messages.
// An encoder whose work takes long asks first, so a bad path fails before the work, not after.
// Nothing is created.
bool checkFileWritable(std::string_view path, std::string& error);

// Writes the contents of a file made piece by piece (an archive, which seeks back to fill in its
// headers): `write` gets the descriptor of the temporary file (open for writing, at offset 0,
// which it may move) and returns false with a reason when it could not write everything. The
// rest is as above: flushed, permissions kept, renamed into place, removed on failure.
using FileContentWriter = std::function<bool(int fd, std::string& why)>;
bool writeFileAtomicallyWith(std::string_view path, const FileContentWriter& write,
                             std::string& error);

}  // namespace qm
