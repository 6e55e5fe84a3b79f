// Zip archives, through libzip: one made in memory from a list of entries, and one held in
// memory read entry by entry with every size it declares checked. Nothing is ever extracted to
// disk.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct zip;  // libzip's archive

namespace qm {

struct ZipEntry {
    std::string name;
    std::span<const uint8_t> data;  // must live until the archive is made
    bool deflate = false;           // false: stored as it is
};

// The archive holding `entries` in their order, without extra fields.
std::optional<std::vector<uint8_t>> makeZipArchive(const std::vector<ZipEntry>& entries,
                                                   std::string& error);
// The same archive written into the file open for writing as `fd` (emptied first), without a
// copy of it in memory: for writeFileAtomicallyWith (platform/file_writer.h).
bool writeZipArchive(int fd, const std::vector<ZipEntry>& entries, std::string& error);

// Checks what the end records near the end of an archive (where every zip reader looks for
// them) claim, before a zip library is asked to read the archive's directory: every candidate
// record, ZIP64 ones included, must claim at most `maxEntries` entries and a directory of a size
// such entries may have.
bool zipDirectoryWithinLimits(std::span<const uint8_t> archive, std::size_t maxEntries,
                              std::string& why);

// A name inside an archive that points outside it: empty, absolute, with a drive or with "..".
bool zipNameEscapes(std::string_view name);

// The entry name a relative path stands for: "\" as "/", "." and empty components dropped
// ("./data//a.png" is "data/a.png").
std::string zipEntryNameOf(std::string_view path);

// An archive read from bytes it does not own (they must outlive it).
class ZipReader {
public:
    // nullopt with the library's reason when the bytes are not a consistent archive.
    static std::optional<ZipReader> open(std::span<const uint8_t> bytes, std::string& why);
    ZipReader(ZipReader&& other) noexcept;
    ZipReader& operator=(ZipReader&&) = delete;
    ZipReader(const ZipReader&) = delete;
    ~ZipReader();

    std::size_t entryCount() const;
    // The name of entry `index` as stored; nullopt with a reason when it cannot be read.
    std::optional<std::string> entryName(std::size_t index, std::string& why) const;
    // The entry named exactly `name`, else one that differs from it only in letter case.
    std::optional<std::size_t> find(const std::string& name) const;
    // The bytes of entry `index`. Its declared size must be at most `limit` and at most what is
    // left of `budget` (it is taken from it), and the entry must hold exactly that many bytes
    // with the right checksum. Reading an entry that claims little and inflates to much stops
    // after the declared size.
    bool read(std::size_t index, std::size_t limit, std::atomic<uint64_t>& budget,
              std::vector<uint8_t>& out, std::string& why) const;

private:
    explicit ZipReader(::zip* archive) : zip_(archive) {}
    ::zip* zip_;
};

}  // namespace qm
