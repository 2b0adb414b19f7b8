#include "writers/waypoint_table.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "elliptic/ellipsoid.h"
#include "text/fixed_format.h"

namespace sailings {

namespace {

constexpr char kHeader[] =
    "\n\nWP    latitude    longitude    azimuth   legdistance  totaldistance\n"
    "----------------------------------------------------------------------\n";
constexpr char kNoAzimuth[] = "    *     ";

// One row under construction; the longest possible row (every cell at its
// widest double) still fits.
class Line {
 public:
  // A literal (its length known at compile time) or any text.
  template <std::size_t N>
  void Text(const char (&text)[N]) { Append(text, N - 1); }
  void Text(const std::string& text) { Append(text.data(), text.size()); }
  void Terminated(const char* text) { Append(text, std::strlen(text)); }
  // A number right-adjusted in `width`, fixed with 6 decimals (or `decimals`).
  void Number(double value, int width, int decimals = 6) {
    char digits[400];
    const char* end = FormatNumber(digits, value, decimals);
    Pad(width - static_cast<int>(end - digits));
    Append(digits, static_cast<std::size_t>(end - digits));
  }
  void Integer(long value, int width) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    Pad(width - static_cast<int>(result.ptr - digits));
    Append(digits, static_cast<std::size_t>(result.ptr - digits));
  }
  const char* data() const { return buffer_; }
  std::size_t size() const { return size_; }

 private:
  void Pad(int count) {
    if (count <= 0) return;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), sizeof buffer_ - size_);
    std::memset(buffer_ + size_, ' ', n);
    size_ += n;
  }
  void Append(const char* text, std::size_t n) {
    if (n > sizeof buffer_ - size_) n = sizeof buffer_ - size_;
    std::memcpy(buffer_ + size_, text, n);
    size_ += n;
  }
  char buffer_[2048];
  std::size_t size_ = 0;
};

// The cells every row has: latitude, longitude and azimuth.
void PositionCells(Line& line, double latitude, double longitude, std::optional<double> azimuth) {
  line.Number(ToDegrees(latitude), 10);
  line.Text("  ");
  line.Number(ToDegrees(longitude), 10);
  line.Text("  ");
  if (azimuth) {
    line.Number(ToDegrees(*azimuth), 10);
  } else {
    line.Text(kNoAzimuth);
  }
}

}  // namespace

void WaypointTable::Emit(const char* text, std::size_t size) {
  console_.write(text, static_cast<std::streamsize>(size));
  if (flushConsole_) console_.flush();
  if (file_) file_->write(text, static_cast<std::streamsize>(size));
}

void WaypointTable::Row(const WaypointRow& row) {
  const double latitude = trueLatitudes_ ? TrueLatitude(row.latitude) : row.latitude;
  Line line;
  if (row.number == 0) {
    const char* header = blankLinesFirst_ ? kHeader : kHeader + 2;
    if (schedule_) {
      // The header and its rule, each widened by the time columns.
      line.Text(std::string(header, std::strlen(header) - 72));
      line.Terminated(schedule_->depart ? "       hours  eta\n" : "       hours\n");
      line.Text(std::string(70 + (schedule_->depart ? 31 : 12), '-'));
      line.Text("\n");
    } else {
      line.Terminated(header);
    }
    line.Text(" 0   ");
    PositionCells(line, latitude, row.longitude, row.azimuth);
    line.Text("       *           *");
  } else {
    line.Integer(row.number, 2);
    line.Text("   ");
    PositionCells(line, latitude, row.longitude, row.azimuth);
    line.Text("  ");
    line.Number(ToNauticalMiles(row.leg), 10);
    line.Text("  ");
    line.Number(ToNauticalMiles(row.total), 12);
  }
  if (schedule_) {
    line.Number(schedule_->Hours(row.total), 12, 2);
    if (schedule_->depart) {
      line.Text("  ");
      line.Text(schedule_->Eta(row.total));
    }
  }
  line.Text("\n");
  Emit(line.data(), line.size());
}

}  // namespace sailings
