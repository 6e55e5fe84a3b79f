#include "platform/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/paths.h"

namespace qm {
namespace {

std::string systemError() {
    return std::strerror(errno);
}

// Closes a descriptor on every path.
struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }
    int close() {
        const int result = fd >= 0 ? ::close(fd) : 0;
        fd = -1;
        return result;
    }
};

bool writeAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// Creates a temporary file beside the target that did not exist before (O_EXCL never follows
// or reuses whatever is already there). The name starts with a dot so file lists skip it.
bool createTemporary(const std::string& folder, const std::string& name, Fd& file,
                     std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = joinPath(folder, "." + name + ".tmp" + std::to_string(::getpid()) + "-" +
                                    std::to_string(counter++));
        file.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file.fd >= 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// After a rename the new directory entry is durable only once the folder itself is flushed.
// Some file systems refuse fsync on a folder; the file is in place by then, so that is no failure.
void flushFolder(const std::string& folder) {
    Fd dir;
    dir.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0) (void)::fsync(dir.fd);
}

// Where a write of `path` goes, or why it cannot go there.
struct Target {
    std::string path, name, folder;
    bool replacing = false;
    struct stat old {};
};

bool checkTarget(std::string_view path, Target& t, std::string& error) {
    if (!pathIsUsable(path)) {
        error = "Cannot save: invalid file name";
        return false;
    }
    t.path = resolvePath(path);
    t.name = fileName(t.path);
    auto fail = [&](const std::string& why) {
        error = "Cannot save \"" + t.path + "\": " + why;
        return false;
    };
    if (t.name.empty() || t.name == "." || t.name == "..") return fail("no file name");
    const std::string parent = parentFolder(t.path);
    t.folder = parent.empty() ? std::string(".") : parent;

    struct stat folderInfo {};
    if (::stat(t.folder.c_str(), &folderInfo) != 0)
        return fail("the folder \"" + t.folder + "\" does not exist");
    if (!S_ISDIR(folderInfo.st_mode)) return fail("\"" + t.folder + "\" is not a folder");

    t.replacing = ::stat(t.path.c_str(), &t.old) == 0;
    if (t.replacing && S_ISDIR(t.old.st_mode)) return fail("it is a folder");
    if (t.replacing && !S_ISREG(t.old.st_mode)) return fail("it is not a regular file");
    return true;
}

}  // namespace

bool checkFileWritable(std::string_view path, std::string& error) {
    Target t;
    if (!checkTarget(path, t, error)) return false;
    if (::access(t.folder.c_str(), W_OK | X_OK) != 0) {
        error = "Cannot save \"" + t.path + "\": " + systemError();
        return false;
    }
    return true;
}

bool writeFileAtomically(std::string_view path, std::span<const uint8_t> bytes,
                         std::string& error) {
    return writeFileAtomicallyWith(
        path,
        [bytes](int fd, std::string& why) {
            if (writeAll(fd, bytes)) return true;
            why = systemError();
            return false;
        },
        error);
}

bool writeFileAtomicallyWith(std::string_view path, const FileContentWriter& write,
                             std::string& error) {
    Target t;
    if (!checkTarget(path, t, error)) return false;
    auto fail = [&](const std::string& why) {
        error = "Cannot save \"" + t.path + "\": " + why;
        return false;
    };

    Fd file;
    std::string temp;
    if (!createTemporary(t.folder, t.name, file, temp)) return fail(systemError());

    std::string failure;
    // A replaced file keeps its permissions; a new one gets the usual ones.
    if (t.replacing && ::fchmod(file.fd, t.old.st_mode & 07777) != 0) failure = systemError();
    if (failure.empty() && !write(file.fd, failure) && failure.empty())
        failure = "the contents could not be written";
    if (failure.empty() && ::fsync(file.fd) != 0) failure = systemError();
    if (file.close() != 0 && failure.empty()) failure = systemError();
    if (failure.empty() && ::rename(temp.c_str(), t.path.c_str()) != 0) failure = systemError();
    if (!failure.empty()) {
        ::unlink(temp.c_str());
        return fail(failure);
    }
    flushFolder(t.folder);
    return true;
}

bool writeFileAtomically(std::string_view path, std::string_view bytes, std::string& error) {
    return writeFileAtomically(
        path,
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
        error);
}

}  // namespace qm
