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
  const bool invalid = code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff) ||
                       code == 0xfffe || code == 0xffff;
  return overlong || invalid ? 0 : n;
}

std::string PrintableText(std::string_view text, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (out.size() >= limit) return out + "...";
    const std::size_t n = Utf8Length(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (n == 0 || (n == 1 && (c < 0x20 || c == 0x7f))) {
      out += '?';
      ++i;
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
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (n == 0 || (n == 1 && (c < 0x20 || c == 0x7f))) {
      out += '?';
      ++i;
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
  return "\"" + Escaped(text, [](char c) -> const char* {
           return c == '"' ? "\\\"" : c == '\\' ? "\\\\" : nullptr;
         }) + "\"";
}

}  // namespace sailings
