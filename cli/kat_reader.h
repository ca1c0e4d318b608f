// Reads a KAT output file one field line ("Key = value") at a time, keeping
// the line number for messages. Comment lines ('#') and empty lines are
// skipped; a carriage return before the line end is dropped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace morv::cli {

class KatReader {
 public:
  explicit KatReader(std::FILE* in) : in_(in) {}

  // Moves to the next field line. False at the end of the input or on a read
  // error, which readErrno() then tells.
  bool Next();
  int readErrno() const { return readErrno_; }

  int lineNumber() const { return lineNumber_; }
  const std::string& line() const { return line_; }
  // The key of the current line, the text before its first " = " ("Len", "MD",
  // ...); empty without one. Only the checkers' own keys are ever looked up.
  std::string_view key() const { return std::string_view(line_).substr(0, keyLength_); }

  // Readers of the current line's value, through the generator's text helpers.
  // Each is false unless the whole value is what it reads; a line without a
  // key has an empty value.
  //
  // The number of hexadecimal digits of the value, or -1 when it holds anything else.
  int HexDigitCount() const;
  // n bytes from exactly 2n digits (the digits "00" when n = 0).
  bool ReadBytes(std::uint8_t* bytes, int n) const;
  // A decimal that fits a signed 32-bit integer.
  bool ReadNumber(int& number) const;
  // A word of exactly `size` characters.
  bool ReadWord(char* word, int size) const;

 private:
  std::string_view value() const;

  std::FILE* in_;
  std::string line_;
  std::size_t keyLength_ = 0;
  int lineNumber_ = 0;
  int readErrno_ = 0;
};

}  // namespace morv::cli
