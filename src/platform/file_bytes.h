// The bytes of a whole file, read into memory for decoding (document layers, images).
//
// Files are read, not mapped: a file that another program shortens while we decode it must give
// a short read and a message, never a fault in the middle of a decoder. The buffers come from a
// small pool that keeps its memory, so opening one image after another does not make fresh
// pages each time.
//
// Pipes and other streams are read until they end, giving up after a few seconds without data,
// so a silent writer never freezes the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qm {

class FileBytes {
public:
    // Reads the file at (the resolution of, see paths.h) `path`; refuses folders and files larger
    // than `maxBytes` with a message naming the path. An empty file gives an empty span.
    static std::optional<FileBytes> open(std::string_view path, std::size_t maxBytes,
                                         std::string& error);

    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

    std::span<const uint8_t> bytes() const { return {buffer_.get(), size_}; }

private:
    FileBytes() = default;
    std::unique_ptr<uint8_t[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

}  // namespace qm
