// Records for scripts: CSV with one header row, or JSON Lines (one object a
// line). Numbers are written fixed at the chosen number of decimals by the
// one number writer (never an exponent, never "nan"); a missing value is an
// empty CSV cell or JSON null. Output is gathered and written in large
// pieces, so that long runs stay fast.
#pragma once

#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sailings/fields.hpp"

namespace sailings {

class RecordWriter {
 public:
  enum Format { kCsv, kJson };

  // `names` are the fields of every record, in order; CSV writes them as its
  // header row at once (unless `header` is false: records that continue
  // others). `decimals` from 0 to 12.
  RecordWriter(std::ostream& out, Format format, int decimals,
               const std::vector<const char*>& names, bool header = true);
  ~RecordWriter() { Flush(); }
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  // The next field of the current record (fields in the order of `names`).
  void Number(std::optional<double> value);
  void Angle(std::optional<double> degrees);  // an azimuth or course: never 360 (FormatAzimuth)
  void Integer(long value);
  void Text(std::string_view text);  // empty text is empty / ""
  void Null();
  void Bool(bool value);                  // true / false
  void Position(double lat, double lon);  // [lat,lon] (quoted in CSV)
  void Value(const FieldValue& value);    // any of the above
  // A whole record of `fields` (the names this writer was made with).
  template <typename Record>
  void Write(const std::vector<const Field<Record>*>& fields, const Record& record) {
    for (const auto* field : fields) Value(field->get(record));
    EndRecord();
  }
  void EndRecord();
  // A record holding only an error: in CSV every field empty but the last,
  // which holds `reason`; in JSON {"error": reason}.
  void ErrorRecord(std::string_view reason);
  void Flush();
  Format format() const { return format_; }

 private:
  void Separator();
  void Quoted(std::string_view text);

  std::ostream& out_;
  Format format_;
  int decimals_;
  std::vector<std::string> names_;
  std::string buffer_;
  std::size_t field_ = 0;
};

}  // namespace sailings
