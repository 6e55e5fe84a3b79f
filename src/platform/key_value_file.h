// Key/value text files with groups: "pref.ini", the language files, ".qmd" indexes and ".qmb"
// brush presets all use this one reader and writer.
//
// Format, line by line (LF or CR LF; a UTF-8 byte-order mark at the start is skipped and kept):
//   ; comment                 kept as it is
//   [name]                    starts the group "name" (blanks around the name are ignored)
//   key = value               also "key=value"; the key is trimmed of blanks and tabs, the value
//                             has its leading blanks and tabs skipped and a trailing CR removed;
//                             the value is everything else, ";" included (paths, texts)
//   anything else             kept as it is, never read
// The lines before the first "[...]" form the group named "". A group named twice is one group:
// its keys are looked up in file order across all its parts.
//
// Names compare case-sensitively: the program writes the files it reads with the same spelling,
// and the names of its files never differ only by case (pref.ini has "color" and "ColorBG",
// presets "alphaFactorVsTime", pref.ini "AlphaFactorVsTime"), so exact matching is enough and
// keeps a lookup a plain comparison.
//
// Reading finds the FIRST line of the key in the selected group. Writing replaces that line's
// value, or appends "key = value" at the end of the group (after its last key line), creating
// "[group]" at the end of the file when the group is missing. Every other line stays untouched,
// so rewriting an existing file keeps its comments and the keys this program does not know.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace qm {

enum class LineEnding { Lf, CrLf };

// Files above this size or line count are refused: the program's own files are a few
// kilobytes, and the limits keep the memory of a parsed file within a few dozen megabytes.
constexpr std::size_t kMaxKeyValueFileBytes = std::size_t(16) << 20;
constexpr std::size_t kMaxKeyValueFileLines = std::size_t(1) << 18;

// The largest magnitude of a real read from a file. The program's reals are gradient positions
// (0..1) and the like; a hand-edited 1e300 would overflow every integer it is later rounded to.
constexpr double kMaxFileReal = 1e6;
// parseLenientReal already refuses NaN and infinities.
inline double boundFileReal(double value) {
    return std::clamp(value, -kMaxFileReal, kMaxFileReal);
}

// Lenient number parsing, as used by the reader (exposed for other text parsers).
//
// Integers: leading blanks and tabs are skipped, then an optional sign, then decimal digits;
// parsing stops at the first other character. "0x" or "0X" followed by hexadecimal digits is
// read as hexadecimal. A number too large for 64 bits keeps its low 64 bits, like every
// narrower field of the program keeps the low bits of its value. No digit at all: nullopt.
//   "7" -> 7   " 7" -> 7   "-5" -> -5   "+5" -> 5   "12abc" -> 12   "1.9" -> 1
//   "0x1F" -> 31   "-0x10" -> -16   "0x" -> 0   "abc" -> nullopt   "" -> nullopt   "-" -> nullopt
std::optional<int64_t> parseLenientInteger(std::string_view text);
// Reals: leading blanks and tabs skipped, optional sign, then a decimal number with optional
// fraction and exponent, read independently of the locale; the rest is ignored ("0.35abc" ->
// 0.35, "0,35" -> 0). Infinite, NaN or out-of-range results and text without digits: nullopt.
std::optional<double> parseLenientReal(std::string_view text);
// The shortest decimal text that reads back as exactly `value` ("0.35", "1e-07", "3");
// non-finite values are written as "0".
std::string formatReal(double value);

class KeyValueFile {
public:
    // An empty file with the given line ending, group "" selected.
    explicit KeyValueFile(LineEnding ending = LineEnding::Lf);

    // Parses text as read from a file. The line ending is the one of the first line break
    // (LF when there is none). The caller bounds the text (load() does).
    static KeyValueFile parse(std::string_view text);

    // Reads the file at (the resolution of, see paths.h) `path`. Fails with a message for a
    // missing or unreadable file, a folder, or a file beyond the limits above.
    static std::optional<KeyValueFile> load(std::string_view path, std::string& error);

    // For rewriting a file in place: the loaded file when it exists, an empty file with
    // `ending` when it does not, and nullopt with a message when it exists but cannot be read
    // (it is then left alone rather than replaced by a file missing its other keys).
    static std::optional<KeyValueFile> loadForRewrite(std::string_view path, LineEnding ending,
                                                      std::string& error);

    // Writes the whole file through a temporary file renamed into place. The folder must exist.
    bool save(std::string_view path, std::string& error) const;

    // The file's text as save() writes it: every line ended by the chosen line ending.
    std::string text() const;

    LineEnding lineEnding() const { return ending_; }
    void setLineEnding(LineEnding ending) { ending_ = ending; }

    // Selects the group that later reads and writes use; "" is the part before the first
    // section. Selecting a group that does not exist is allowed: reads give their defaults and
    // the first write creates it.
    void selectGroup(std::string_view name);
    const std::string& selectedGroup() const { return group_; }
    bool hasGroup(std::string_view name) const;
    // Group names in order of first appearance; "" first when the file has lines before its
    // first section or no section at all.
    std::vector<std::string> groups() const;

    // Reads in the selected group. The text is returned as written (an empty value is an empty
    // text, not the default); numbers use the lenient parsers above and give the default when
    // the value holds no number. A real is bounded to +-kMaxFileReal (see above), so whatever a
    // file says, converting it to an integer later is defined.
    bool hasKey(std::string_view key) const;
    std::string readText(std::string_view key, std::string_view defaultValue = {}) const;
    int64_t readInteger(std::string_view key, int64_t defaultValue = 0) const;
    double readReal(std::string_view key, double defaultValue = 0.0) const;
    // Keys of the selected group in file order (repeated keys listed once).
    std::vector<std::string> keys() const;

    // Writes in the selected group, as "key = value". CR and LF in a value become blanks (a
    // value is one line); leading blanks of a value do not survive a read. Returns false, and
    // changes nothing, for a name that cannot be written as a line: an empty key, a key with
    // "=", a key or group name with CR, LF or NUL, a key starting with ";" or "[", or a group
    // name with "]".
    bool writeText(std::string_view key, std::string_view value);
    bool writeInteger(std::string_view key, int64_t value);
    bool writeReal(std::string_view key, double value);

private:
    enum class Kind { Other, Comment, Section, Key };
    // Kept small: a file may hold many lines. The key (or section name) and the value are
    // ranges of the text.
    struct Line {
        std::string text;  // the line as read or as last written, without its line break
        uint32_t nameAt = 0, nameLength = 0;  // Key and Section lines
        uint32_t valueAt = 0;                 // Key lines: the value runs to the end
        uint32_t group = 0;  // index into groupNames_ of the group the line belongs to
        Kind kind = Kind::Other;

        std::string_view name() const { return std::string_view(text).substr(nameAt, nameLength); }
        std::string_view value() const { return std::string_view(text).substr(valueAt); }
    };

    static Line parseLine(std::string_view raw);
    std::optional<size_t> groupIndex(std::string_view name) const;
    const Line* findKey(std::string_view key) const;

    LineEnding ending_;
    bool byteOrderMark_ = false;
    std::vector<Line> lines_;
    std::vector<std::string> groupNames_;  // [0] is "", then one per distinct section name
    std::map<std::string, size_t, std::less<>> groupLookup_;  // section name -> index
    std::string group_;
};

// Writes a text file line by line, for files that are not key/value files or must be written
// in an exact order (the ".qmd" index). The lines are collected and written in one go by save().
class TextFileWriter {
public:
    explicit TextFileWriter(LineEnding ending = LineEnding::Lf) : ending_(ending) {}

    // Adds one line; CR and LF inside it become blanks so that it stays one line.
    void writeLine(std::string_view line);
    const std::string& text() const { return text_; }
    // Writes through a temporary file renamed into place. The folder must exist.
    bool save(std::string_view path, std::string& error) const;

private:
    LineEnding ending_;
    std::string text_;
};

// ---- Fields of records, as the files hold them ----
//
// Each record's persisted fields are listed once, in a table of rows naming the key, the member
// and its default; the readers and writers of that record loop over the table. The member's type
// is the width the value is stored in: a value read from a file keeps its low bits (an 8-bit
// field keeps the low byte), a real is bounded as readReal does, a text is kept as it is.

// A member of `Record` that a file may hold.
template <typename Record>
using FieldOf = std::variant<uint8_t Record::*, int16_t Record::*, uint16_t Record::*,
                             uint32_t Record::*, double Record::*, std::string Record::*>;

// A value given by a table: an integer, a real or a text; monostate for "none" (the field is
// left as it is).
using FieldDefault = std::variant<std::monostate, int64_t, double, const char*>;

// True when `value` can be stored in a field of type T (or is "none").
template <typename T>
constexpr bool defaultFits(const FieldDefault& value) {
    if (std::holds_alternative<std::monostate>(value)) return true;
    if constexpr (std::is_same_v<T, std::string>)
        return std::holds_alternative<const char*>(value);
    else if constexpr (std::is_same_v<T, double>)
        return std::holds_alternative<double>(value);
    else
        return std::holds_alternative<int64_t>(value);
}

template <typename Record>
constexpr bool defaultFits(const FieldOf<Record>& member, const FieldDefault& value) {
    return std::visit(
        [&](auto m) {
            using T = std::remove_cvref_t<decltype(std::declval<Record&>().*m)>;
            return defaultFits<T>(value);
        },
        member);
}

// An integer stored at the width of T, keeping its low bits.
template <typename T>
requires std::is_integral_v<T>
constexpr T lowBits(int64_t value) {
    return static_cast<T>(static_cast<std::make_unsigned_t<T>>(static_cast<uint64_t>(value)));
}

// Stores a table's value in a field; "none" leaves the field as it is.
template <typename T>
void setField(T& field, const FieldDefault& value) {
    if (std::holds_alternative<std::monostate>(value)) return;
    if constexpr (std::is_same_v<T, std::string>)
        field = std::get<const char*>(value);
    else if constexpr (std::is_same_v<T, double>)
        field = std::get<double>(value);
    else
        field = lowBits<T>(std::get<int64_t>(value));
}

// Reads `key` into a field; when the key is absent or holds no number, the field takes
// `absent` ("none" leaves it as it is).
template <typename T>
void readField(const KeyValueFile& file, std::string_view key, const FieldDefault& absent,
               T& field) {
    if constexpr (std::is_same_v<T, std::string>) {
        if (file.hasKey(key)) return void(field = file.readText(key));
    } else if constexpr (std::is_same_v<T, double>) {
        if (const auto v = parseLenientReal(file.readText(key)))
            return void(field = boundFileReal(*v));
    } else {
        if (const auto v = parseLenientInteger(file.readText(key)))
            return void(field = lowBits<T>(*v));
    }
    setField(field, absent);
}

// The text a field is written as: integers in decimal (a colour as a signed 32-bit number),
// reals as formatReal does, texts as they are.
template <typename T>
std::string fieldText(const T& field) {
    if constexpr (std::is_same_v<T, std::string>)
        return field;
    else if constexpr (std::is_same_v<T, double>)
        return formatReal(field);
    else if constexpr (std::is_same_v<T, uint32_t>)
        return std::to_string(static_cast<int32_t>(field));
    else
        return std::to_string(field);
}

// Calls `f` with the field `member` of `record` (a const record gives a const field).
template <typename Record, typename F>
decltype(auto) withField(Record& record, const FieldOf<std::remove_const_t<Record>>& member,
                         F&& f) {
    return std::visit([&](auto m) -> decltype(auto) { return f(record.*m); }, member);
}

// The rows of a table that have a position in column `at` (1, 2, ...; 0 for none), in position
// order, then null. The positions must run from 1 without gaps or repeats, or the table does
// not compile.
template <typename Row, std::size_t N>
consteval std::array<const Row*, N> rowsByPosition(const std::array<Row, N>& rows,
                                                   uint8_t Row::*at) {
    std::array<const Row*, N> out{};
    for (const Row& row : rows) {
        const std::size_t position = row.*at;
        if (position == 0) continue;
        if (position > N || out[position - 1]) throw "a position is repeated or out of range";
        out[position - 1] = &row;
    }
    for (std::size_t i = 1; i < N; ++i)
        if (out[i] && !out[i - 1]) throw "the positions have a gap";
    return out;
}

}  // namespace qm
