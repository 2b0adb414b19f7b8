// Text that reaches a terminal or a file: only whole UTF-8 characters and no
// control characters; the same escaped for XML.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sailings {

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t i);

// `text` with control characters and bytes that are not UTF-8 shown as '?',
// cut after `limit` bytes with "..." added.
std::string PrintableText(std::string_view text, std::size_t limit = 60);

// Text for an XML element or attribute: & < > " ' escaped, control
// characters and bytes that are not UTF-8 replaced by '?' (as above, uncut).
std::string XmlText(const std::string& text);

}  // namespace sailings
