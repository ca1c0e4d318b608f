#include "kat_reader.h"

#include <algorithm>
#include <cerrno>

#include "kat.h"

namespace morv::cli {
namespace {

constexpr std::string_view kSeparator = " = ";

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The current line as a stream, so that the generator's helpers read it just
// as they read a whole input file.
kat::File OpenLine(const std::string& line) {
  return kat::File(fmemopen(const_cast<char*>(line.data()), line.size(), "r"));
}

// The marker that a field's value follows: "Len = " for the key "Len".
std::string Marker(std::string_view key) { return std::string(key) + std::string(kSeparator); }

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
    for (std::size_t i = 0; i < keyLength_; ++i) {
      const char k = line_[i];
      if (!((k >= 'a' && k <= 'z') || (k >= 'A' && k <= 'Z'))) keyLength_ = 0;
    }
    return true;
  }
}

int KatReader::HexDigitCount() const {
  if (keyLength_ == 0) return -1;
  const std::string_view value = std::string_view(line_).substr(keyLength_ + kSeparator.size());
  for (const char c : value) {
    if (!IsHexDigit(c)) return -1;
  }
  return static_cast<int>(value.size());
}

bool KatReader::ReadBytes(std::uint8_t* bytes, int n) const {
  if (HexDigitCount() != 2 * std::max(n, 1)) return false;
  if (n == 0) return line_.ends_with("00");
  const kat::File in = OpenLine(line_);
  return in && kat::ReadHexField(in.get(), bytes, n, Marker(key()).c_str()) == 1;
}

bool KatReader::ReadNumber(int& value) const {
  if (keyLength_ == 0) return false;
  const kat::File in = OpenLine(line_);
  return in && kat::SeekMarker(in.get(), Marker(key()).c_str()) &&
         kat::ReadDecimal(in.get(), value) && std::getc(in.get()) == EOF;
}

bool KatReader::ReadWord(char* word, int size) const {
  if (keyLength_ == 0) return false;
  const kat::File in = OpenLine(line_);
  return in && kat::SeekMarker(in.get(), Marker(key()).c_str()) &&
         kat::ReadWordOfLength(in.get(), word, size) && std::getc(in.get()) == EOF;
}

}  // namespace morv::cli
