#include "sailings/records.hpp"

#include <charconv>
#include <cmath>

#include "sailings/text.hpp"

namespace sailings {

namespace {
constexpr std::size_t kFlushSize = 1 << 16;
}  // namespace

RecordWriter::RecordWriter(std::ostream& out, Format format, int decimals,
                           const std::vector<const char*>& names, bool header)
    : out_(out), format_(format), decimals_(decimals < 0 ? 0 : (decimals > 12 ? 12 : decimals)) {
  for (const char* name : names) names_.emplace_back(name);
  if (format_ == kCsv && header) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (i > 0) buffer_ += ',';
      buffer_ += names_[i];
    }
    buffer_ += '\n';
  }
}

void RecordWriter::Separator() {
  if (format_ == kCsv) {
    if (field_ > 0) buffer_ += ',';
  } else {
    buffer_ += field_ == 0 ? "{\"" : ",\"";
    buffer_ += field_ < names_.size() ? names_[field_] : std::string("field");
    buffer_ += "\":";
  }
  ++field_;
}

void RecordWriter::Value(const FieldValue& v) {
  switch (v.kind) {
    case FieldValue::Kind::number: Number(v.a); break;
    case FieldValue::Kind::angle: Angle(v.a); break;
    case FieldValue::Kind::truth: Bool(v.truth); break;
    case FieldValue::Kind::position: Position(v.a, v.b); break;
    case FieldValue::Kind::integer: Integer(v.integer); break;
    case FieldValue::Kind::text: Text(v.text); break;
    case FieldValue::Kind::none: Null(); break;
  }
}

void RecordWriter::Number(std::optional<double> value) {
  if (!value || !std::isfinite(*value)) {
    Null();
    return;
  }
  Separator();
  char digits[400];
  buffer_.append(digits, FormatNumber(digits, *value, decimals_));
}

void RecordWriter::Angle(std::optional<double> degrees) {
  if (!degrees || !std::isfinite(*degrees)) {
    Null();
    return;
  }
  Separator();
  char digits[400];
  buffer_.append(digits, FormatAzimuth(digits, *degrees, decimals_));
}

void RecordWriter::Integer(long value) {
  Separator();
  char digits[24];
  buffer_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void RecordWriter::Text(std::string_view text) {
  Separator();
  Quoted(text);
}

void RecordWriter::Bool(bool value) {
  Separator();
  buffer_ += value ? "true" : "false";
}

void RecordWriter::Position(double lat, double lon) {
  Separator();
  char digits[400];
  buffer_ += format_ == kCsv ? "\"[" : "[";
  buffer_.append(digits, FormatNumber(digits, lat, decimals_));
  buffer_ += ',';
  buffer_.append(digits, FormatNumber(digits, lon, decimals_));
  buffer_ += format_ == kCsv ? "]\"" : "]";
}

void RecordWriter::Null() {
  Separator();
  if (format_ == kJson) buffer_ += "null";
}

void RecordWriter::Quoted(std::string_view text) {
  const std::string safe = PrintableText(text, 4096);
  if (format_ == kJson) {
    buffer_ += JsonText(safe);
    return;
  }
  if (safe.find_first_of(",\"") == std::string::npos) {
    buffer_ += safe;
    return;
  }
  buffer_ += '"';
  for (char c : safe) {
    if (c == '"') buffer_ += '"';
    buffer_ += c;
  }
  buffer_ += '"';
}

void RecordWriter::EndRecord() {
  if (format_ == kJson) buffer_ += field_ == 0 ? "{}" : "}";
  buffer_ += '\n';
  field_ = 0;
  if (buffer_.size() >= kFlushSize) Flush();
}

void RecordWriter::ErrorRecord(std::string_view reason) {
  if (format_ == kJson) {
    buffer_ += "{\"error\":";
    Quoted(reason);
    buffer_ += "}\n";
  } else {
    for (std::size_t i = 0; i + 1 < names_.size(); ++i) buffer_ += ',';
    Quoted(reason);
    buffer_ += '\n';
  }
  field_ = 0;
  if (buffer_.size() >= kFlushSize) Flush();
}

void RecordWriter::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

}  // namespace sailings
