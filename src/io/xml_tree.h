// A small XML reader for the few XML files the program reads (the layer stack of an OpenRaster
// file): elements, their attributes and their nesting.
//
// Text, comments, processing instructions, CDATA sections and a DOCTYPE without an internal
// subset are skipped. Character references and the five predefined entities are decoded; any
// other entity, and a DOCTYPE with an internal subset (where entities would be declared), is
// refused, so nothing in the input expands. Namespaces are not interpreted: an attribute is
// found by its name as written ("svg:x", "quillmoth:blendmode").
//
// Every bound is checked: the text's size (the caller reads at most so much), the depth of
// nesting, the number of elements and the attributes of one element. A refused text gives
// nullopt with a reason that can be shown.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // in file order
    std::vector<XmlElement> children;                             // elements only

    // The value of the attribute `attributeName`, or nullptr.
    const std::string* attribute(std::string_view attributeName) const;
};

struct XmlLimits {
    std::size_t maxDepth = 64;          // the root is at depth 1
    std::size_t maxElements = 100'000;  // in the whole text
    std::size_t maxAttributes = 256;    // of one element
};

// The root element of `text` (UTF-8; a byte-order mark is skipped).
std::optional<XmlElement> parseXml(std::string_view text, std::string& error,
                                   const XmlLimits& limits = {});

}  // namespace qm
