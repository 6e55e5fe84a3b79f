#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace qm {

namespace fs = std::filesystem;

char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string toLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = toLowerAscii(c);
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (toLowerAscii(a[i]) != toLowerAscii(b[i])) return false;
    return true;
}

bool endsWithIgnoreCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           equalsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

std::string normalizeSeparators(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool pathIsUsable(std::string_view path) {
    return !path.empty() && path.find('\0') == std::string_view::npos;
}

namespace {

bool exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// The entry of `folder` equal to `name` ignoring case; the first in byte order when several.
std::optional<std::string> findIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    std::optional<std::string> best;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::string entry = it->path().filename().string();
        if (equalsIgnoreCase(entry, name) && (!best || entry < *best)) best = std::move(entry);
    }
    return best;
}

std::vector<std::string> splitComponents(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::string resolvePath(std::string_view path) {
    std::string norm = normalizeSeparators(path);
    if (!pathIsUsable(norm) || exists(norm)) return norm;

    const bool absolute = norm.front() == '/';
    const bool trailingSlash = norm.back() == '/';
    const std::vector<std::string> parts = splitComponents(norm);

    std::string out = absolute ? "/" : "";
    bool matching = true;  // stays true while every component so far exists on disk
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string part = parts[i];
        if (matching && part != "." && part != "..") {
            const std::string candidate = out + part;
            if (!exists(candidate)) {
                const fs::path folder = out.empty() ? fs::path(".") : fs::path(out);
                if (auto found = findIgnoringCase(folder, part))
                    part = *found;
                else
                    matching = false;
            }
        }
        out += part;
        if (i + 1 < parts.size()) out += '/';
    }
    if (trailingSlash && !parts.empty()) out += '/';
    return out;
}

bool fileExists(std::string_view path) {
    if (!pathIsUsable(path)) return false;
    std::error_code ec;
    return fs::is_regular_file(resolvePath(path), ec);
}

bool folderExists(std::string_view path) {
    if (!pathIsUsable(path)) return false;
    std::error_code ec;
    return fs::is_directory(resolvePath(path), ec);
}

bool createFolders(std::string_view path, std::string& error) {
    if (!pathIsUsable(path)) {
        error = "invalid folder name";
        return false;
    }
    const std::string resolved = resolvePath(path);
    std::error_code ec;
    fs::create_directories(resolved, ec);
    if (fs::is_directory(resolved, ec)) return true;
    error = "cannot create the folder " + resolved;
    return false;
}

std::string workingDirectory() {
    std::error_code ec;
    fs::path p = fs::current_path(ec);
    return ec ? std::string(".") : p.string();
}

namespace {

// Greedy wildcard match with one backtrack point: linear in practice, never exponential.
bool matchOne(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || toLowerAscii(pattern[p]) == toLowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool nameLess(const std::string& a, const std::string& b) {
    const std::string la = toLowerAscii(a), lb = toLowerAscii(b);
    return la != lb ? la < lb : a < b;
}

}  // namespace

bool matchesPattern(std::string_view pattern, std::string_view name) {
    size_t start = 0;
    while (start <= pattern.size()) {
        size_t end = pattern.find(';', start);
        if (end == std::string_view::npos) end = pattern.size();
        if (matchOne(pattern.substr(start, end - start), name)) return true;
        start = end + 1;
    }
    return false;
}

std::vector<std::string> listFolder(std::string_view folder, std::string_view pattern,
                                    EntryKind kind) {
    std::vector<std::string> names;
    const std::string resolved = folder.empty() ? std::string(".") : resolvePath(folder);
    if (!pathIsUsable(resolved)) return names;
    std::error_code ec;
    fs::directory_iterator it(resolved, ec);
    if (ec) return names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::error_code typeEc;
        const bool isFolder = it->is_directory(typeEc);
        const bool isFile = !isFolder && it->is_regular_file(typeEc);
        if (kind == EntryKind::Folders ? !isFolder : !isFile) continue;
        std::string name = it->path().filename().string();
        if (matchesPattern(pattern, name)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

namespace {
bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

size_t lastSeparator(std::string_view path) {
    return path.find_last_of("/\\");
}

// Position of the extension's dot in the file part, or npos.
size_t extensionDot(std::string_view path) {
    const size_t sep = lastSeparator(path);
    const size_t nameStart = sep == std::string_view::npos ? 0 : sep + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart) return std::string_view::npos;
    return dot;
}
}  // namespace

bool isPlainFileName(std::string_view name) {
    return pathIsUsable(name) && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    while (!name.empty() && isSeparator(name.front())) name.remove_prefix(1);
    if (folder.empty()) return std::string(name);
    if (name.empty()) return std::string(folder);
    std::string out(folder);
    if (!isSeparator(out.back())) out += '/';
    out += name;
    return out;
}

std::string fileName(std::string_view path) {
    const size_t sep = lastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string parentFolder(std::string_view path) {
    const size_t sep = lastSeparator(path);
    if (sep == std::string_view::npos) return {};
    if (sep == 0) return std::string(path.substr(0, 1));  // "/x" -> "/"
    return std::string(path.substr(0, sep));
}

std::string fileExtension(std::string_view path) {
    const size_t dot = extensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
}

std::string removeExtension(std::string_view path) {
    const size_t dot = extensionDot(path);
    return std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
}

std::optional<std::string> readFileLimited(std::string_view path, std::size_t maxBytes,
                                           std::string& error) {
    if (!pathIsUsable(path)) {
        error = "invalid file name";
        return std::nullopt;
    }
    const std::string resolved = resolvePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(resolved, ec)) {
        error =
            fs::exists(resolved, ec) ? "not a file: " + resolved : "file not found: " + resolved;
        return std::nullopt;
    }
    const auto size = fs::file_size(resolved, ec);
    if (!ec && size > maxBytes) {
        error = "file too large (" + std::to_string(size) + " bytes, at most " +
                std::to_string(maxBytes) + "): " + resolved;
        return std::nullopt;
    }
    std::ifstream in(resolved, std::ios::binary);
    if (!in) {
        error = "cannot open " + resolved;
        return std::nullopt;
    }
    // Read in chunks up to the limit: the size above may be stale or unknown.
    std::string data;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        data.append(buffer, size_t(in.gcount()));
        if (data.size() > maxBytes) {
            error =
                "file too large (more than " + std::to_string(maxBytes) + " bytes): " + resolved;
            return std::nullopt;
        }
    }
    if (in.bad()) {
        error = "cannot read " + resolved;
        return std::nullopt;
    }
    return data;
}

}  // namespace qm
