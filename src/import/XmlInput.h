#pragma once

#include <cstdint>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <string_view>

#include "base/Verdict.h"

namespace corvalin {

// How an XML document of a book is parsed. pugixml expands no entity a document declares
// (there is no DTD processing at all), so a document cannot grow by entity references; only
// the five predefined ones and character references are resolved, and with `keepReferences`
// not even those: the text keeps every "&...;" for the HTML converter, which knows HTML's
// named references as well.
struct XmlReading {
    std::string_view format;  // "EPUB", "FictionBook": the start of every message
    std::string_view part;    // the member or document, for messages
    bool keepReferences = false;
};

// Parses `bytes` into `document`. The encoding is taken from a byte-order mark, else from the
// XML declaration (through the code page list, so windows-1251, KOI8-R, … are read as the
// plain-text import reads them), else UTF-8. Text made only of white space is kept, since it
// separates words. Bad XML or an encoding no code page stands for is a verdict naming the part.
Verdict LoadXml(std::span<const uint8_t> bytes, pugi::xml_document& document, const XmlReading& reading);

// The encoding name an XML declaration at the start of `bytes` gives; empty without one.
std::string DeclaredXmlEncoding(std::span<const uint8_t> bytes);

// An element's name without its namespace prefix, lower-cased ASCII: "epub:switch" is
// "switch", "DC:Title" is "title". Documents name their elements in every case and prefix.
std::string LocalName(const pugi::xml_node& node);
// An attribute by its local name, whatever its prefix; an empty attribute when there is none.
pugi::xml_attribute AttributeByLocalName(const pugi::xml_node& node, std::string_view name);

// The text of `node` and everything inside it, each run of white space one space, trimmed.
std::string CollapsedText(const pugi::xml_node& node);

}  // namespace corvalin
