#include "kat_reader.h"

#include <algorithm>
#include <cerrno>

#include "hex.h"
#include "kat.h"

namespace morv::cli {
namespace {

constexpr std::string_view kSeparator = " = ";

// The text as a stream, so that the generator's helpers read a field's value
// just as they read a whole input file.
kat::File OpenText(std::string_view text) {
  return kat::File(fmemopen(const_cast<char*>(text.data()), text.size(), "r"));
}

}  // namespace

bool KatReader::Next() {
  for (;;) {
    errno = 0;
    line_.clear();
    int c = std::getc(in_);
    for (; c != EOF && c != '\n'; c = std::getc(in_)) line_ += static_cast<char>(c);
    if (std::ferror(in_)) {
      readErrno_ = errno != 0 ? errno : EIO;
      return false;
    }
    if (c == EOF && line_.empty()) return false;
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
  const kat::File in = OpenText(value());
  return in && kat::ReadHexField(in.get(), bytes, n, "") == 1;
}

bool KatReader::ReadNumber(int& number) const {
  const kat::File in = OpenText(value());
  return in && kat::ReadDecimal(in.get(), number) && std::getc(in.get()) == EOF;
}

bool KatReader::ReadWord(char* word, int size) const {
  const kat::File in = OpenText(value());
  return in && kat::ReadWordOfLength(in.get(), word, size) && std::getc(in.get()) == EOF;
}

}  // namespace morv::cli
