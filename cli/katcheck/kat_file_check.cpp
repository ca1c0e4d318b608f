#include "kat_file_check.h"

#include <cstdarg>
#include <cstdio>

#include "diagnostics.h"
#include "kat.h"

namespace morv::cli {
namespace {

// The start of the current line, for a message: as much as tells what it is.
std::string Excerpt(const KatReader& reader) {
  return QuoteName(std::string_view(reader.line()).substr(0, 40));
}

}  // namespace

bool Malformed(const KatFileCheck& check, const char* format, ...) {
  // What looks like a break in the layout after a read error is the read
  // error, which the caller reports.
  if (check.reader.readErrno() != 0) return false;
  std::fflush(stdout);
  std::fprintf(stderr, "%s: %s:", programName, check.name);
  if (check.reader.lineNumber() > 0) std::fprintf(stderr, "%lld:", check.reader.lineNumber());
  std::fputc(' ', stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  return false;
}

bool CheckRecords(KatFileCheck& check) {
  if (!check.reader.Next()) return Malformed(check, "no KAT records in the file");
  const std::string_view first = check.reader.key();
  if (first == "Len") return CheckMessageKat(check);
  if (first == "Repeat") return CheckExtremelyLongKat(check);
  if (first == "Seed") return CheckMonteCarloKat(check);
  return Malformed(check, "\"Len = \", \"Repeat = \" or \"Seed = \" expected, found %s",
                   Excerpt(check.reader).c_str());
}

bool Require(const KatFileCheck& check, const char* key) {
  if (check.reader.key() == key) return true;
  return Malformed(check, "\"%s = \" expected, found %s", key, Excerpt(check.reader).c_str());
}

bool Expect(KatFileCheck& check, const char* key, std::size_t longest) {
  if (!check.reader.Next(longest)) {
    return Malformed(check, "the file ends inside a record: \"%s = \" is missing", key);
  }
  return Require(check, key);
}

bool ReadExpectedDigest(KatFileCheck& check, Bytes& expected) {
  // The line was read with room for the longest digest and no more.
  if (check.reader.tooLong()) {
    return Malformed(check, "an \"MD = \" field has at most %d hexadecimal digits (%d bits)",
                     kMaxDigestBits / 4, kMaxDigestBits);
  }
  const std::size_t digits = check.reader.HexDigitCount();
  if (digits == KatReader::npos || digits == 0 || digits % 2 != 0) {
    return Malformed(check, "an \"MD = \" field must be an even number of hexadecimal digits");
  }
  const int count = static_cast<int>(digits);  // at most kMaxDigestBits / 4: the line is no longer
  if (check.digestBits == 0) check.digestBits = 4 * count;
  if (4 * count != check.digestBits) {
    return Malformed(check, "%d digits, where the file's first \"MD = \" has %d", count,
                     check.digestBits / 4);
  }
  expected.resize(digits / 2);
  return check.reader.ReadBytes(expected.data(), count / 2);
}

void CompareDigest(KatFileCheck& check, const std::string& label, const Bytes& expected,
                   const Bytes& computed) {
  ++check.records;
  if (expected == computed) return;
  ++check.mismatches;
  const int n = static_cast<int>(expected.size());
  std::printf("%s:%lld: mismatch in record %s\n", check.name, check.reader.lineNumber(),
              label.c_str());
  kat::WriteHexField(stdout, "  file     MD = ", expected.data(), n);
  kat::WriteHexField(stdout, "  computed MD = ", computed.data(), n);
}

}  // namespace morv::cli
