#include "platform/file_bytes.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "platform/paths.h"

namespace qm {
namespace {

// How long a stream may stay silent before the read gives up.
constexpr int kStreamSilenceMs = 5000;

// Buffers given back are kept for the next file, up to this many and this size each: the files
// a painter opens one after another reuse memory that is already there.
constexpr std::size_t kPooledBuffers = 2;
constexpr std::size_t kPooledBufferBytes = std::size_t(64) << 20;

struct Buffer {
    std::unique_ptr<uint8_t[]> data;
    std::size_t capacity = 0;
};

std::mutex poolMutex;
std::vector<Buffer>& pool() {
    static std::vector<Buffer> buffers;
    return buffers;
}

// A buffer of at least `bytes` (its contents undefined); throws std::bad_alloc.
Buffer takeBuffer(std::size_t bytes) {
    {
        const std::lock_guard lock(poolMutex);
        auto& buffers = pool();
        for (auto it = buffers.begin(); it != buffers.end(); ++it)
            if (it->capacity >= bytes) {
                Buffer found = std::move(*it);
                buffers.erase(it);
                return found;
            }
    }
    const std::size_t capacity = bytes ? bytes : 1;
    return Buffer{std::unique_ptr<uint8_t[]>(new uint8_t[capacity]), capacity};
}

void giveBack(std::unique_ptr<uint8_t[]> data, std::size_t capacity) noexcept {
    if (!data || capacity > kPooledBufferBytes) return;
    const std::lock_guard lock(poolMutex);
    auto& buffers = pool();
    try {
        if (buffers.size() < kPooledBuffers) {
            buffers.push_back(Buffer{std::move(data), capacity});
            return;
        }
        // Keep the larger ones: they serve every smaller file too.
        auto smallest = buffers.begin();
        for (auto it = buffers.begin(); it != buffers.end(); ++it)
            if (it->capacity < smallest->capacity) smallest = it;
        if (smallest->capacity < capacity) *smallest = Buffer{std::move(data), capacity};
    } catch (...) {
    }
}

std::string tooLarge(std::size_t maxBytes, const std::string& resolved) {
    return "file too large (more than " + std::to_string(maxBytes) + " bytes): " + resolved;
}

// Reads `fd` to its end into `buffer` from byte `size` on, growing it as needed, at most maxBytes
// in all. A non-blocking descriptor with no data is waited for with poll. Empty on success, else
// the reason.
std::string readAll(int fd, std::size_t maxBytes, const std::string& resolved, Buffer& buffer,
                    std::size_t& size) {
    try {
        constexpr std::size_t kChunk = std::size_t(1) << 16;
        for (;;) {
            if (size > maxBytes) return tooLarge(maxBytes, resolved);
            if (size == buffer.capacity) {
                Buffer larger = takeBuffer(std::max(buffer.capacity * 2, size + kChunk));
                if (size) std::memcpy(larger.data.get(), buffer.data.get(), size);
                giveBack(std::move(buffer.data), buffer.capacity);
                buffer = std::move(larger);
            }
            const std::size_t want = std::min(buffer.capacity - size, maxBytes + 1 - size);
            const ssize_t got = ::read(fd, buffer.data.get() + size, want);
            if (got > 0) {
                size += std::size_t(got);
                continue;
            }
            if (got == 0) return size > maxBytes ? tooLarge(maxBytes, resolved) : std::string();
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

std::optional<FileBytes> FileBytes::open(std::string_view path, std::size_t maxBytes,
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
    Buffer buffer;
    std::size_t size = 0;
    std::string failure;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        failure = "not a file: " + resolved;
    } else if (S_ISREG(info.st_mode) && uint64_t(info.st_size) > maxBytes) {
        failure = "file too large (" + std::to_string(info.st_size) + " bytes, at most " +
                  std::to_string(maxBytes) + "): " + resolved;
    } else {
        // A regular file is read in one go into a buffer of its size (plus one byte, to see it
        // grow); a file that shrinks meanwhile simply gives fewer bytes. Files of the system's
        // own folders (/proc) may say 0 bytes and still have some, and streams say nothing.
        try {
            buffer = takeBuffer(S_ISREG(info.st_mode) ? std::size_t(info.st_size) + 1 : 0);
            failure = readAll(fd, maxBytes, resolved, buffer, size);
        } catch (const std::bad_alloc&) {
            failure = "not enough memory to read " + resolved;
        }
    }
    ::close(fd);
    if (!failure.empty()) {
        giveBack(std::move(buffer.data), buffer.capacity);
        error = failure;
        return std::nullopt;
    }
    FileBytes file;
    file.buffer_ = std::move(buffer.data);
    file.capacity_ = buffer.capacity;
    file.size_ = size;
    return file;
}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : buffer_(std::move(other.buffer_)),
      capacity_(std::exchange(other.capacity_, 0)),
      size_(std::exchange(other.size_, 0)) {}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        giveBack(std::move(buffer_), capacity_);
        buffer_ = std::move(other.buffer_);
        capacity_ = std::exchange(other.capacity_, 0);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

FileBytes::~FileBytes() {
    giveBack(std::move(buffer_), capacity_);
}

}  // namespace qm
