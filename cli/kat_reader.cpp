#include "kat_reader.h"

#include <algorithm>
#include <cerrno>

#include "hex.h"
#include "input_file.h"
#include "kat.h"

namespace morv::cli {
namespace {

constexpr std::string_view kSeparator = " = ";

}  // namespace

bool KatReader::Next() {
  for (;;) {
    errno = 0;
    if (!ReadLine(in_, line_)) {
      if (std::ferror(in_)) readErrno_ = errno != 0 ? errno : EIO;
      return false;
    }
    ++lineNumber_;
    if (line_.ends_with('\r')) line_.pop_back();
    if (line_.empty() || line_[0] == '#') continue;

    const std::size_t separator = line_.find(kSeparator);
    keyLength_ = separator == std::string::npos ? 0 : separator;
    return true;
  }
}

std::string_view KatReader::value() const {
  if (keyLength_ == 0) return {};
  return std::string_view(line_).substr(keyLength_ + kSeparator.size());
}

int KatReader::HexDigitCount() const {
  const std::string_view digits = value();
  return CountHexDigits(digits) == digits.size() ? static_cast<int>(digits.size()) : -1;
}

bool KatReader::ReadBytes(std::uint8_t* bytes, int n) const {
  if (HexDigitCount() != 2 * std::max(n, 1)) return false;
  if (n == 0) return value() == "00";
  kat::TextInput in(value());
  return kat::ReadHexField(in, bytes, n, "") == 1;
}

bool KatReader::ReadNumber(int& number) const {
  kat::TextInput in(value());
  return kat::ReadDecimal(in, number) && in.AtEnd();
}

bool KatReader::ReadWord(char* word, int size) const {
  kat::TextInput in(value());
  return kat::ReadWordOfLength(in, word, size) && in.AtEnd();
}

}  // namespace morv::cli
