#include "diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "system.h"

namespace morv::cli {

const char* programName = "";

void Error(int errnum, const char* format, ...) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s: ", programName);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  if (errnum != 0) std::fprintf(stderr, ": %s", ErrorText(errnum));
  std::fputc('\n', stderr);
}

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Characters that never need quoting; '#' and '~' only matter at the start and
// a brace only when it stands alone.
bool IsPlain(std::string_view name, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(name[i]);
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  if (c >= 0x80) return true;  // part of a multibyte character; checked separately
  if (c == '#' || c == '~') return i != 0;
  if (c == '{' || c == '}') return name.size() != 1;
  return std::string_view("%+,-./@]_").find(static_cast<char>(c)) != std::string_view::npos;
}

// The length of the well-formed UTF-8 sequence at name[i], or 0.
std::size_t Utf8Length(std::string_view name, std::size_t i) {
  const unsigned char lead = static_cast<unsigned char>(name[i]);
  const std::size_t length = lead >= 0xF0 && lead < 0xF5   ? 4
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                                                           : 0;
  if (length == 0 || i + length > name.size()) return 0;
  // The second byte's range is narrower after the leads that could otherwise
  // spell an overlong form, a surrogate or a code point past U+10FFFF.
  const unsigned char second = static_cast<unsigned char>(name[i + 1]);
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (second < low || second > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

void AppendEscape(std::string& out, unsigned char c) {
  static constexpr char kLetters[] = "abtnvfr";  // \a (7) to \r (13)
  out += '\\';
  if (c >= 7 && c <= 13) {
    out += kLetters[c - 7];
  } else {
    out += static_cast<char>('0' + (c >> 6));
    out += static_cast<char>('0' + ((c >> 3) & 7));
    out += static_cast<char>('0' + (c & 7));
  }
}

}  // namespace

std::string QuoteName(std::string_view name) {
  // Which bytes must be written as $'\ooo' escapes: controls and bytes that are
  // not part of a well-formed multibyte character.
  std::vector<bool> needsEscape(name.size());
  bool plain = !name.empty();
  bool hasSingleQuote = false;
  bool doubleQuotable = true;  // only plain characters, blanks and single quotes
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80) {
      if (const std::size_t n = Utf8Length(name, i)) {
        i += n;
        continue;
      }
    }
    if (IsControl(c) || c >= 0x80) {
      needsEscape[i] = true;
      doubleQuotable = false;
      plain = false;
    } else if (c == '\'') {
      hasSingleQuote = true;
    } else if (!IsPlain(name, i) && c != ' ' && c != '#' && c != '~' && c != '{' && c != '}') {
      doubleQuotable = false;
    }
    if (!IsPlain(name, i)) plain = false;
    ++i;
  }
  if (plain) return std::string(name);
  if (hasSingleQuote && doubleQuotable) return '"' + std::string(name) + '"';

  // Single quotes, with '\'' for a quote and '$'\n'' for escaped bytes.
  std::string out = "'";
  bool inEscapes = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (needsEscape[i]) {
      if (!inEscapes) out += "'$'";
      inEscapes = true;
      AppendEscape(out, c);
      continue;
    }
    if (inEscapes) out += "''";
    inEscapes = false;
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '\'';
  return out;
}

}  // namespace morv::cli
