#include "sailings/writers.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "sailings/classic.hpp"
#include "sailings/text.hpp"

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
  void Text(const char (&text)[N]) {
    Append(text, N - 1);
  }
  void Text(const std::string& text) { Append(text.data(), text.size()); }
  void Terminated(const char* text) { Append(text, std::strlen(text)); }
  // A number right-adjusted in `width`, fixed with 6 decimals (or `decimals`).
  void Number(double value, int width, int decimals = 6) {
    char digits[400];
    const char* end = FormatNumber(digits, value, decimals);
    Pad(width - static_cast<int>(end - digits));
    Append(digits, static_cast<std::size_t>(end - digits));
  }
  // An azimuth, never 360 (FormatAzimuth).
  void Azimuth(double degrees, int width) {
    char digits[400];
    const char* end = FormatAzimuth(digits, degrees, 6);
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
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), sizeof buffer_ - size_);
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

// The cells every row has: latitude, longitude and azimuth (degrees).
// (In the classic notation, as the computation gives them: classic.hpp.)
void PositionCells(Line& line, const Waypoint& row, const ClassicCells* classic) {
  line.Number(classic ? classic->lat : row.lat, 10);
  line.Text("  ");
  line.Number(row.lon, 10);
  line.Text("  ");
  if (classic && classic->azimuth) {
    line.Number(*classic->azimuth, 10);
  } else if (!classic && row.azimuth) {
    line.Azimuth(*row.azimuth, 10);
  } else {
    line.Text(kNoAzimuth);
  }
}

}  // namespace

TableText::TableText(std::ostream& console, std::ostream* copy, const TableTextOptions& options)
    : console_(console), copy_(copy), options_(options) {}

void TableText::Emit(const char* text, std::size_t size) {
  console_.write(text, static_cast<std::streamsize>(size));
  if (options_.flush_each_row) console_.flush();
  if (copy_) copy_->write(text, static_cast<std::streamsize>(size));
}

void TableText::Write(const Waypoint& row, const ClassicCells* classic) {
  const Schedule* schedule = options_.schedule;
  Line line;
  if (row.wp == 0) {
    const char* header = options_.blank_lines_first ? kHeader : kHeader + 2;
    if (schedule) {
      // The header and its rule, each widened by the time columns.
      line.Text(std::string(header, std::strlen(header) - 72));
      line.Terminated(schedule->depart ? "       hours  eta\n" : "       hours\n");
      line.Text(std::string(70 + (schedule->depart ? 31 : 12), '-'));
      line.Text("\n");
    } else {
      line.Terminated(header);
    }
    line.Text(" 0   ");
    PositionCells(line, row, classic);
    line.Text("       *           *");
  } else {
    line.Integer(row.wp, 2);
    line.Text("   ");
    PositionCells(line, row, classic);
    line.Text("  ");
    line.Number(row.leg_nm, 10);
    line.Text("  ");
    line.Number(row.total_nm, 12);
  }
  if (schedule) {
    const double hours = RowHours(row, *schedule);
    line.Number(hours, 12, 2);
    if (schedule->depart) {
      line.Text("  ");
      line.Text(schedule->EtaAfter(hours));
    }
  }
  line.Text("\n");
  Emit(line.data(), line.size());
}

void ClassicTableText::Row(const Waypoint& row, const ClassicCells& classic) {
  table_.Write(row, &classic);
}

}  // namespace sailings
