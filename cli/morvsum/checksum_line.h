// The two checksum line formats, written and read as coreutils does:
//   untagged  "HEX  NAME" (or "HEX *NAME" in binary mode)
//   tagged    "MORV-BITS (NAME) = HEX"
// A name holding a backslash, a line end or a carriage return is written
// escaped ("\\", "\n", "\r") with a backslash at the start of the line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace morv::cli {

inline constexpr std::string_view kTagName = "MORV";

struct LineFormat {
  bool tagged;
  bool binary;  // '*' before the name of an untagged line
  bool zero;    // end with NUL instead of a line end, and escape nothing
};

// Prints one line for a digest of digestBits bits of the file `name`.
void PrintChecksumLine(std::FILE* out, const std::uint8_t* digest, int digestBits, const char* name,
                       const LineFormat& format);

// Prints the name, with "\\", "\n" and "\r" escapes when `escape` is set.
void PrintName(std::FILE* out, std::string_view name, bool escape);

// Whether a check file's untagged lines put one blank between digest and name
// (the reversed BSD form, "HEX NAME"). Decided by the first untagged line; the
// two forms are not mixed.
enum class UntaggedForm { Unknown, TwoColumns, Reversed };

struct ChecksumLine {
  std::string_view hex;  // the expected digest, a view into the line
  std::string name;      // unescaped
  int digestBits;
};

// Parses one line of a check file, without its line end. Returns false for a
// line in neither format, with a bad escape, or with a digest of the wrong
// length or other than hexadecimal digits.
bool ParseChecksumLine(std::string_view line, UntaggedForm& form, ChecksumLine& parsed);

}  // namespace morv::cli
