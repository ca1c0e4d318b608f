#include "kat_reader.h"

#include <algorithm>
#include <cerrno>

#include "hex.h"
#include "kat.h"

namespace morv::cli {
namespace {

constexpr std::string_view kSeparator = " = ";

}  // namespace

bool KatReader::ReadFailed() {
  if (!std::ferror(in_)) return false;
  readErrno_ = errno != 0 ? errno : EIO;
  return true;
}

bool KatReader::SkipLine() {
  int c;
  while ((c = std::getc(in_)) != EOF && c != '\n') {
  }
  return !ReadFailed();
}

bool KatReader::Next(std::size_t longest) {
  // Nothing after a line too long is read: its rest would pass for a line.
  if (readErrno_ != 0 || tooLong()) return false;
  longest_ = longest;
  keyLength_ = 0;
  for (;;) {
    line_.clear();
    errno = 0;
    int c = std::getc(in_);
    if (c == EOF) {
      ReadFailed();
      return false;
    }
    ++lineNumber_;
    if (c == '#') {
      if (!SkipLine()) return false;
      continue;
    }
    // One character more than a valid line may have: a carriage return, or
    // the proof that the line is too long, which ends the reading there.
    for (; c != EOF && c != '\n' && line_.size() <= longest; c = std::getc(in_)) {
      line_ += static_cast<char>(c);
    }
    if (ReadFailed()) return false;
    const bool cut = c != EOF && c != '\n';
    if (!cut && line_.ends_with('\r')) line_.pop_back();
    if (line_.empty()) continue;

    const std::size_t separator = line_.find(kSeparator);
    keyLength_ = separator == std::string::npos ? 0 : separator;
    return true;
  }
}

std::string_view KatReader::value() const {
  if (keyLength_ == 0) return {};
  return std::string_view(line_).substr(keyLength_ + kSeparator.size());
}

std::size_t KatReader::HexDigitCount() const {
  const std::string_view digits = value();
  return !tooLong() && CountHexDigits(digits) == digits.size() ? digits.size() : npos;
}

bool KatReader::ReadBytes(std::uint8_t* bytes, int n) const {
  if (HexDigitCount() != 2 * static_cast<std::size_t>(std::max(n, 1))) return false;
  if (n == 0) return value() == "00";
  kat::TextInput in(value());
  return kat::ReadHexField(in, bytes, n, "") == 1;
}

bool KatReader::ReadNumber(int& number) const {
  kat::TextInput in(value());
  return !tooLong() && kat::ReadDecimal(in, number) && in.AtEnd();
}

bool KatReader::ReadWord(char* word, int size) const {
  kat::TextInput in(value());
  return !tooLong() && kat::ReadWordOfLength(in, word, size) && in.AtEnd();
}

}  // namespace morv::cli
