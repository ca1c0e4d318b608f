// Hexadecimal digits as the tools read them, in either case.
#pragma once

#include <cstddef>
#include <string_view>

namespace morv::cli {

// The digit's value, or -1 for a character that is not a hexadecimal digit.
int HexDigitValue(char c);

// How many hexadecimal digits the text starts with.
std::size_t CountHexDigits(std::string_view text);

}  // namespace morv::cli
