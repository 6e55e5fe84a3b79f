#include "platform/mapped_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "platform/paths.h"

namespace qm {
namespace {

// How long a stream may stay silent before the read gives up.
constexpr int kStreamSilenceMs = 5000;

// Reads `fd` (non-blocking) to its end into `out`, at most maxBytes. Empty on success, else the
// reason.
std::string readAll(int fd, std::size_t maxBytes, const std::string& resolved,
                    std::vector<uint8_t>& out) {
    try {
        constexpr std::size_t kChunk = std::size_t(1) << 16;
        for (;;) {
            if (out.size() > maxBytes)
                return "file too large (more than " + std::to_string(maxBytes) +
                       " bytes): " + resolved;
            const std::size_t at = out.size();
            out.resize(at + kChunk);
            const ssize_t got = ::read(fd, out.data() + at, kChunk);
            out.resize(at + (got > 0 ? std::size_t(got) : 0));
            if (got > 0) continue;
            if (got == 0) return {};
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                return "cannot read " + resolved + ": " + std::strerror(errno);
            pollfd waiting{fd, POLLIN, 0};
            const int ready = ::poll(&waiting, 1, kStreamSilenceMs);
            if (ready == 0) return "no data arrived from " + resolved;
            if (ready < 0 && errno != EINTR)
                return "cannot read " + resolved + ": " + std::strerror(errno);
        }
    } catch (const std::bad_alloc&) {
        return "not enough memory to read " + resolved;
    }
}

}  // namespace

std::optional<MappedFile> MappedFile::open(std::string_view path, std::size_t maxBytes,
                                           std::string& error) {
    if (!pathIsUsable(path)) {
        error = "invalid file name";
        return std::nullopt;
    }
    const std::string resolved = resolvePath(path);
    // Non-blocking: opening a pipe nobody writes to must not wait.
    const int fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno == ENOENT   ? "file not found: " + resolved
                : errno == EISDIR ? "not a file: " + resolved
                                  : "cannot open " + resolved + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    MappedFile file;
    std::string failure;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        failure = "not a file: " + resolved;
    } else if (!S_ISREG(info.st_mode)) {
        failure = readAll(fd, maxBytes, resolved, file.copy_);
    } else if (uint64_t(info.st_size) > maxBytes) {
        failure = "file too large (" + std::to_string(info.st_size) + " bytes, at most " +
                  std::to_string(maxBytes) + "): " + resolved;
    } else if (info.st_size > 0) {
        void* p = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            failure = readAll(fd, maxBytes, resolved, file.copy_);
        } else {
            // Read once from start to end: read ahead, and start reading now.
            ::madvise(p, size_t(info.st_size), MADV_SEQUENTIAL);
            ::madvise(p, size_t(info.st_size), MADV_WILLNEED);
            file.data_ = static_cast<const uint8_t*>(p);
            file.size_ = size_t(info.st_size);
            file.mapped_ = true;
        }
    } else {
        // Files of the system's own folders (/proc) may say 0 bytes and still have some.
        failure = readAll(fd, maxBytes, resolved, file.copy_);
    }
    ::close(fd);
    if (!failure.empty()) {
        error = failure;
        return std::nullopt;
    }
    if (!file.mapped_) {
        file.data_ = file.copy_.data();
        file.size_ = file.copy_.size();
    }
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)),
      copy_(std::move(other.copy_)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        if (mapped_) ::munmap(const_cast<uint8_t*>(data_), size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, false);
        copy_ = std::move(other.copy_);
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (mapped_) ::munmap(const_cast<uint8_t*>(data_), size_);
}

}  // namespace qm
