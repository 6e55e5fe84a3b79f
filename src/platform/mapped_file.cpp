#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/paths.h"

namespace qm {

std::optional<MappedFile> MappedFile::open(std::string_view path, std::size_t maxBytes,
                                           std::string& error) {
    if (!pathIsUsable(path)) {
        error = "invalid file name";
        return std::nullopt;
    }
    const std::string resolved = resolvePath(path);
    const int fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = (errno == ENOENT ? "file not found: " : "cannot open " + std::string()) + resolved;
        return std::nullopt;
    }
    struct stat info {};
    MappedFile file;
    std::string failure;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        failure = "not a file: " + resolved;
    } else if (uint64_t(info.st_size) > maxBytes) {
        failure = "file too large (" + std::to_string(info.st_size) + " bytes, at most " +
                std::to_string(maxBytes) + "): " + resolved;
    } else if (info.st_size > 0) {
        void* p = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            failure = "cannot read " + resolved + ": " + std::strerror(errno);
        } else {
            ::madvise(p, size_t(info.st_size), MADV_SEQUENTIAL);
            file.data_ = static_cast<const uint8_t*>(p);
            file.size_ = size_t(info.st_size);
            file.mapped_ = true;
        }
    }
    ::close(fd);
    if (!failure.empty()) {
        error = failure;
        return std::nullopt;
    }
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        this->~MappedFile();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (mapped_) ::munmap(const_cast<uint8_t*>(data_), size_);
}

}  // namespace qm
