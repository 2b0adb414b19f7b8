#include "sailings/text.hpp"

namespace sailings {

std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  std::size_t n;
  unsigned long code;
  if (c < 0x80) return 1;
  if (c >= 0xc2 && c <= 0xdf) {
    n = 2, code = c & 0x1f;
  } else if (c >= 0xe0 && c <= 0xef) {
    n = 3, code = c & 0x0f;
  } else if (c >= 0xf0 && c <= 0xf4) {
    n = 4, code = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char d = static_cast<unsigned char>(text[i + k]);
    if ((d & 0xc0) != 0x80) return 0;
    code = (code << 6) | (d & 0x3f);
  }
  const bool overlong = (n == 3 && code < 0x800) || (n == 4 && code < 0x10000);
  const bool invalid =
      code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff) || code == 0xfffe || code == 0xffff;
  return overlong || invalid ? 0 : n;
}

std::size_t HiddenLength(std::string_view text, std::size_t i) {
  const std::size_t n = Utf8Length(text, i);
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  if (n == 0) return 1;                                           // not UTF-8
  if (n == 1) return byte(0) < 0x20 || byte(0) == 0x7f ? 1 : 0;   // C0 controls, DEL
  if (n == 2) return byte(0) == 0xc2 && byte(1) <= 0x9f ? 2 : 0;  // C1 controls
  // The bidirectional embeddings, overrides and isolates: U+202A-U+202E and
  // U+2066-U+2069 reorder the rest of a line where a terminal, a
  // spreadsheet or a plotter shows it.
  if (n == 3 && byte(0) == 0xe2 &&
      ((byte(1) == 0x80 && byte(2) >= 0xaa && byte(2) <= 0xae) ||
       (byte(1) == 0x81 && byte(2) >= 0xa6 && byte(2) <= 0xa9))) {
    return 3;
  }
  return 0;
}

std::string PrintableText(std::string_view text, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (out.size() >= limit) return out + "...";
    const std::size_t n = Utf8Length(text, i);
    if (const std::size_t hidden = HiddenLength(text, i)) {
      out += '?';
      i += hidden;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

namespace {

// `text` with control characters and bytes that are not UTF-8 as '?', and
// each character `escape` gives text for replaced by that text.
template <typename Escape>
std::string Escaped(std::string_view text, Escape escape) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8Length(text, i);
    if (const std::size_t hidden = HiddenLength(text, i)) {
      out += '?';
      i += hidden;
      continue;
    }
    if (const char* replaced = escape(text[i])) {
      out += replaced;
    } else {
      out.append(text.data() + i, n);
    }
    i += n;
  }
  return out;
}

}  // namespace

std::string XmlText(const std::string& text) {
  return Escaped(text, [](char c) -> const char* {
    switch (c) {
      case '&': return "&amp;";
      case '<': return "&lt;";
      case '>': return "&gt;";
      case '"': return "&quot;";
      case '\'': return "&apos;";
      default: return nullptr;
    }
  });
}

std::string JsonText(std::string_view text) {
  return "\"" +
         Escaped(text,
                 [](char c) -> const char* {
                   return c == '"' ? "\\\"" : c == '\\' ? "\\\\" : nullptr;
                 }) +
         "\"";
}

}  // namespace sailings
