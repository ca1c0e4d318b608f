#include "checksum_check.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "diagnostics.h"
#include "digest_queue.h"
#include "hex.h"
#include "input_file.h"

namespace morv::cli {
namespace {

// The hex of a parsed line holds only hexadecimal digits.
bool DigestMatches(const std::uint8_t* digest, std::string_view hex) {
  for (std::size_t i = 0; i < hex.size() / 2; ++i) {
    if (digest[i] != (HexDigitValue(hex[2 * i]) << 4 | HexDigitValue(hex[2 * i + 1]))) return false;
  }
  return true;
}

const char* Plural(unsigned long long n, const char* one, const char* many) {
  return n == 1 ? one : many;
}

// Counts and outcome of one check file.
struct Tally {
  unsigned long long misformatted = 0;
  unsigned long long unreadable = 0;
  unsigned long long mismatched = 0;
  bool properlyFormatted = false;
  bool matched = false;
};

// Prints "NAME: RESULT"; a name with a line end is escaped so that the result
// stays on one line.
void PrintResult(const std::string& name, const char* result) {
  const bool escape = name.find('\n') != std::string::npos;
  if (escape) std::putc('\\', stdout);
  PrintName(stdout, name, escape);
  std::printf(": %s\n", result);
}

// The result of a listed file: err, or its digest against the line's hex.
void ReportListedFile(const std::string& name, std::string_view hex, int err,
                      const std::uint8_t* digest, const CheckOptions& options, Tally& tally) {
  if (err != 0) {
    if (options.ignoreMissing && err == ENOENT) return;
    Error(err, "%s", QuoteName(name).c_str());
    ++tally.unreadable;
    if (options.verbosity != Verbosity::Status) PrintResult(name, "FAILED open or read");
    return;
  }
  const bool ok = DigestMatches(digest, hex);
  if (ok) {
    tally.matched = true;
  } else {
    ++tally.mismatched;
  }
  if (options.verbosity == Verbosity::Status || (ok && options.verbosity == Verbosity::Quiet)) return;
  PrintResult(name, ok ? "OK" : "FAILED");
}

// Queues the listed file; its result is reported in the place of its line.
void CheckListedFile(const ChecksumLine& line, const CheckOptions& options, Tally& tally,
                     DigestQueue& queue) {
  tally.properlyFormatted = true;
  queue.Hash(line.name.c_str(), line.digestBits,
             [&options, &tally, name = line.name, hex = std::string(line.hex)](
                 int err, const std::uint8_t* digest) {
               ReportListedFile(name, hex, err, digest, options, tally);
             });
}

void PrintSummary(const char* shownName, const CheckOptions& options, const Tally& tally) {
  if (!tally.properlyFormatted) {
    Error(0, "%s: no properly formatted checksum lines found", shownName);
    return;
  }
  if (options.verbosity == Verbosity::Status) return;
  if (tally.misformatted != 0) {
    Error(0, "WARNING: %llu %s improperly formatted", tally.misformatted,
          Plural(tally.misformatted, "line is", "lines are"));
  }
  if (tally.unreadable != 0) {
    Error(0, "WARNING: %llu listed %s could not be read", tally.unreadable,
          Plural(tally.unreadable, "file", "files"));
  }
  if (tally.mismatched != 0) {
    Error(0, "WARNING: %llu computed %s did NOT match", tally.mismatched,
          Plural(tally.mismatched, "checksum", "checksums"));
  }
  if (options.ignoreMissing && !tally.matched) Error(0, "%s: no file was verified", shownName);
}

}  // namespace

bool CheckChecksumFile(const char* checkName, const CheckOptions& options, UntaggedForm& form,
                       DigestQueue& queue) {
  const InputFile input(checkName);
  const bool isStdin = input.isStdin();
  const std::string shownName = QuoteName(isStdin ? "standard input" : checkName);
  std::FILE* in = input.get();
  if (in == nullptr) {
    Error(input.openError(), "%s", shownName.c_str());
    return false;
  }

  Tally tally;
  std::string buffer;
  unsigned long long lineNumber = 0;
  while (ReadLine(in, buffer)) {
    ++lineNumber;
    std::string_view line(buffer);
    if (line.starts_with('#')) continue;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) continue;

    ChecksumLine parsed;
    if (!ParseChecksumLine(line, form, parsed) || (isStdin && parsed.name == "-")) {
      ++tally.misformatted;
      if (options.verbosity == Verbosity::Warn) {
        queue.Then([&shownName, lineNumber] {
          Error(0, "%s: %llu: improperly formatted %.*s checksum line", shownName.c_str(), lineNumber,
                static_cast<int>(kTagName.size()), kTagName.data());
        });
      }
      continue;
    }
    CheckListedFile(parsed, options, tally, queue);
  }
  queue.ReportAllQueued();

  if (std::ferror(in)) {
    Error(0, "%s: read error", shownName.c_str());
    return false;
  }
  PrintSummary(shownName.c_str(), options, tally);
  return tally.properlyFormatted && tally.matched && tally.mismatched == 0 &&
         tally.unreadable == 0 && (!options.strict || tally.misformatted == 0);
}

}  // namespace morv::cli
