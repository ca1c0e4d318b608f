#include "hex.h"

namespace morv::cli {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::size_t CountHexDigits(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && HexDigitValue(text[n]) >= 0) ++n;
  return n;
}

}  // namespace morv::cli
