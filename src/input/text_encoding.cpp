// A route file's bytes as UTF-8 text: the encoding its byte-order mark or
// its XML declaration names honoured (converted by the C library's iconv),
// and files of kinds that are no text told for what they are.
#include "input/text_encoding.h"

#if !defined(__EMSCRIPTEN__)
#include <iconv.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "sailings/text.hpp"

namespace sailings {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

#if defined(__EMSCRIPTEN__)
// The page: the C library's iconv would bring every legacy table of the
// world into it, so the encodings route files are written in are converted
// here: UTF-16 and UTF-32 (either byte order), ISO-8859-1 and windows-1252.
void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool Convert(std::string_view raw, const std::string& from, std::string& text,
             std::string& reason) {
  // windows-1252's characters at 0x80 to 0x9F (0: none there).
  static const unsigned short k1252[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  const std::string name = Lower(from);
  const auto bad = [&](std::size_t at) {
    reason = "byte " + std::to_string(at + 1) + " is not " + PrintableText(from) + " text";
    return false;
  };
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(raw[i]); };
  text.clear();
  if (name == "utf-16le" || name == "utf-16be") {
    const bool big = name == "utf-16be";
    const auto unit = [&](std::size_t i) {
      return big ? (byte(i) << 8 | byte(i + 1)) : (byte(i + 1) << 8 | byte(i));
    };
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
      unsigned long code = static_cast<unsigned long>(unit(i));
      if (code >= 0xD800 && code <= 0xDBFF) {
        if (i + 3 >= raw.size()) return bad(i);
        const unsigned long low = static_cast<unsigned long>(unit(i + 2));
        if (low < 0xDC00 || low > 0xDFFF) return bad(i);
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else if (code >= 0xDC00 && code <= 0xDFFF) {
        return bad(i);
      }
      AppendUtf8(text, code);
    }
    return raw.size() % 2 == 0 || bad(raw.size() - 1);
  }
  if (name == "utf-32le" || name == "utf-32be") {
    const bool big = name == "utf-32be";
    for (std::size_t i = 0; i + 3 < raw.size(); i += 4) {
      const unsigned long code = big ? (static_cast<unsigned long>(byte(i)) << 24 |
                                        byte(i + 1) << 16 | byte(i + 2) << 8 | byte(i + 3))
                                     : (static_cast<unsigned long>(byte(i + 3)) << 24 |
                                        byte(i + 2) << 16 | byte(i + 1) << 8 | byte(i));
      if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return bad(i);
      AppendUtf8(text, code);
    }
    return raw.size() % 4 == 0 || bad(raw.size() - 1);
  }
  const bool latin1 = name == "iso-8859-1" || name == "iso8859-1" || name == "latin1" ||
                      name == "latin-1" || name == "iso_8859-1";
  const bool cp1252 = name == "windows-1252" || name == "cp1252";
  if (!latin1 && !cp1252) {
    reason = "the encoding '" + PrintableText(from) + "' is not one this program reads";
    return false;
  }
  for (std::size_t i = 0; i < raw.size(); ++i) {
    unsigned long code = byte(i);
    if (cp1252 && code >= 0x80 && code <= 0x9F) {
      code = k1252[code - 0x80];
      if (code == 0) return bad(i);
    }
    AppendUtf8(text, code);
  }
  return true;
}
#else
// `raw` converted from `from` (an encoding iconv knows) to UTF-8; false with
// the reason.
bool Convert(std::string_view raw, const std::string& from, std::string& text,
             std::string& reason) {
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    reason = "the encoding '" + PrintableText(from) + "' is not one this program reads";
    return false;
  }
  text.clear();
  std::string in(raw);  // iconv takes a pointer to non-const input
  char* source = in.data();
  std::size_t left = in.size();
  char buffer[1 << 14];
  bool ok = true;
  while (left > 0) {
    char* target = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t done = iconv(cd, &source, &left, &target, &room);
    text.append(buffer, static_cast<std::size_t>(target - buffer));
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      reason = "byte " + std::to_string(static_cast<std::size_t>(source - in.data()) + 1) +
               " is not " + PrintableText(from) + " text";
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}
#endif

// The encoding an XML declaration at the start of `text` names, if it does.
std::string DeclaredEncoding(std::string_view text) {
  if (!StartsWith(text, "<?xml")) return {};
  const std::size_t end = text.find("?>");
  const std::string_view declaration = text.substr(0, end == std::string_view::npos ? 200 : end);
  const std::size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  std::size_t i = at + 8;
  while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '=')) ++i;
  if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) return {};
  const char quote = declaration[i];
  const std::size_t close = declaration.find(quote, i + 1);
  if (close == std::string_view::npos) return {};
  return std::string(declaration.substr(i + 1, close - i - 1));
}

}  // namespace

bool DecodeRouteText(std::string_view raw, std::string& text, std::string& reason) {
  // Kinds of file that are no text at all.
  if (StartsWith(raw, "PK\x03\x04")) {
    reason = "a ZIP archive (a KMZ file is one): unpack it and read the KML inside";
    return false;
  }
  if (StartsWith(raw, "\x1f\x8b")) {
    reason = "compressed with gzip: decompress it first";
    return false;
  }
  // A byte-order mark, or the first characters of UTF-16 without one.
  std::string from;
  std::size_t mark = 0;
  if (StartsWith(raw, std::string_view("\xFF\xFE\0\0", 4))) {
    from = "UTF-32LE", mark = 4;
  } else if (StartsWith(raw, std::string_view("\0\0\xFE\xFF", 4))) {
    from = "UTF-32BE", mark = 4;
  } else if (StartsWith(raw, "\xFF\xFE")) {
    from = "UTF-16LE", mark = 2;
  } else if (StartsWith(raw, "\xFE\xFF")) {
    from = "UTF-16BE", mark = 2;
  } else if (StartsWith(raw, "\xEF\xBB\xBF")) {
    mark = 3;
  } else if (raw.size() >= 4 && raw[0] != '\0' && raw[1] == '\0' && raw[2] != '\0' &&
             raw[3] == '\0') {
    from = "UTF-16LE";
  } else if (raw.size() >= 4 && raw[0] == '\0' && raw[1] != '\0' && raw[2] == '\0' &&
             raw[3] != '\0') {
    from = "UTF-16BE";
  }
  if (!from.empty()) {
    if (!Convert(raw.substr(mark), from, text, reason)) return false;
  } else {
    text.assign(raw.substr(mark));
    // An XML declaration names any other encoding (ISO-8859-1, windows-1252...).
    const std::string declared = Lower(DeclaredEncoding(text));
    if (!declared.empty() && declared != "utf-8" && declared != "utf8" && declared != "us-ascii" &&
        declared != "ascii") {
      if (StartsWith(declared, "utf-16") || StartsWith(declared, "utf-32")) {
        reason = "the XML declaration names " + PrintableText(declared) +
                 ", but the file is written in 8-bit characters";
        return false;
      }
      const std::string raw8 = text;
      if (!Convert(raw8, declared, text, reason)) return false;
    }
  }
  if (text.find('\0') != std::string::npos) {
    reason = "a binary file (it holds NUL bytes), not a route file";
    return false;
  }
  return true;
}

}  // namespace sailings
