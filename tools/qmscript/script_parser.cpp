#include "qmscript/script_parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace qm::script {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into words and quoted strings; nullopt with a reason for a broken string.
std::optional<std::vector<Token>> tokenize(std::string_view line, std::string& error) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        const char ch = line[i];
        if (ch == ' ' || ch == '\t' || ch == '\r') {
            ++i;
            continue;
        }
        Token token;
        if (ch == '"') {
            token.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char s = line[i++];
                if (s == '"') {
                    closed = true;
                    break;
                }
                if (s == '\\') {
                    if (i >= line.size() || (line[i] != '"' && line[i] != '\\')) {
                        error = "only \\\" and \\\\ may follow a backslash in a string";
                        return std::nullopt;
                    }
                    token.text += line[i++];
                } else {
                    token.text += s;
                }
            }
            if (!closed) {
                error = "string without its closing quote";
                return std::nullopt;
            }
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                error = "a string must be followed by a blank";
                return std::nullopt;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                token.text += line[i++];
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

// A decimal or 0x hexadecimal integer, optionally negative, within 32 bits.
std::optional<int64_t> number(const Token& token) {
    if (token.quoted) return std::nullopt;
    std::string_view s = token.text;
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 10) return std::nullopt;
    int64_t value = 0;
    for (const char ch : s) {
        int digit = -1;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        if (base == 16 && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        if (base == 16 && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value * base + digit;
    }
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return value;
}

// A decimal number ("0.5", "-30", "1e-3"), finite.
std::optional<double> real(const Token& token) {
    if (token.quoted) return std::nullopt;
    std::string_view s = token.text;
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc{} || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

class LineParser {
public:
    LineParser(std::vector<Token> tokens, Command& command)
        : tokens_(std::move(tokens)), command_(command) {}

    bool parse(std::string& error);

private:
    bool more() const { return pos_ < tokens_.size(); }
    const Token& peek() const { return tokens_[pos_]; }

    bool integer(int64_t& out, int64_t lo, int64_t hi, const char* what, std::string& error) {
        if (!more()) {
            error = std::string("missing ") + what;
            return false;
        }
        const auto value = number(tokens_[pos_]);
        if (!value || *value < lo || *value > hi) {
            error = std::string("bad ") + what + " \"" + tokens_[pos_].text + "\" (" +
                    std::to_string(lo) + ".." + std::to_string(hi) + ")";
            return false;
        }
        ++pos_;
        out = *value;
        return true;
    }
    bool string(std::string& out, const char* what, std::string& error) {
        if (!more() || !peek().quoted) {
            error = std::string("expected ") + what + " in double quotes";
            return false;
        }
        out = tokens_[pos_++].text;
        return true;
    }
    bool modifiers(std::string& error) {
        while (more()) {
            const std::string& word = peek().text;
            if (peek().quoted) break;
            if (word == "shift") {
                command_.shift = true;
            } else if (word == "ctrl") {
                command_.ctrl = true;
            } else if (word == "alt") {
                command_.alt = true;
            } else {
                break;
            }
            ++pos_;
        }
        return done(error);
    }
    bool decimal(double& out, double lo, double hi, const char* what, std::string& error) {
        if (!more()) {
            error = std::string("missing ") + what;
            return false;
        }
        const auto value = real(tokens_[pos_]);
        if (!value || *value < lo || *value > hi) {
            error = std::string("bad ") + what + " \"" + tokens_[pos_].text + "\" (" +
                    std::to_string(int(lo)) + ".." + std::to_string(int(hi)) + ")";
            return false;
        }
        ++pos_;
        out = *value;
        return true;
    }
    // The modifiers of a pointer event and what a pen adds: pressure, tilt, the eraser end.
    bool pointer(std::string& error) {
        while (more() && !peek().quoted) {
            const std::string& word = peek().text;
            if (word == "pressure") {
                ++pos_;
                if (!decimal(command_.pressure, 0, 1, "pressure", error)) return false;
                command_.pen = true;
            } else if (word == "tilt") {
                ++pos_;
                if (!decimal(command_.tiltX, -90, 90, "tilt x", error) ||
                    !decimal(command_.tiltY, -90, 90, "tilt y", error))
                    return false;
                command_.pen = command_.hasTilt = true;
            } else if (word == "eraser") {
                ++pos_;
                command_.pen = command_.eraser = true;
            } else if (word == "shift" || word == "ctrl" || word == "alt") {
                command_.shift |= word == "shift";
                command_.ctrl |= word == "ctrl";
                command_.alt |= word == "alt";
                ++pos_;
            } else {
                break;
            }
        }
        return done(error);
    }
    bool done(std::string& error) {
        if (!more()) return true;
        error = "unexpected \"" + peek().text + "\"";
        return false;
    }
    bool control(std::string& error);

    std::vector<Token> tokens_;
    size_t pos_ = 1;
    Command& command_;
};

constexpr int64_t kCoord = 1'000'000;  // pointer coordinates beyond any control are still allowed

const std::array<std::pair<const char*, ControlEventType>, 9> kEvents{{
    {"change", ControlEventType::Change},
    {"click", ControlEventType::Click},
    {"left-down", ControlEventType::LeftDown},
    {"left-up", ControlEventType::LeftUp},
    {"left-double-click", ControlEventType::LeftDoubleClick},
    {"right-down", ControlEventType::RightDown},
    {"right-up", ControlEventType::RightUp},
    {"middle-down", ControlEventType::MiddleDown},
    {"move", ControlEventType::Move},
}};

bool LineParser::control(std::string& error) {
    if (!integer(command_.a, 0, 100000, "gadget id", error)) return false;
    while (more()) {
        const Token& t = peek();
        if (t.quoted) return done(error);
        if (t.text == "state") {
            ++pos_;
            int64_t v = 0;
            if (!integer(v, INT32_MIN, INT32_MAX, "state", error)) return false;
            command_.state = int(v);
        } else if (t.text == "tick") {
            ++pos_;
            int64_t v = 0;
            if (!integer(v, 0, 1, "tick", error)) return false;
            command_.tick = int(v);
        } else if (t.text == "text") {
            ++pos_;
            std::string s;
            if (!string(s, "text", error)) return false;
            command_.gadgetText = s;
        } else if (t.text == "event") {
            ++pos_;
            if (!more()) {
                error = "missing event name";
                return false;
            }
            const auto* found = std::find_if(kEvents.begin(), kEvents.end(),
                                             [&](auto& e) { return peek().text == e.first; });
            if (found == kEvents.end()) {
                error = "unknown event \"" + peek().text + "\"";
                return false;
            }
            command_.event = found->second;
            ++pos_;
        } else if (t.text == "x") {
            ++pos_;
            if (!integer(command_.b, -kCoord, kCoord, "x", error)) return false;
            if (!more() || peek().text != "y") {
                error = "x must be followed by y";
                return false;
            }
            ++pos_;
            if (!integer(command_.c, -kCoord, kCoord, "y", error)) return false;
        } else if (t.text == "button") {
            ++pos_;
            if (!more()) {
                error = "missing button";
                return false;
            }
            const std::string& b = peek().text;
            bool* held = b == "left"     ? &command_.leftHeld
                         : b == "right"  ? &command_.rightHeld
                         : b == "middle" ? &command_.middleHeld
                                         : nullptr;
            if (!held) {
                error = "unknown button \"" + b + "\"";
                return false;
            }
            *held = true;
            ++pos_;
        } else if (t.text == "shift" || t.text == "ctrl" || t.text == "alt") {
            command_.shift |= t.text == "shift";
            command_.ctrl |= t.text == "ctrl";
            command_.alt |= t.text == "alt";
            ++pos_;
        } else {
            return done(error);
        }
    }
    return true;
}

bool LineParser::parse(std::string& error) {
    const std::string& name = tokens_[0].text;
    Command& c = command_;
    auto is = [&](const char* word, Op op) {
        if (name != word) return false;
        c.op = op;
        return true;
    };
    if (tokens_[0].quoted) {
        error = "a command cannot be a string";
        return false;
    }
    if (is("canvas-size", Op::CanvasSize))
        return integer(c.a, 1, 16000, "width", error) && integer(c.b, 1, 16000, "height", error) &&
               done(error);
    if (is("menu", Op::Menu)) return integer(c.a, 0, 100000, "command id", error) && done(error);
    if (is("close-window", Op::CloseWindow))
        return integer(c.a, 0, 100000, "window number", error) && done(error);
    if (is("control", Op::Control)) return control(error);
    if (is("down", Op::Down) || is("move", Op::Move) || is("up", Op::Up))
        return integer(c.a, -kCoord, kCoord, "x", error) &&
               integer(c.b, -kCoord, kCoord, "y", error) && pointer(error);
    if (is("key-down", Op::KeyDown) || is("key-up", Op::KeyUp))
        return integer(c.a, 0, 255, "key code", error) && modifiers(error);
    if (is("wheel", Op::Wheel)) return integer(c.a, -10000, 10000, "notches", error) && done(error);
    if (is("answer-file", Op::AnswerFile)) {
        std::string path;
        if (!string(path, "a path", error)) return false;
        c.paths.push_back(path);
        while (more() && peek().quoted) c.paths.push_back(tokens_[pos_++].text);
        if (more() && peek().text == "pattern") {
            ++pos_;
            if (!integer(c.a, 0, 1000, "pattern index", error)) return false;
        }
        return done(error);
    }
    if (is("answer-cancel", Op::AnswerCancel) || is("answer-yes", Op::AnswerYes) ||
        is("answer-no", Op::AnswerNo))
        return done(error);
    if (is("answer-text", Op::AnswerText))
        return string(c.text, "the answer", error) && done(error);
    if (is("answer-color", Op::AnswerColour))
        return integer(c.a, 0, 255, "red", error) && integer(c.b, 0, 255, "green", error) &&
               integer(c.c, 0, 255, "blue", error) && done(error);
    if (is("answer-popup", Op::AnswerPopup))
        return integer(c.a, 0, 100000, "command id", error) && done(error);
    if (is("playback", Op::Playback))
        return integer(c.a, 0, 1'000'000, "number of passes", error) && done(error);
    if (is("write-canvas", Op::WriteCanvas) || is("write-state", Op::WriteState) ||
        is("expect-canvas", Op::ExpectCanvas)) {
        c.paths.emplace_back();
        return string(c.paths[0], "a file name", error) && done(error);
    }
    if (is("write-layer", Op::WriteLayer) || is("expect-layer", Op::ExpectLayer)) {
        c.paths.emplace_back();
        return integer(c.a, 1, 255, "layer position", error) &&
               string(c.paths[0], "a file name", error) && done(error);
    }
    if (is("cancel-task", Op::CancelTask))
        return integer(c.a, 1, 1'000'000, "progress step", error) && done(error);
    if (is("expect-file", Op::ExpectFile)) {
        c.paths.emplace_back();
        if (!string(c.paths[0], "a file name", error)) return false;
        if (more()) {
            c.text = tokens_[pos_++].text;
            if (c.text != "png" && c.text != "apng" && c.text != "gif" && c.text != "webp" &&
                c.text != "mp4" && c.text != "webm") {
                error = "unknown file format \"" + c.text + "\"";
                return false;
            }
        }
        return done(error);
    }
    if (is("expect-no-file", Op::ExpectNoFile)) {
        c.paths.emplace_back();
        return string(c.paths[0], "a file name", error) && done(error);
    }
    if (is("clipboard", Op::Clipboard)) {
        c.paths.emplace_back();
        return string(c.paths[0], "a file name", error) && done(error);
    }
    error = "unknown command \"" + name + "\"";
    return false;
}

}  // namespace

ParseResult parseScript(std::string_view text) {
    ParseResult result;
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        std::string error;
        auto tokens = tokenize(line, error);
        Command command;
        command.line = lineNumber;
        if (!tokens || !LineParser(std::move(*tokens), command).parse(error)) {
            result.error = "line " + std::to_string(lineNumber) + ": " + error;
            result.commands.clear();
            return result;
        }
        result.commands.push_back(std::move(command));
    }
    return result;
}

}  // namespace qm::script
