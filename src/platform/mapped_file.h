// A whole file mapped into memory for reading: large files (document layers, images) are decoded
// from the system's page cache without being copied first. The program replaces files by
// renaming new ones into place (file_writer.h), never by rewriting them, so a mapped file keeps
// its bytes while it is read.
//
// What cannot be mapped is read instead, within the same limit: pipes and other streams (read
// until they end, giving up after a few seconds without data, so a silent writer never freezes
// the program), and regular files the system refuses to map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class MappedFile {
public:
    // Maps the file at (the resolution of, see paths.h) `path`; refuses folders and files larger
    // than `maxBytes` with a message naming the path. An empty file gives an empty span.
    static std::optional<MappedFile> open(std::string_view path, std::size_t maxBytes,
                                          std::string& error);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::span<const uint8_t> bytes() const { return {data_, size_}; }
    // False when the bytes were read into memory instead (streams, unmappable files).
    bool isMapped() const { return mapped_; }

private:
    MappedFile() = default;
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
    std::vector<uint8_t> copy_;  // the bytes when they were read
};

}  // namespace qm
