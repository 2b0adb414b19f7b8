#include "dialogue/driver.h"

#include <cctype>
#include <cmath>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "dialogue/console_reader.h"
#include "dialogue/elliptic.h"
#include "dialogue/typed_coordinates.h"
#include "sailings/places.hpp"

namespace sailings {

namespace {

constexpr char kRule[] = "----------------------------------------------";

void PrintBanner(std::ostream& out) {
  out << "MERIDIAN BAY INSTITUTE OF NAVIGATION: SAILINGS LABORATORY. DECEMBER 6, 2026\n"
      << std::endl;
  out << "NAFTIKO INSTITOUTO MERIDIAN BAY: ERGASTIRIO PLOON. 6-12-2026\n" << std::endl;
  out << "SAILING CALCULATIONS ON THE WGS-84 ELLIPSOID:" << std::endl;
  out << "  'Loxodromic Sailing' and 'Great Elliptic Sailing'(Orthodrome on the ellipsoid)"
      << std::endl;
  out << kRule << std::endl;
  out << "For queries or comments, please contact:" << std::endl;
  out << "          the maintainers (sailings-maintainers@example.org)" << std::endl;
  out << kRule << std::endl;
}

class Dialogue {
 public:
  Dialogue(std::istream& in, std::ostream& out, std::ostream& err,
           const std::filesystem::path& directory, bool flushRows, std::vector<Place>& list)
      : reader_(in), console_{reader_, out, err, directory, flushRows}, out_(out), list_(list) {}

  int Run() {
    const int offered = static_cast<int>(list_.size()) - 2;
    for (;;) {
      for (int i = 1; i <= offered; ++i) {
        out_ << i << ".  " << list_[i].name << "  ( " << list_[i].lat << " , " << list_[i].lon
             << " )\n";
      }
      int departure = 0, destination = 0;
      for (;;) {
        if (!Choose(true, departure) || !Choose(false, destination)) return Ended();
        if (!SamePosition(list_[departure], list_[destination])) break;
        out_ << "Departure and Destination locations are the same. Please try again.\n";
      }
      out_ << "\n Calculating route from " << list_[departure].name << " to "
           << list_[destination].name << " ...\n\n"
           << std::flush;
      const int status = Elliptic(list_[departure], list_[destination], console_);
      if (reader_.ended()) return Ended();
      if (status == kStatusCannotWrite) {
        out_ << "\n\nERROR!! Cannot open files to write waypoint information. Please make sure "
                "they are not in use. !!\n\n";
      } else if (status == kStatusLegTooShort) {
        out_ << "\n\nERROR!! Distance munt be larger than 1 N.M. !!\n\n";
      }
      out_ << "\nExit (y/n)? " << std::flush;
      char answer = 'n';
      if (reader_.ReadCharacter(answer) == ConsoleReader::kEnd) return Ended();
      if (answer == 'y' || answer == 'Y') return 0;
      out_ << std::endl << std::endl;
    }
  }

 private:
  int Ended() {
    out_ << std::endl;
    return 0;
  }

  // Asks for the departure or the destination until a valid answer; false at
  // the end of input.
  bool Choose(bool departure, int& index) {
    const long long last = static_cast<long long>(list_.size()) - 2;
    for (;;) {
      out_ << std::endl
           << (departure ? "PRESS zero (0) TO ENTER LOCATION OF DEPARTURE (POINT A):\n"
                         : "PRESS zero (0) TO ENTER LOCATION OF DESTINATION (POINT B):\n")
           << std::flush;
      long long choice = -1;
      const ConsoleReader::Result result = reader_.ReadInteger(choice, true);
      if (result == ConsoleReader::kEnd) return false;
      if (result == ConsoleReader::kNotNumber || choice < 0 || choice > last) {
        out_ << "No such location in list. Please try again.\n";
        continue;
      }
      if (choice > 0) {
        index = static_cast<int>(choice);
        return true;
      }
      reader_.DiscardRestOfAnswerLine();
      const char* which = departure ? "departure" : "destination";
      if (departure) {
        out_ << "Give coordinates in Degrees or in Degrees Minutes Seconds \n"
                "divided by space, comma, collon, or slash character."
             << std::endl
             << std::endl;
      }
      double latitude = 0, longitude = 0;
      if (!AskCoordinate("Give latitude for ", which, Axis::latitude, latitude)) return false;
      out_ << "latitude (degrees) = " << latitude << std::endl;
      if (!AskCoordinate("Give longitude of ", which, Axis::longitude, longitude)) return false;
      out_ << "longitude (degrees) = " << longitude << std::endl;
      index = departure ? 0 : static_cast<int>(list_.size()) - 1;
      list_[index] = StorePlace(list_[index].name, latitude, longitude);
      return true;
    }
  }

  // Asks for one coordinate until it can be read; a refusal gives its reason
  // and the same question. False at the end of input.
  bool AskCoordinate(const char* question, const char* which, Axis axis, double& degrees) {
    for (;;) {
      out_ << question << which << ": " << std::flush;
      std::string fields;
      if (reader_.ReadCoordinateLine(fields) == ConsoleReader::kEnd) return false;
      const Status status = degconverter(fields, axis, degrees);
      if (status == Status::ok) return true;
      std::string reason = Describe(status);
      reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
      out_ << reason << ". Please try again.\n";
    }
  }

  ConsoleReader reader_;
  Console console_;
  std::ostream& out_;
  std::vector<Place>& list_;
};

}  // namespace

int RunSailings(std::istream& in, std::ostream& out, std::ostream& err,
                const std::filesystem::path& directory, bool flushRows) {
  PrintBanner(out);
  std::optional<std::vector<Place>> places = LoadPlaces(directory / kLocationFile, err);
  if (!places) {
    err << "Cannot open " << kLocationFile
        << ": the location list is read from the working directory." << std::endl;
    return -2;
  }
  // The list's places between two slots for typed positions: 0 the
  // departure, the last the destination.
  std::vector<Place> list;
  list.reserve(places->size() + 2);
  list.push_back({"A"});
  list.insert(list.end(), places->begin(), places->end());
  list.push_back({"B"});
  Dialogue dialogue(in, out, err, directory, flushRows, list);
  return dialogue.Run();
}

}  // namespace sailings
