// Format detection, loading image files and saving them without ever losing the previous file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "codecs/codecs.h"

namespace qm {
namespace {

// The largest file loadImageFile reads; no image the program handles comes close.
constexpr uint64_t kMaxImageFileBytes = uint64_t(512) << 20;

uint16_t u16le(std::span<const uint8_t> d, size_t at) {
    return uint16_t(d[at] | d[at + 1] << 8);
}
uint32_t u32le(std::span<const uint8_t> d, size_t at) {
    return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
           uint32_t(d[at + 3]) << 24;
}

bool startsWith(std::span<const uint8_t> d, std::initializer_list<uint8_t> bytes) {
    if (d.size() < bytes.size()) return false;
    size_t i = 0;
    for (uint8_t b : bytes)
        if (d[i++] != b) return false;
    return true;
}

bool hasTgaExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tga";
}

// A clipboard DIB: a bitmap info header without the "BM" file header in front.
bool looksLikeBareDib(std::span<const uint8_t> d) {
    if (d.size() < 16) return false;
    const uint32_t headerSize = u32le(d, 0);
    if (headerSize == 12) return u16le(d, 8) == 1;  // OS/2 core header: planes
    const bool known = headerSize == 40 || headerSize == 52 || headerSize == 56 ||
                       headerSize == 64 || headerSize == 108 || headerSize == 124;
    return known && u16le(d, 12) == 1;
}

// TGA has no signature. Without the hint the 18-byte header must be consistent throughout;
// with a ".tga" name, a known image type and sane sizes are enough.
bool looksLikeTga(std::span<const uint8_t> d, bool nameSaysTga) {
    if (d.size() < 18) return false;
    const uint8_t mapType = d[1], type = d[2], mapBits = d[7], depth = d[16];
    const uint16_t width = u16le(d, 12), height = u16le(d, 14);
    const bool mapped = type == 1 || type == 9;
    const bool trueColour = type == 2 || type == 10;
    const bool grey = type == 3 || type == 11;
    if (!mapped && !trueColour && !grey) return false;
    if (mapType > 1 || width == 0 || height == 0) return false;
    if (nameSaysTga) return true;
    if (mapped && (mapType != 1 || (depth != 8 && depth != 16))) return false;
    if (mapType == 1 && mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
        return false;
    if (trueColour && depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
    if (grey && depth != 8 && depth != 16) return false;
    return (d[17] & 0xC0) == 0;  // interleaving was never used
}

std::string systemError() {
    return std::strerror(errno);
}

// Closes a descriptor on every path.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
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

// Writes `bytes` to a new file beside `path` and renames it over `path`, so that the previous
// file stays whole until the new one is complete on disk.
bool writeFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string& error) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    if (target.filename().empty()) {
        error = "Cannot save \"" + path + "\": no file name";
        return false;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) {
        error = "Cannot save \"" + path + "\": it is a folder";
        return false;
    }

    static std::atomic<unsigned> counter{0};
    std::string temp;
    Fd file;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
        temp = (folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) +
                          "-" + std::to_string(counter++)))
                   .string();
        // O_EXCL: never follow or reuse something that is already there.
        file.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file.fd < 0 && errno != EEXIST) break;
    }
    if (file.fd < 0) {
        error = "Cannot save \"" + path + "\": " + systemError();
        return false;
    }
    // A replaced file keeps its permissions; a new one gets the usual ones (0666 less umask).
    if (replacing && S_ISREG(old.st_mode)) (void)::fchmod(file.fd, old.st_mode & 07777);

    std::string failure;
    if (!writeAll(file.fd, bytes) || ::fsync(file.fd) != 0) failure = systemError();
    if (::close(file.fd) != 0 && failure.empty()) failure = systemError();
    file.fd = -1;
    if (failure.empty() && ::rename(temp.c_str(), path.c_str()) != 0) failure = systemError();
    if (failure.empty()) return true;
    error = "Cannot save \"" + path + "\": " + failure;
    ::unlink(temp.c_str());
    return false;
}

}  // namespace

ImageFormat sniffImageFormat(std::span<const uint8_t> data, const std::string& nameHint) {
    // "\x89PNG" alone is enough: a damaged rest of the signature should be reported as such.
    if (startsWith(data, {0x89, 'P', 'N', 'G'})) return ImageFormat::Png;
    if (startsWith(data, {0xFF, 0xD8, 0xFF})) return ImageFormat::Jpeg;
    if (startsWith(data, {'I', 'I', 42, 0}) || startsWith(data, {'M', 'M', 0, 42}) ||
        startsWith(data, {'I', 'I', 43, 0}) || startsWith(data, {'M', 'M', 0, 43}))
        return ImageFormat::Tiff;
    if (startsWith(data, {'B', 'M'}) || startsWith(data, {'B', 'A'})) return ImageFormat::Bmp;
    // ICO (type 1) and CUR (type 2) with at least one entry.
    if ((startsWith(data, {0, 0, 1, 0}) || startsWith(data, {0, 0, 2, 0})) && data.size() >= 6 &&
        u16le(data, 4) > 0)
        return ImageFormat::Ico;
    const bool nameSaysTga = hasTgaExtension(nameHint);
    if (nameSaysTga && looksLikeTga(data, true)) return ImageFormat::Tga;
    if (looksLikeBareDib(data)) return ImageFormat::Bmp;
    if (looksLikeTga(data, false)) return ImageFormat::Tga;
    return ImageFormat::Unknown;
}

std::optional<Image> decodeImage(std::span<const uint8_t> data, std::string& error,
                                 const std::string& nameHint) {
    switch (sniffImageFormat(data, nameHint)) {
        case ImageFormat::Png:
            return decodePng(data, error);
        case ImageFormat::Jpeg:
            return decodeJpeg(data, error);
        case ImageFormat::Tiff:
            return decodeTiff(data, error);
        case ImageFormat::Bmp:
            return decodeBmp(data, error);
        case ImageFormat::Tga:
            return decodeTga(data, error);
        case ImageFormat::Ico:
            return decodeIco(data, error);
        case ImageFormat::Unknown:
            break;
    }
    // A file named .tga that fails even the loose header check gets the TGA reader's reason.
    if (hasTgaExtension(nameHint)) return decodeTga(data, error);
    error = data.empty() ? "the file is empty" : "unknown or unsupported image format";
    return std::nullopt;
}

std::optional<Image> loadImageFile(const std::string& path, std::string& error) {
    Fd file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) {
        error = "Cannot open \"" + path + "\": " + systemError();
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        error = "Cannot read \"" + path + "\": " + systemError();
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "Cannot read \"" + path + "\": not a regular file";
        return std::nullopt;
    }
    if (uint64_t(info.st_size) > kMaxImageFileBytes) {
        error = "Cannot read \"" + path + "\": the file is larger than " +
                std::to_string(kMaxImageFileBytes >> 20) + " MB";
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(size_t(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "Cannot read \"" + path + "\": " + systemError();
            return std::nullopt;
        }
        if (n == 0) break;  // the file shrank meanwhile: decode what is there
        done += size_t(n);
    }
    bytes.resize(done);

    const std::string name = std::filesystem::path(path).filename().string();
    std::string why;
    std::optional<Image> img = decodeImage(bytes, why, name);
    if (!img) error = "Cannot load \"" + path + "\": " + why;
    return img;
}

bool savePngFile(const Image& img, const std::string& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!encodePng(img, bytes, error)) return false;
    return writeFileReplacing(path, bytes, error);
}

bool saveJpegFile(const Image& img, const std::string& path, int quality0to10, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!encodeJpeg(img, quality0to10, bytes, error)) return false;
    return writeFileReplacing(path, bytes, error);
}

bool saveBmpFile(const Image& img, const std::string& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!encodeBmp(img, bytes, error)) return false;
    return writeFileReplacing(path, bytes, error);
}

}  // namespace qm
