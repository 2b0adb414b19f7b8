#include "elliptic/waypoint_table.h"

#include <charconv>
#include <cstring>

#include "elliptic/ellipsoid.h"
#include "elliptic/fixed_format.h"
#include "elliptic/gpx_route.h"

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
  void Text(const char* text) { Append(text, std::strlen(text)); }
  // A number right-adjusted in `width`, fixed with 6 decimals.
  void Number(double value, int width) {
    char digits[400];
    const char* end = FormatFixed(digits, value, 6);
    const char* first = digits;
    // A value that rounds to zero is printed without a sign.
    if (end - digits == 9 && std::memcmp(digits, "-0.000000", 9) == 0) ++first;
    Pad(width - static_cast<int>(end - first));
    Append(first, static_cast<std::size_t>(end - first));
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
    while (count-- > 0) Append(" ", 1);
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
  file_.write(text, static_cast<std::streamsize>(size));
}

void WaypointTable::Begin(double latitude, double longitude, std::optional<double> azimuth) {
  Line line;
  line.Text(kHeader);
  line.Text(" 0   ");
  PositionCells(line, latitude, longitude, azimuth);
  line.Text("       *           *\n");
  Emit(line.data(), line.size());
  if (route_) route_->Point(latitude, longitude);
  total_ = 0;
}

void WaypointTable::Row(long number, double latitude, double longitude,
                        std::optional<double> azimuth, double leg, double total) {
  Line line;
  line.Integer(number, 2);
  line.Text("   ");
  PositionCells(line, latitude, longitude, azimuth);
  line.Text("  ");
  line.Number(ToNauticalMiles(leg), 10);
  line.Text("  ");
  line.Number(ToNauticalMiles(total), 12);
  line.Text("\n");
  Emit(line.data(), line.size());
  if (route_) route_->Point(latitude, longitude);
  total_ = total;
}

}  // namespace sailings
