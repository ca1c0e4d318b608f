// The text helpers: marker search, hexadecimal and decimal fields, words, the
// header copy, and the opening and closing steps that every generator shares.
//
// Every input byte is a character (NUL and 0xFF included); only getc's EOF
// ends the input, a read error included. White space is what C's isspace calls
// white space. The readers are templates over their source, a stream or a TextInput, so that
// both read one grammar and genkat's streams pay no indirection.
#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "kat.h"

namespace morv::kat {
namespace {

constexpr std::size_t kMaxMarker = 49;

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int Get(std::FILE* in) { return std::getc(in); }
void Unget(int c, std::FILE* in) { std::ungetc(c, in); }
int Get(TextInput* in) { return in->Get(); }
void Unget(int /*c*/, TextInput* in) { in->Unget(); }

template <class In>
void SkipSpace(In in) {
  int c;
  do c = Get(in);
  while (c != EOF && IsSpace(c));
  if (c != EOF) Unget(c, in);
}

// Nibble i of a byte array: the high half of byte i / 2 when i is even.
void PutNibble(std::uint8_t* bytes, std::size_t i, int value) {
  std::uint8_t& b = bytes[i / 2];
  b = (i % 2 == 0) ? static_cast<std::uint8_t>((b & 0x0F) | value << 4)
                   : static_cast<std::uint8_t>((b & 0xF0) | value);
}

// Rotates the 2n nibbles of bytes left by r nibbles.
void RotateNibblesLeft(std::uint8_t* bytes, std::size_t n, std::size_t r) {
  std::rotate(bytes, bytes + r / 2, bytes + n);
  if (r % 2 == 0) return;
  const auto first = static_cast<std::uint8_t>(bytes[0] >> 4);
  for (std::size_t j = 0; j + 1 < n; ++j) {
    bytes[j] = static_cast<std::uint8_t>(bytes[j] << 4 | bytes[j + 1] >> 4);
  }
  bytes[n - 1] = static_cast<std::uint8_t>(bytes[n - 1] << 4 | first);
}

// Copies the rest of the line, whatever its length, then consumes the line end
// and the white space after it. One carriage return at the end of the value is
// dropped, also where the input ends without a line end, so that input with
// CRLF line ends gives clean output.
void CopyHeaderValue(std::FILE* in, std::FILE* out) {
  bool heldReturn = false;
  int c;
  while ((c = std::getc(in)) != EOF && c != '\n') {
    if (heldReturn) std::putc('\r', out);
    heldReturn = c == '\r';
    if (!heldReturn) std::putc(c, out);
  }
  if (c == '\n') SkipSpace(in);
}

template <class In>
int SeekMarkerIn(In in, const char* marker) {
  const std::size_t k = std::min(std::strlen(marker), kMaxMarker);
  if (k == 0) return 1;
  // The last k characters read, as a ring; compared only when the newest one
  // could end a match.
  char window[kMaxMarker];
  std::size_t seen = 0;
  for (int c; (c = Get(in)) != EOF;) {
    window[seen % k] = static_cast<char>(c);
    ++seen;
    if (seen < k || window[(seen - 1) % k] != marker[k - 1]) continue;
    bool match = true;
    for (std::size_t i = 0; i < k && match; ++i) match = window[(seen + i) % k] == marker[i];
    if (match) return 1;
  }
  return 0;
}

// Digits go into the byte array as a ring of 2n nibbles, so that a field of any
// length costs one pass; a final rotation leaves the last 2n digits right-aligned.
template <class In>
int ReadHexFieldIn(In in, std::uint8_t* bytes, int n, const char* marker) {
  if (n <= 0) {
    bytes[0] = 0;
    return 1;
  }
  const auto size = static_cast<std::size_t>(n);
  std::memset(bytes, 0, size);
  if (!SeekMarkerIn(in, marker)) return 0;

  std::size_t next = 0;
  bool started = false;
  for (int c; (c = Get(in)) != EOF;) {
    const int value = HexValue(c);
    if (value >= 0) {
      started = true;
      PutNibble(bytes, next, value);
      if (++next == 2 * size) next = 0;
    } else if (started || c == '\n') {
      break;
    }
  }
  RotateNibblesLeft(bytes, size, next);
  return 1;
}

template <class In>
bool ReadDecimalIn(In in, int& value) {
  int c;
  do c = Get(in);
  while (c != EOF && IsSpace(c));
  const bool negative = c == '-';
  if (c == '-' || c == '+') c = Get(in);
  if (!IsDigit(c)) {
    if (c != EOF) Unget(c, in);
    return false;
  }
  constexpr long long kLimit = 2147483648LL;  // one past INT32_MAX: INT32_MIN's magnitude
  long long magnitude = 0;
  for (; IsDigit(c); c = Get(in)) {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (c - '0');
  }
  if (c != EOF) Unget(c, in);
  if (magnitude > (negative ? kLimit : kLimit - 1)) return false;
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return true;
}

template <class In>
bool ReadWordOfLengthIn(In in, char* word, int size) {
  SkipSpace(in);
  int length = 0;
  int c;
  while ((c = Get(in)) != EOF && !IsSpace(c)) {
    if (length < size) word[length] = static_cast<char>(c);
    if (length <= size) ++length;
  }
  if (c != EOF) Unget(c, in);
  return length == size;
}

}  // namespace

int SeekMarker(std::FILE* in, const char* marker) { return SeekMarkerIn(in, marker); }

int ReadHexField(std::FILE* in, std::uint8_t* bytes, int n, const char* marker) {
  return ReadHexFieldIn(in, bytes, n, marker);
}
int ReadHexField(TextInput& in, std::uint8_t* bytes, int n, const char* marker) {
  return ReadHexFieldIn(&in, bytes, n, marker);
}

bool ReadDecimal(std::FILE* in, int& value) { return ReadDecimalIn(in, value); }
bool ReadDecimal(TextInput& in, int& value) { return ReadDecimalIn(&in, value); }

bool ReadWordOfLength(std::FILE* in, char* word, int size) {
  return ReadWordOfLengthIn(in, word, size);
}
bool ReadWordOfLength(TextInput& in, char* word, int size) {
  return ReadWordOfLengthIn(&in, word, size);
}

void WriteHexField(std::FILE* out, const char* label, const std::uint8_t* bytes, int n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::fputs(label, out);
  if (n <= 0) std::fputs("00", out);
  char text[128];
  for (int done = 0; done < n;) {
    const int chunk = std::min(n - done, static_cast<int>(sizeof text / 2));
    for (int i = 0; i < chunk; ++i) {
      text[2 * i] = kDigits[bytes[done + i] >> 4];
      text[2 * i + 1] = kDigits[bytes[done + i] & 0x0F];
    }
    std::fwrite(text, 1, 2 * static_cast<std::size_t>(chunk), out);
    done += chunk;
  }
  std::putc('\n', out);
}

KatStatus OpenFiles(const KatKind& kind, int digestBits, KatFiles& files) {
  files.inName = kind.inName;
  files.in.reset(std::fopen(kind.inName, "r"));
  if (!files.in) {
    std::printf("Couldn't open <%s> for read\n", kind.inName);
    return FileOpenFailed;
  }
  std::snprintf(files.outName, sizeof files.outName, kind.outPattern, digestBits);
  files.out.reset(std::fopen(files.outName, "w"));
  if (!files.out) {
    std::printf("Couldn't open <%s> for write\n", files.outName);
    return FileOpenFailed;
  }
  return Ok;
}

KatStatus ReadStatus(const KatFiles& files) {
  if (std::ferror(files.in.get()) == 0) return Ok;
  std::printf("Couldn't read <%s>\n", files.inName);
  return FileReadFailed;
}

KatStatus Fail(const KatFiles& files, KatStatus status, const char* format, ...) {
  if (const KatStatus s = ReadStatus(files); s != Ok) return s;
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  return status;
}

namespace {

// "# <field>:" and the rest of its line. The line end is written only once the
// value has been read whole, so that a read error leaves no line that looks
// complete.
KatStatus CopyHeaderLine(const KatKind& kind, KatFiles& files, const char* field) {
  char marker[32];
  std::snprintf(marker, sizeof marker, "# %s:", field);
  if (!SeekMarker(files.in.get(), marker)) {
    return Fail(files, HeaderMissing, "%s: Couldn't read %s\n", kind.generator, field);
  }
  std::fputs(marker, files.out.get());
  CopyHeaderValue(files.in.get(), files.out.get());
  if (const KatStatus s = ReadStatus(files); s != Ok) return s;
  std::fputs("\n", files.out.get());
  return Ok;
}

}  // namespace

KatStatus CopyHeader(const KatKind& kind, KatFiles& files) {
  std::fprintf(files.out.get(), "# %s\n", files.outName);
  for (const char* field : {"Algorithm Name", "Principal Submitter"}) {
    if (const KatStatus s = CopyHeaderLine(kind, files, field); s != Ok) return s;
  }
  if (kind.blankAfterHeader) std::fputs("\n", files.out.get());
  return Ok;
}

bool CloseOutput(std::FILE* out) {
  const bool written = std::ferror(out) == 0;
  return std::fclose(out) == 0 && written;
}

KatStatus Finish(const KatKind& kind, int digestBits, KatFiles& files) {
  const bool written = CloseOutput(files.out.release());
  files.in.reset();
  if (!written) {
    std::printf("Couldn't write <%s>\n", files.outName);
    return FileWriteFailed;
  }
  std::printf("finished %s for <%d>\n", kind.finishedName, digestBits);
  return Ok;
}

}  // namespace morv::kat
