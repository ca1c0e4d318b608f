// Reads a KAT output file one field line ("Key = value") at a time, keeping
// the line number for messages. Comment lines ('#') and empty lines are read
// past without being held, whatever their length; a carriage return before
// the line end is dropped.
//
// A field line is held only up to the longest that a field can be where it
// stands, which the caller gives: a longer line is cut one character past
// that, every reader of its value refuses it, and nothing after it is read.
// So memory follows what the file's records declare, never a line's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace morv::cli {

// The longest digest that a file may hold, as morvsum and the bindings take.
inline constexpr int kMaxDigestBits = 65536;

class KatReader {
 public:
  // The longest field line but a message's: "MD = " and the longest digest.
  static constexpr std::size_t kLongestField = sizeof "MD = " - 1 + kMaxDigestBits / 4;

  explicit KatReader(std::FILE* in) : in_(in) {}

  // Moves to the next field line, of at most `longest` characters (its line
  // end aside). False at the end of the input, on a read error, which
  // readErrno() then tells, and after a line that was too long.
  bool Next(std::size_t longest = kLongestField);
  int readErrno() const { return readErrno_; }

  long long lineNumber() const { return lineNumber_; }
  const std::string& line() const { return line_; }
  // Whether the current line is longer than Next allowed (and maybe cut).
  bool tooLong() const { return line_.size() > longest_; }
  // The key of the current line, the text before its first " = " ("Len", "MD",
  // ...); empty without one. Only the checkers' own keys are ever looked up.
  std::string_view key() const { return std::string_view(line_).substr(0, keyLength_); }

  // Readers of the current line's value, through the generator's text helpers.
  // Each is false unless the whole value is what it reads, and on a line too
  // long; a line without a key has an empty value.
  //
  // The number of hexadecimal digits of the value, or npos when it holds anything else.
  std::size_t HexDigitCount() const;
  // n bytes from exactly 2n digits (the digits "00" when n = 0).
  bool ReadBytes(std::uint8_t* bytes, int n) const;
  // A decimal that fits a signed 32-bit integer.
  bool ReadNumber(int& number) const;
  // A word of exactly `size` characters.
  bool ReadWord(char* word, int size) const;

  static constexpr std::size_t npos = std::string_view::npos;

 private:
  std::string_view value() const;
  // Reads past the rest of a line; false on a read error.
  bool SkipLine();
  bool ReadFailed();

  std::FILE* in_;
  std::string line_;
  std::size_t keyLength_ = 0;
  std::size_t longest_ = kLongestField;
  long long lineNumber_ = 0;  // 64 bits: a file may have more than 2^31 lines
  int readErrno_ = 0;
};

}  // namespace morv::cli
