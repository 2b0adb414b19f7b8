#include "dialogue/console_reader.h"

#include <climits>

#include "sailings/coordinates.hpp"
#include "sailings/text.hpp"

namespace sailings {

namespace {
constexpr int kEof = std::char_traits<char>::eof();
// Longest token or field kept; longer ones are read to their end and cut.
constexpr std::size_t kTokenLimit = 4096;
// Fields of a coordinate line kept: three numbers, a hemisphere letter and
// room for stray fields between them.
constexpr int kFieldLimit = 8;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
}  // namespace

int ConsoleReader::Peek() {
  if (ended_) return kEof;
  const int c = in_.peek();
  if (c == kEof) ended_ = true;
  return c;
}

void ConsoleReader::DiscardLine() {
  lineDone_ = true;
  for (int c = Peek(); c != kEof; c = Peek()) {
    in_.get();
    if (c == '\n') return;
  }
}

void ConsoleReader::ConsumeBlankRest() {
  // Only looks ahead on the current line: blanks are consumed through the
  // line end; anything else stays pending.
  lineDone_ = true;
  for (int c = Peek(); c != kEof; c = Peek()) {
    if (c == '\n') {
      in_.get();
      return;
    }
    if (!IsSpace(c)) {
      lineDone_ = false;
      return;
    }
    in_.get();
  }
  ended_ = false;  // the input ends after a complete answer: that answer counts
}

ConsoleReader::Result ConsoleReader::ReadInteger(long long& value, bool emptyLineIsAnswer) {
  int c = Peek();
  while (c != kEof && (IsSpace(c) || c == '\n')) {
    in_.get();
    if (c == '\n' && emptyLineIsAnswer) {
      lineDone_ = true;
      return kNotNumber;
    }
    c = Peek();
  }
  if (c == kEof) return End();
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    in_.get();
    c = Peek();
  }
  if (!IsDigit(c)) {
    DiscardLine();
    ended_ = false;
    return kNotNumber;
  }
  long long magnitude = 0;
  for (; IsDigit(c); c = Peek()) {
    in_.get();
    const int digit = c - '0';
    magnitude = magnitude > (LLONG_MAX - digit) / 10 ? LLONG_MAX : magnitude * 10 + digit;
  }
  value = negative ? -magnitude : magnitude;
  ConsumeBlankRest();
  return kOk;
}

int ConsoleReader::SkipWhiteSpace() {
  int c = Peek();
  while (c != kEof && (IsSpace(c) || c == '\n')) {
    in_.get();
    c = Peek();
  }
  return c;
}

ConsoleReader::Result ConsoleReader::ReadReal(double& value) {
  int c = SkipWhiteSpace();
  if (c == kEof) return End();
  std::string token;
  for (; c != kEof && !IsSpace(c) && c != '\n'; c = Peek()) {
    in_.get();
    if (token.size() < kTokenLimit) token.push_back(static_cast<char>(c));
  }
  std::size_t used = 0;
  const std::optional<double> number = ParseDecimalPrefix(token, used);
  if (!number) {
    DiscardLine();
    ended_ = false;
    return kNotNumber;
  }
  value = *number;
  ConsumeBlankRest();
  return kOk;
}

ConsoleReader::Result ConsoleReader::ReadCharacter(char& c) {
  const int next = SkipWhiteSpace();
  if (next == kEof) return End();
  in_.get();
  c = static_cast<char>(next);
  ConsumeBlankRest();
  return kOk;
}

ConsoleReader::Result ConsoleReader::ReadCoordinateLine(std::string& fields) {
  fields.clear();
  int c = Peek();
  if (c == kEof) return End();
  int count = 0;  // fields begun so far
  bool inField = false;
  for (; c != kEof && c != '\n'; c = Peek()) {
    in_.get();
    const bool separator = kCoordinateSeparators.find(static_cast<char>(c)) != std::string::npos;
    if (separator) {
      inField = false;
      continue;
    }
    if (!inField) {
      inField = true;
      if (++count <= kFieldLimit && count > 1) fields.push_back(' ');
    }
    if (count <= kFieldLimit && fields.size() < kFieldLimit * (kTokenLimit + 1)) {
      fields.push_back(static_cast<char>(c));
    }
  }
  if (c == '\n') in_.get();
  // A carriage return before the line feed belongs to the line end.
  if (!fields.empty() && fields.back() == '\r') fields.pop_back();
  lineDone_ = true;
  ended_ = false;  // a last line without a line end still counts
  return kOk;
}

}  // namespace sailings
