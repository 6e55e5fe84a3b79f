#include "io/xml_tree.h"

#include <cstdint>

namespace qm {

const std::string* XmlElement::attribute(std::string_view attributeName) const {
    for (const auto& [key, value] : attributes)
        if (key == attributeName) return &value;
    return nullptr;
}

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Name characters: anything but blanks and the characters that end a name. Non-ASCII bytes are
// allowed (names may be any Unicode letters).
bool isNameChar(char c) {
    return !isBlank(c) && c != '<' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' &&
           c != '&' && c != '\0' && c != '?' && c != '!';
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

class Parser {
public:
    Parser(std::string_view text, const XmlLimits& limits) : s_(text), limits_(limits) {}

    std::optional<XmlElement> document(std::string& error) {
        if (s_.starts_with("\xEF\xBB\xBF")) at_ = 3;
        bool ok = skipMisc(true);
        XmlElement root;
        if (ok && !(peek() == '<' && isNameChar(peekAt(1)))) ok = fail("no root element");
        if (ok) ok = element(root, 1);
        if (ok) ok = skipMisc(false);
        if (ok && at_ < s_.size()) ok = fail("text after the root element");
        if (!ok) {
            error = "bad XML at byte " + std::to_string(at_) + ": " + why_;
            return std::nullopt;
        }
        return root;
    }

private:
    std::string_view s_;
    const XmlLimits& limits_;
    std::size_t at_ = 0;
    std::size_t elements_ = 0;
    std::string why_;

    char peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
    char peekAt(std::size_t k) const { return at_ + k < s_.size() ? s_[at_ + k] : '\0'; }
    bool startsWith(std::string_view t) const { return s_.substr(at_).starts_with(t); }
    bool fail(std::string why) {
        if (why_.empty()) why_ = std::move(why);
        return false;
    }
    void skipBlanks() {
        while (at_ < s_.size() && isBlank(s_[at_])) ++at_;
    }
    // Moves past the next `end`; false when the text ends first.
    bool skipPast(std::string_view end, const char* what) {
        const std::size_t found = s_.find(end, at_);
        if (found == std::string_view::npos) {
            at_ = s_.size();
            return fail(std::string("unterminated ") + what);
        }
        at_ = found + end.size();
        return true;
    }

    // Blanks, comments and processing instructions around the root element; before it also
    // the XML declaration and a DOCTYPE.
    bool skipMisc(bool prolog) {
        for (;;) {
            skipBlanks();
            if (startsWith("<!--")) {
                if (!skipPast("-->", "comment")) return false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>", "processing instruction")) return false;
            } else if (prolog && startsWith("<!DOCTYPE")) {
                const std::size_t end = s_.find('>', at_);
                if (end == std::string_view::npos) return fail("unterminated DOCTYPE");
                if (s_.substr(at_, end - at_).find('[') != std::string_view::npos)
                    return fail("a DOCTYPE with declarations is not read");
                at_ = end + 1;
            } else {
                return true;
            }
        }
    }

    bool name(std::string& out) {
        const std::size_t start = at_;
        while (at_ < s_.size() && isNameChar(s_[at_])) ++at_;
        if (at_ == start) return fail("a name was expected");
        out.assign(s_.substr(start, at_ - start));
        return true;
    }

    // A reference after "&": appends its character(s) to `out`.
    bool reference(std::string& out) {
        // The longest reference is "&#x10FFFF;": no need to look further for its end.
        const std::size_t length = s_.substr(at_, 12).find(';');
        if (length == std::string_view::npos) return fail("bad reference");
        const std::string_view ref = s_.substr(at_, length);
        at_ += length + 1;
        if (ref == "lt") return out += '<', true;
        if (ref == "gt") return out += '>', true;
        if (ref == "amp") return out += '&', true;
        if (ref == "quot") return out += '"', true;
        if (ref == "apos") return out += '\'', true;
        if (ref.size() < 2 || ref[0] != '#')
            return fail("unknown entity &" + std::string(ref) + ";");
        const bool hex = ref[1] == 'x';
        const std::string_view digits = ref.substr(hex ? 2 : 1);
        if (digits.empty()) return fail("bad character reference");
        uint32_t cp = 0;
        for (char c : digits) {
            uint32_t d;
            if (c >= '0' && c <= '9') {
                d = uint32_t(c - '0');
            } else if (hex && c >= 'a' && c <= 'f') {
                d = uint32_t(c - 'a' + 10);
            } else if (hex && c >= 'A' && c <= 'F') {
                d = uint32_t(c - 'A' + 10);
            } else {
                return fail("bad character reference");
            }
            cp = cp * (hex ? 16 : 10) + d;
            if (cp > 0x10FFFF) return fail("character reference out of range");
        }
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
            return fail("character reference out of range");
        appendUtf8(out, cp);
        return true;
    }

    bool attributeValue(std::string& out) {
        const char quote = peek();
        if (quote != '"' && quote != '\'') return fail("a quoted value was expected");
        ++at_;
        for (;;) {
            if (at_ >= s_.size()) return fail("unterminated attribute value");
            const char c = s_[at_];
            if (c == quote) {
                ++at_;
                return true;
            }
            if (c == '<') return fail("'<' in an attribute value");
            if (c == '&') {
                ++at_;
                if (!reference(out)) return false;
                continue;
            }
            out += isBlank(c) ? ' ' : c;  // attribute-value normalisation
            ++at_;
        }
    }

    // Character data up to the next "<": only its references are checked.
    bool text() {
        while (at_ < s_.size() && s_[at_] != '<') {
            if (s_[at_] == '&') {
                ++at_;
                std::string ignored;
                if (!reference(ignored)) return false;
            } else {
                ++at_;
            }
        }
        return true;
    }

    // An element starting at "<name"; `depth` is its depth (the root's is 1).
    bool element(XmlElement& out, std::size_t depth) {
        if (depth > limits_.maxDepth) return fail("elements nested too deeply");
        if (++elements_ > limits_.maxElements) return fail("too many elements");
        ++at_;  // "<"
        if (!name(out.name)) return false;
        for (;;) {
            const std::size_t before = at_;
            skipBlanks();
            if (startsWith("/>")) {
                at_ += 2;
                return true;
            }
            if (peek() == '>') {
                ++at_;
                break;
            }
            if (at_ == before) return fail("a blank was expected before an attribute");
            if (out.attributes.size() >= limits_.maxAttributes) return fail("too many attributes");
            std::string key, value;
            if (!name(key)) return false;
            skipBlanks();
            if (peek() != '=') return fail("'=' was expected after " + key);
            ++at_;
            skipBlanks();
            if (!attributeValue(value)) return false;
            if (out.attribute(key)) return fail("attribute " + key + " given twice");
            out.attributes.emplace_back(std::move(key), std::move(value));
        }
        // Content, up to the end tag.
        for (;;) {
            if (!text()) return false;
            if (at_ >= s_.size()) return fail("unterminated element " + out.name);
            if (startsWith("</")) {
                at_ += 2;
                std::string end;
                if (!name(end)) return false;
                if (end != out.name) return fail("</" + end + "> closes <" + out.name + ">");
                skipBlanks();
                if (peek() != '>') return fail("'>' was expected");
                ++at_;
                return true;
            }
            if (startsWith("<!--")) {
                if (!skipPast("-->", "comment")) return false;
            } else if (startsWith("<![CDATA[")) {
                if (!skipPast("]]>", "CDATA section")) return false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>", "processing instruction")) return false;
            } else if (isNameChar(peekAt(1))) {
                out.children.emplace_back();
                if (!element(out.children.back(), depth + 1)) return false;
            } else {
                return fail("stray '<'");
            }
        }
    }
};

}  // namespace

std::optional<XmlElement> parseXml(std::string_view text, std::string& error,
                                   const XmlLimits& limits) {
    return Parser(text, limits).document(error);
}

}  // namespace qm
