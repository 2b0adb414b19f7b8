// Reading the answers of the console dialogue.
//
// Every answer may be wrong, empty, huge, not a number or missing. The reader
// never waits for more than the current answer, never stores more than a
// bounded amount of one line, and reports the end of input instead of looping.
// After an answer has been read, the rest of its line is consumed when it is
// blank; otherwise it stays pending for the next question, so that "3 5"
// answers two questions at once.
#pragma once

#include <istream>
#include <string>

namespace sailings {

class ConsoleReader {
 public:
  enum Result { kOk, kNotNumber, kEnd };

  explicit ConsoleReader(std::istream& in) : in_(in) {}

  // A whole number. With `emptyLineIsAnswer` a line with nothing on it is an
  // answer (not a number); otherwise empty lines are skipped. Numbers beyond
  // the range of a long long saturate. A line that does not begin with a
  // number is discarded.
  Result ReadInteger(long long& value, bool emptyLineIsAnswer);
  // A real number (the decimal grammar of the location list); not a number,
  // out of range or infinite is kNotNumber and its line is discarded.
  Result ReadReal(double& value);
  // One character after white space (line ends included).
  Result ReadCharacter(char& c);
  // One typed coordinate line: its first eight fields (separated by blanks,
  // commas, colons or slashes), joined by blanks, however long the line;
  // kEnd only when the input ends before any character of the line.
  Result ReadCoordinateLine(std::string& fields);
  // Discards the rest of the current line, its line end included.
  void DiscardLine();
  // Discards what is left of the line of the last answer, if anything is.
  void DiscardRestOfAnswerLine() {
    if (!lineDone_) DiscardLine();
    lineDone_ = true;
  }

  bool ended() const { return ended_; }

 private:
  int Peek();
  int SkipWhiteSpace();  // blanks and line ends; returns the next character
  void ConsumeBlankRest();
  Result End() {
    ended_ = true;
    return kEnd;
  }

  std::istream& in_;
  bool ended_ = false;
  bool lineDone_ = true;  // the last answer's line end has been consumed
};

}  // namespace sailings
