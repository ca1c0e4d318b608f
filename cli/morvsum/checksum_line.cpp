#include "checksum_line.h"

#include <cstring>

#include "digest_file.h"
#include "hex.h"

namespace morv::cli {
namespace {

bool IsWhite(char c) { return c == ' ' || c == '\t'; }

// Undoes PrintName's escapes. False for any other escape, a trailing
// backslash or a NUL.
bool Unescape(std::string_view escaped, std::string& name) {
  name.clear();
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    char c = escaped[i];
    if (c == '\0') return false;
    if (c == '\\') {
      if (++i == escaped.size()) return false;
      switch (escaped[i]) {
        case 'n': c = '\n'; break;
        case 'r': c = '\r'; break;
        case '\\': c = '\\'; break;
        default: return false;
      }
    }
    name += c;
  }
  return true;
}

// The name as the line gives it: unescaped, or, when it has no escapes, up to a
// NUL, where the name of the file that is opened ends too.
bool TakeName(std::string_view name, bool escaped, std::string& taken) {
  if (escaped) return Unescape(name, taken);
  taken.assign(name.substr(0, name.find('\0')));
  return true;
}

// "NAME) = HEX", after "MORV-BITS (". The name ends at the last ')'.
bool ParseTagged(std::string_view s, bool escaped, ChecksumLine& parsed) {
  const std::size_t close = s.rfind(')');
  if (close == std::string_view::npos) return false;
  if (!TakeName(s.substr(0, close), escaped, parsed.name)) return false;
  std::size_t i = close + 1;
  while (i < s.size() && IsWhite(s[i])) ++i;
  if (i == s.size() || s[i] != '=') return false;
  ++i;
  while (i < s.size() && IsWhite(s[i])) ++i;
  parsed.hex = s.substr(i);
  return parsed.hex.size() == static_cast<std::size_t>(parsed.digestBits / 4) &&
         CountHexDigits(parsed.hex) == parsed.hex.size();
}

// The decimal after "MORV-": a multiple of 8 from 8 to kMaxDigestBits.
bool ParseTagBits(std::string_view s, std::size_t& i, int& bits) {
  const std::size_t start = i;
  long long value = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && value <= kMaxDigestBits) {
    value = value * 10 + (s[i++] - '0');
  }
  if (i == start || value == 0 || value > kMaxDigestBits || value % 8 != 0) return false;
  bits = static_cast<int>(value);
  return true;
}

}  // namespace

void PrintName(std::FILE* out, std::string_view name, bool escape) {
  if (!escape) {
    std::fwrite(name.data(), 1, name.size(), out);
    return;
  }
  for (const char c : name) {
    if (c == '\\') {
      std::fputs("\\\\", out);
    } else if (c == '\n') {
      std::fputs("\\n", out);
    } else if (c == '\r') {
      std::fputs("\\r", out);
    } else {
      std::putc(c, out);
    }
  }
}

void PrintChecksumLine(std::FILE* out, const std::uint8_t* digest, int digestBits, const char* name,
                       const LineFormat& format) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const bool escape = !format.zero && std::strpbrk(name, "\\\n\r") != nullptr;
  if (escape) std::putc('\\', out);
  if (format.tagged) {
    std::fprintf(out, "%.*s-%d (", static_cast<int>(kTagName.size()), kTagName.data(), digestBits);
    PrintName(out, name, escape);
    std::fputs(") = ", out);
  }
  for (int i = 0; i < digestBits / 8; ++i) {
    std::putc(kDigits[digest[i] >> 4], out);
    std::putc(kDigits[digest[i] & 0x0F], out);
  }
  if (!format.tagged) {
    std::putc(' ', out);
    std::putc(format.binary ? '*' : ' ', out);
    PrintName(out, name, escape);
  }
  std::putc(format.zero ? '\0' : '\n', out);
}

bool ParseChecksumLine(std::string_view s, UntaggedForm& form, ChecksumLine& parsed) {
  std::size_t i = 0;
  while (i < s.size() && IsWhite(s[i])) ++i;
  const bool escaped = i < s.size() && s[i] == '\\';
  if (escaped) ++i;

  if (s.substr(i).starts_with(kTagName)) {
    i += kTagName.size();
    if (i == s.size() || s[i] != '-') return false;
    ++i;
    if (!ParseTagBits(s, i, parsed.digestBits)) return false;
    if (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size() || s[i] != '(') return false;
    return ParseTagged(s.substr(i + 1), escaped, parsed);
  }

  // Untagged: the digest, one blank, then ' ' or '*' and the name; or, in the
  // reversed form, the name right after the blank.
  if (s.size() - i < 3) return false;
  const std::size_t digits = CountHexDigits(s.substr(i));
  if (digits < 2 || digits % 2 != 0 || digits > kMaxDigestBits / 4) return false;
  parsed.hex = s.substr(i, digits);
  parsed.digestBits = static_cast<int>(4 * digits);
  i += digits;
  if (i == s.size() || !IsWhite(s[i])) return false;
  ++i;
  if (s.size() - i == 1 || i == s.size() || (s[i] != ' ' && s[i] != '*')) {
    if (form == UntaggedForm::TwoColumns) return false;
    form = UntaggedForm::Reversed;
  } else if (form != UntaggedForm::Reversed) {
    form = UntaggedForm::TwoColumns;
    ++i;  // the mode character
  }
  return TakeName(s.substr(i), escaped, parsed.name);
}

}  // namespace morv::cli
