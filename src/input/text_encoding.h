// A route file's bytes as UTF-8 text (route_files.hpp reads every format
// from it).
#pragma once

#include <string>
#include <string_view>

namespace sailings {

// `raw` as UTF-8 in `text`, without a byte-order mark: UTF-16 and UTF-32
// (told by their mark, or UTF-16 by its zero bytes), and the encoding an
// XML declaration names (ISO-8859-1, windows-1252, ...), converted; UTF-8
// as it is. False with a reason that says what the file is when it is no
// text ("a ZIP archive ...", "a binary file ...") or cannot be converted.
bool DecodeRouteText(std::string_view raw, std::string& text, std::string& reason);

}  // namespace sailings
