#include "io/zip_archive.h"

#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/paths.h"

namespace qm {

namespace {

std::string zipMessage(zip_error_t* error) {
    return zip_error_strerror(error);
}

uint32_t le16(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}
uint32_t le32(std::span<const uint8_t> b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}
uint64_t le64(std::span<const uint8_t> b, std::size_t at) {
    return uint64_t(le32(b, at)) | uint64_t(le32(b, at + 4)) << 32;
}

// Calls visit(component) for each "/"-separated component of `path`, empty ones included.
template <typename Visit>
void forEachComponent(std::string_view path, Visit&& visit) {
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        visit(path.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

namespace {

// Makes the archive of `entries` in `target` (an empty, writable source). The source is kept:
// the caller frees it.
bool fillArchive(zip_source_t* target, const std::vector<ZipEntry>& entries, std::string& error) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_t* archive = zip_open_from_source(target, ZIP_CREATE | ZIP_TRUNCATE, &ze);
    if (!archive) {
        error = zipMessage(&ze);
        zip_error_fini(&ze);
        return false;
    }
    zip_error_fini(&ze);
    zip_source_keep(target);  // the archive releases it when it is closed or discarded
    auto fail = [&] {
        error = zip_strerror(archive);
        zip_discard(archive);
        return false;
    };
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        if (!source) return fail();
        const zip_int64_t index =
            zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return fail();
        }
        if (zip_set_file_compression(archive, zip_uint64_t(index),
                                     entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) != 0)
            return fail();
    }
    if (zip_close(archive) != 0) return fail();
    return true;
}

// A writable zip source over a file descriptor that starts empty: the archive is written straight
// into the file, seeking back where it fills in headers.
struct DescriptorTarget {
    int fd;
    zip_error_t error;
    zip_int64_t written = 0;  // the file's length so far

    static zip_int64_t call(void* state, void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
        auto& self = *static_cast<DescriptorTarget*>(state);
        switch (cmd) {
            case ZIP_SOURCE_SUPPORTS:
                return ZIP_SOURCE_SUPPORTS_WRITABLE;
            case ZIP_SOURCE_STAT: {
                auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &self.error);
                if (!stat) return -1;
                zip_stat_init(stat);
                stat->size = 0;  // nothing to read: a new archive
                stat->valid |= ZIP_STAT_SIZE;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_OPEN:
            case ZIP_SOURCE_CLOSE:
            case ZIP_SOURCE_READ:
            case ZIP_SOURCE_SEEK:
            case ZIP_SOURCE_TELL:
            case ZIP_SOURCE_FREE:
            case ZIP_SOURCE_COMMIT_WRITE:    // the file writer flushes and renames
            case ZIP_SOURCE_ROLLBACK_WRITE:  // ... or removes the file
            case ZIP_SOURCE_REMOVE:
                return 0;
            case ZIP_SOURCE_BEGIN_WRITE:
                if (::ftruncate(self.fd, 0) != 0 || ::lseek(self.fd, 0, SEEK_SET) != 0)
                    return self.fail();
                self.written = 0;
                return 0;
            case ZIP_SOURCE_WRITE: {
                const auto* bytes = static_cast<const uint8_t*>(data);
                zip_uint64_t done = 0;
                while (done < length) {
                    const ssize_t n = ::write(self.fd, bytes + done, length - done);
                    if (n < 0 && errno == EINTR) continue;
                    if (n <= 0) return self.fail();
                    done += zip_uint64_t(n);
                }
                return zip_int64_t(done);
            }
            case ZIP_SOURCE_SEEK_WRITE: {
                auto* seek = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &self.error);
                if (!seek) return -1;
                const int whence = seek->whence == SEEK_CUR   ? SEEK_CUR
                                   : seek->whence == SEEK_END ? SEEK_END
                                                              : SEEK_SET;
                if (::lseek(self.fd, off_t(seek->offset), whence) < 0) return self.fail();
                return 0;
            }
            case ZIP_SOURCE_TELL_WRITE: {
                const off_t at = ::lseek(self.fd, 0, SEEK_CUR);
                return at < 0 ? self.fail() : zip_int64_t(at);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&self.error, data, length);
            default:
                zip_error_set(&self.error, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }
    zip_int64_t fail() {
        zip_error_set(&error, ZIP_ER_WRITE, errno);
        return -1;
    }
};

}  // namespace

std::optional<std::vector<uint8_t>> makeZipArchive(const std::vector<ZipEntry>& entries,
                                                   std::string& error) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &ze);
    if (!target) {
        error = zipMessage(&ze);
        zip_error_fini(&ze);
        return std::nullopt;
    }
    zip_error_fini(&ze);
    std::optional<std::vector<uint8_t>> bytes;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (fillArchive(target, entries, error) && zip_source_stat(target, &stat) == 0 &&
        (stat.valid & ZIP_STAT_SIZE) && zip_source_open(target) == 0) {
        bytes.emplace(stat.size);
        zip_uint64_t done = 0;
        while (done < stat.size) {
            const zip_int64_t n = zip_source_read(target, bytes->data() + done, stat.size - done);
            if (n <= 0) break;
            done += zip_uint64_t(n);
        }
        zip_source_close(target);
        if (done != stat.size) {
            bytes.reset();
            error = "the archive could not be read back from memory";
        }
    }
    zip_source_free(target);
    return bytes;
}

bool writeZipArchive(int fd, const std::vector<ZipEntry>& entries, std::string& error) {
    DescriptorTarget state{fd, {}};
    zip_error_init(&state.error);
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* target = zip_source_function_create(&DescriptorTarget::call, &state, &ze);
    bool done = false;
    if (!target) {
        error = zipMessage(&ze);
    } else {
        done = fillArchive(target, entries, error);
        zip_source_free(target);
    }
    zip_error_fini(&ze);
    zip_error_fini(&state.error);
    return done;
}

bool zipDirectoryWithinLimits(std::span<const uint8_t> b, std::size_t maxEntries,
                              std::string& why) {
    // A directory record is 46 bytes plus a name, an extra field and a comment.
    const uint64_t maxDirectoryBytes = uint64_t(maxEntries) * (46 + 3 * 1024);
    if (b.size() < 22) return true;  // no record: the library says what is wrong
    const std::size_t lowest = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
    for (std::size_t at = b.size() - 22 + 1; at-- > lowest;) {
        if (le32(b, at) != 0x06054b50) continue;
        uint64_t entries = le16(b, at + 10), directory = le32(b, at + 12);
        if ((entries == 0xFFFF || directory == 0xFFFFFFFF) && at >= 20 &&
            le32(b, at - 20) == 0x07064b50) {
            const uint64_t record = le64(b, at - 20 + 8);
            if (b.size() >= 56 && record <= b.size() - 56 &&
                le32(b, std::size_t(record)) == 0x06064b50) {
                entries = std::max(entries, le64(b, std::size_t(record) + 32));
                directory = std::max(directory, le64(b, std::size_t(record) + 40));
            }
        }
        if (entries > maxEntries) {
            why = "it claims " + std::to_string(entries) + " entries (at most " +
                  std::to_string(maxEntries) + " are read)";
            return false;
        }
        if (directory > maxDirectoryBytes && directory != 0xFFFFFFFF) {
            why = "its directory claims " + std::to_string(directory) + " bytes";
            return false;
        }
    }
    return true;
}

bool zipNameEscapes(std::string_view name) {
    const std::string normal = normalizeSeparators(name);
    if (normal.empty() || normal.front() == '/') return true;
    if (normal.size() >= 2 && normal[1] == ':') return true;
    bool up = false;
    forEachComponent(normal, [&](std::string_view part) { up = up || part == ".."; });
    return up;
}

std::string zipEntryNameOf(std::string_view path) {
    std::string name;
    forEachComponent(normalizeSeparators(path), [&](std::string_view part) {
        if (part.empty() || part == ".") return;
        if (!name.empty()) name += '/';
        name += part;
    });
    return name;
}

// ---- ZipReader --------------------------------------------------------------------------------

std::optional<ZipReader> ZipReader::open(std::span<const uint8_t> bytes, std::string& why) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &ze);
    zip_t* archive =
        source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &ze) : nullptr;
    if (!archive) {
        why = zipMessage(&ze);
        if (source) zip_source_free(source);
        zip_error_fini(&ze);
        return std::nullopt;
    }
    zip_error_fini(&ze);
    return ZipReader(archive);
}

ZipReader::ZipReader(ZipReader&& other) noexcept : zip_(std::exchange(other.zip_, nullptr)) {}

ZipReader::~ZipReader() {
    if (zip_) zip_discard(zip_);
}

std::size_t ZipReader::entryCount() const {
    const zip_int64_t count = zip_get_num_entries(zip_, 0);
    return count < 0 ? 0 : std::size_t(count);
}

std::optional<std::string> ZipReader::entryName(std::size_t index, std::string& why) const {
    const char* name = zip_get_name(zip_, zip_uint64_t(index), ZIP_FL_ENC_RAW);
    if (!name) {
        why = zip_strerror(zip_);
        return std::nullopt;
    }
    return std::string(name);
}

std::optional<std::size_t> ZipReader::find(const std::string& name) const {
    zip_int64_t index = zip_name_locate(zip_, name.c_str(), ZIP_FL_ENC_GUESS);
    if (index < 0) index = zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
    if (index < 0) return std::nullopt;
    return std::size_t(index);
}

bool ZipReader::read(std::size_t index, std::size_t limit, std::atomic<uint64_t>& budget,
                     std::vector<uint8_t>& out, std::string& why) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip_, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        why = zip_strerror(zip_);
        return false;
    }
    if (stat.size > limit) {
        why = "it declares " + std::to_string(stat.size) + " bytes, more than the " +
              std::to_string(limit) + " allowed";
        return false;
    }
    for (uint64_t left = budget.load();;) {
        if (stat.size > left) {
            why = "the archive inflates to more than is allowed";
            return false;
        }
        if (budget.compare_exchange_weak(left, left - stat.size)) break;
    }
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file) {
        why = zip_strerror(zip_);
        return false;
    }
    out.resize(std::size_t(stat.size));
    std::size_t done = 0;
    zip_int64_t n = 0;
    while (done < out.size() && (n = zip_fread(file, out.data() + done, out.size() - done)) > 0)
        done += std::size_t(n);
    // Reading past the declared end also makes the library compare the checksum.
    uint8_t extra = 0;
    if (n >= 0) n = zip_fread(file, &extra, 1);
    if (n < 0) {
        why = zip_file_strerror(file);
    } else if (n > 0) {
        why = "it holds more bytes than it declares";
    } else if (done != out.size()) {
        why = "it holds fewer bytes than it declares";
    }
    zip_fclose(file);
    return why.empty();
}

}  // namespace qm
