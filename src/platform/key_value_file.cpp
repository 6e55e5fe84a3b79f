#include "platform/key_value_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <system_error>

#include "platform/file_writer.h"
#include "platform/paths.h"

namespace qm {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view skipBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view trimBlanks(std::string_view s) {
    s = skipBlanks(s);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

int digitValue(char c, int base) {
    int d = -1;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    return d < base ? d : -1;
}

std::string_view endingText(LineEnding e) {
    return e == LineEnding::CrLf ? "\r\n" : "\n";
}

// A value is one line: line breaks inside it would start new lines of the file.
std::string oneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool hasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool writableKey(std::string_view key) {
    return !key.empty() && key.find('=') == std::string_view::npos && !hasLineBreakOrNul(key) &&
           key.front() != ';' && key.front() != '[' && trimBlanks(key) == key;
}

bool writableGroup(std::string_view name) {
    return name.find(']') == std::string_view::npos && !hasLineBreakOrNul(name) &&
           trimBlanks(name) == name;
}

}  // namespace

std::optional<int64_t> parseLenientInteger(std::string_view text) {
    std::string_view s = skipBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && digitValue(s[2], 16) >= 0) {
        base = 16;
        s.remove_prefix(2);
    }
    // Unsigned arithmetic wraps, which keeps exactly the low 64 bits of a longer number.
    uint64_t value = 0;
    size_t digits = 0;
    for (char c : s) {
        const int d = digitValue(c, base);
        if (d < 0) break;
        value = value * uint64_t(base) + uint64_t(d);
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (negative) value = 0 - value;
    return int64_t(value);
}

std::optional<double> parseLenientReal(std::string_view text) {
    std::string_view s = skipBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // from_chars takes no "+" and would accept a second "-"; it also reads "inf" and "nan",
    // which are refused below. It never looks at the locale.
    if (s.empty() || s.front() == '-' || s.front() == '+') return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end == s.data() || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

std::string formatReal(double value) {
    if (!std::isfinite(value)) return "0";
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

KeyValueFile::KeyValueFile(LineEnding ending) : ending_(ending), groupNames_{""} {}

KeyValueFile::Line KeyValueFile::parseLine(std::string_view raw) {
    Line line;
    line.text = std::string(raw);
    const std::string_view all = line.text;
    // Offsets fit: load() refuses files of 4 GB and more long before they get here.
    auto setName = [&](std::string_view name) {
        line.nameAt = uint32_t(name.data() - all.data());
        line.nameLength = uint32_t(name.size());
    };
    const std::string_view t = skipBlanks(all);
    if (!t.empty() && t.front() == ';') {
        line.kind = Kind::Comment;
    } else if (!t.empty() && t.front() == '[' && t.find(']') != std::string_view::npos) {
        line.kind = Kind::Section;
        setName(trimBlanks(t.substr(1, t.find(']') - 1)));
    } else if (const size_t eq = all.find('='); eq != std::string_view::npos) {
        line.kind = Kind::Key;
        setName(trimBlanks(all.substr(0, eq)));
        line.valueAt = uint32_t(skipBlanks(all.substr(eq + 1)).data() - all.data());
    }
    return line;
}

KeyValueFile KeyValueFile::parse(std::string_view text) {
    KeyValueFile file;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        file.byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    const size_t firstBreak = text.find('\n');
    if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r')
        file.ending_ = LineEnding::CrLf;

    uint32_t currentGroup = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line = parseLine(raw);
        if (line.kind == Kind::Section) {
            auto index = file.groupIndex(line.name());
            if (!index) {
                index = file.groupNames_.size();
                file.groupNames_.emplace_back(line.name());
                file.groupLookup_.emplace(line.name(), *index);
            }
            currentGroup = uint32_t(*index);
        }
        line.group = currentGroup;
        file.lines_.push_back(std::move(line));
        start = end + 1;
    }
    return file;
}

std::optional<KeyValueFile> KeyValueFile::load(std::string_view path, std::string& error) {
    auto bytes = readFileLimited(path, kMaxKeyValueFileBytes, error);
    if (!bytes) return std::nullopt;
    if (size_t(std::count(bytes->begin(), bytes->end(), '\n')) >= kMaxKeyValueFileLines) {
        error = "too many lines (at most " + std::to_string(kMaxKeyValueFileLines) +
                "): " + resolvePath(path);
        return std::nullopt;
    }
    return parse(*bytes);
}

std::optional<KeyValueFile> KeyValueFile::loadForRewrite(std::string_view path, LineEnding ending,
                                                         std::string& error) {
    if (!pathIsUsable(path)) {
        error = "invalid file name";
        return std::nullopt;
    }
    if (!fileExists(path) && !folderExists(path)) return KeyValueFile(ending);
    return load(path, error);
}

bool KeyValueFile::save(std::string_view path, std::string& error) const {
    return writeFileAtomically(path, text(), error);
}

std::string KeyValueFile::text() const {
    const std::string_view eol = endingText(ending_);
    std::string out;
    if (byteOrderMark_) out += kByteOrderMark;
    for (const Line& line : lines_) {
        out += line.text;
        out += eol;
    }
    return out;
}

std::optional<size_t> KeyValueFile::groupIndex(std::string_view name) const {
    if (name.empty()) return 0;
    const auto it = groupLookup_.find(name);
    if (it == groupLookup_.end()) return std::nullopt;
    return it->second;
}

void KeyValueFile::selectGroup(std::string_view name) {
    group_ = std::string(name);
}

bool KeyValueFile::hasGroup(std::string_view name) const {
    return groupIndex(name).has_value();
}

std::vector<std::string> KeyValueFile::groups() const {
    std::vector<std::string> names;
    const bool topPart = groupNames_.size() == 1 || (!lines_.empty() && lines_[0].group == 0 &&
                                                     lines_[0].kind != Kind::Section);
    if (topPart) names.push_back("");
    for (size_t i = 1; i < groupNames_.size(); ++i) names.push_back(groupNames_[i]);
    return names;
}

const KeyValueFile::Line* KeyValueFile::findKey(std::string_view key) const {
    const auto index = groupIndex(group_);
    if (!index) return nullptr;
    for (const Line& line : lines_)
        if (line.kind == Kind::Key && line.group == *index && line.name() == key) return &line;
    return nullptr;
}

bool KeyValueFile::hasKey(std::string_view key) const {
    return findKey(key) != nullptr;
}

std::string KeyValueFile::readText(std::string_view key, std::string_view defaultValue) const {
    const Line* line = findKey(key);
    return std::string(line ? line->value() : defaultValue);
}

int64_t KeyValueFile::readInteger(std::string_view key, int64_t defaultValue) const {
    const Line* line = findKey(key);
    if (!line) return defaultValue;
    return parseLenientInteger(line->value()).value_or(defaultValue);
}

double KeyValueFile::readReal(std::string_view key, double defaultValue) const {
    const Line* line = findKey(key);
    if (!line) return defaultValue;
    const auto value = parseLenientReal(line->value());
    return value ? boundFileReal(*value) : defaultValue;
}

std::vector<std::string> KeyValueFile::keys() const {
    std::vector<std::string> out;
    const auto index = groupIndex(group_);
    if (!index) return out;
    std::set<std::string_view> seen;
    for (const Line& line : lines_)
        if (line.kind == Kind::Key && line.group == *index && seen.insert(line.name()).second)
            out.emplace_back(line.name());
    return out;
}

bool KeyValueFile::writeText(std::string_view key, std::string_view value) {
    if (!writableKey(key) || !writableGroup(group_)) return false;
    // What a read gives back: leading blanks of the value are not part of it.
    const std::string flat = oneLine(value);
    Line line = parseLine(std::string(key) + " = " + std::string(skipBlanks(flat)));

    auto index = groupIndex(group_);
    if (!index) {
        index = groupNames_.size();
        groupNames_.push_back(group_);
        groupLookup_.emplace(group_, *index);
        Line header = parseLine("[" + group_ + "]");
        header.group = uint32_t(*index);
        lines_.push_back(std::move(header));
    }
    line.group = uint32_t(*index);

    // Replace the first occurrence; otherwise append after the group's last key line, or
    // after its header and comments when it has no key yet.
    std::optional<size_t> lastKey, lastNonBlank;
    for (size_t i = 0; i < lines_.size(); ++i) {
        Line& l = lines_[i];
        if (l.group != *index) continue;
        if (l.kind == Kind::Key && l.name() == key) {
            l = std::move(line);
            return true;
        }
        if (l.kind == Kind::Key) lastKey = i;
        if (!trimBlanks(l.text).empty()) lastNonBlank = i;
    }
    const size_t at = lastKey ? *lastKey + 1 : lastNonBlank ? *lastNonBlank + 1 : 0;
    lines_.insert(lines_.begin() + std::ptrdiff_t(at), std::move(line));
    return true;
}

bool KeyValueFile::writeInteger(std::string_view key, int64_t value) {
    return writeText(key, std::to_string(value));
}

bool KeyValueFile::writeReal(std::string_view key, double value) {
    return writeText(key, formatReal(value));
}

void TextFileWriter::writeLine(std::string_view line) {
    text_ += oneLine(line);
    text_ += endingText(ending_);
}

bool TextFileWriter::save(std::string_view path, std::string& error) const {
    return writeFileAtomically(path, text_, error);
}

}  // namespace qm
