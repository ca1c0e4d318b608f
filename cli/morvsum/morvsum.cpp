// morvsum: prints or checks morv checksums, in the manner of the coreutils
// checksum commands (b2sum, sha512sum): the same options, line formats,
// messages and exit codes.
#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "checksum_check.h"
#include "checksum_line.h"
#include "diagnostics.h"
#include "digest_file.h"
#include "digest_queue.h"
#include "morv.h"
#include "standard_output.h"
#include "system.h"

namespace morv::cli {
namespace {

constexpr int kDefaultDigestBits = 512;

enum LongOnly { kTag = 256, kIgnoreMissing, kQuiet, kStatus, kStrict, kThreads, kHelp, kVersion };

constexpr option kLongOptions[] = {
    {"binary", no_argument, nullptr, 'b'},
    {"check", no_argument, nullptr, 'c'},
    {"ignore-missing", no_argument, nullptr, kIgnoreMissing},
    {"length", required_argument, nullptr, 'l'},
    {"quiet", no_argument, nullptr, kQuiet},
    {"status", no_argument, nullptr, kStatus},
    {"text", no_argument, nullptr, 't'},
    {"warn", no_argument, nullptr, 'w'},
    {"strict", no_argument, nullptr, kStrict},
    {"tag", no_argument, nullptr, kTag},
    {"threads", required_argument, nullptr, kThreads},
    {"zero", no_argument, nullptr, 'z'},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

void PrintHelp() {
  std::printf(
      "Usage: %s [OPTION]... [FILE]...\n"
      "Print or check morv checksums (512 bits unless -l says otherwise).\n"
      "\n"
      "With no FILE, or when FILE is -, read standard input.\n"
      "\n"
      "Mandatory arguments to long options are mandatory for short options too.\n"
      "  -b, --binary          read in binary mode\n"
      "  -c, --check           read checksums from the FILEs and check them\n"
      "  -l, --length=BITS     digest length in bits; a multiple of 8, at most %d\n"
      "                          (0 means the default, %d)\n"
      "      --tag             create a BSD-style checksum: %.*s-BITS (FILE) = HEX\n"
      "      --threads=N       hash with N workers (1 to %d); by default one for\n"
      "                          each CPU this process may use\n"
      "  -t, --text            read in text mode (default)\n"
      "  -z, --zero            end each output line with NUL, not newline,\n"
      "                          and disable file name escaping\n"
      "\n"
      "The following five options are useful only when verifying checksums:\n"
      "      --ignore-missing  don't fail or report status for missing files\n"
      "      --quiet           don't print OK for each successfully verified file\n"
      "      --status          don't output anything, status code shows success\n"
      "      --strict          exit non-zero for improperly formatted checksum lines\n"
      "  -w, --warn            warn about improperly formatted checksum lines\n"
      "\n"
      "      --help        display this help and exit\n"
      "      --version     output version information and exit\n"
      "\n"
      "When checking, the input should be a former output of this program; each\n"
      "line's digest length comes from the line itself, so -l is not needed.\n"
      "The default mode is to print a line with: checksum, a space,\n"
      "a character indicating input mode ('*' for binary, ' ' for text\n"
      "or where binary is insignificant), and name for each FILE.\n"
      "\n"
      "Each worker hashes eight regular files at a time on the vector lanes; the\n"
      "lines still come out in the order of the FILEs (or of the checksum lines).\n"
      "Files that end while an earlier one is still being hashed wait for it, up\n"
      "to %zu a worker; then the workers wait too, so a huge file early in the\n"
      "list keeps one lane busy and the rest idle until it ends. On a spinning\n"
      "disk, where reading several files at once makes the head seek between\n"
      "them, use --threads=1 (eight files at a time).\n"
      "\n"
      "Exit status is 0 on success and 1 on any failure.\n",
      programName, kMaxDigestBits, kDefaultDigestBits, static_cast<int>(kTagName.size()),
      kTagName.data(), DigestQueue::kMaxWorkers, DigestQueue::kWindowPerWorker);
}

[[noreturn]] void UsageError(const char* message) {
  if (message != nullptr) Error(0, "%s", message);
  std::fprintf(stderr, "Try '%s --help' for more information.\n", programName);
  std::exit(EXIT_FAILURE);
}

// -l BITS: a decimal multiple of 8 up to kMaxDigestBits; 0 picks the default.
int ParseLength(const char* text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 10);
  const bool wellFormed = end != text && *end == '\0' && std::strchr(text, '-') == nullptr;
  if (!wellFormed || errno == ERANGE) {
    Error(wellFormed ? EOVERFLOW : 0, "invalid length: '%s'", text);
    std::exit(EXIT_FAILURE);
  }
  if (value > kMaxDigestBits) {
    Error(0, "invalid length: '%s'", text);
    Error(0, "maximum digest length for '%.*s' is %d bits", static_cast<int>(kTagName.size()),
          kTagName.data(), kMaxDigestBits);
    std::exit(EXIT_FAILURE);
  }
  if (value % 8 != 0) {
    Error(0, "invalid length: '%s'", text);
    Error(0, "length is not a multiple of 8");
    std::exit(EXIT_FAILURE);
  }
  return value == 0 ? kDefaultDigestBits : static_cast<int>(value);
}

// --threads=N: a decimal number of workers from 1 to DigestQueue::kMaxWorkers.
int ParseThreads(const char* text) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno == ERANGE || value < 1 ||
      value > DigestQueue::kMaxWorkers) {
    Error(0, "invalid number of threads: '%s' (from 1 to %d)", text, DigestQueue::kMaxWorkers);
    std::exit(EXIT_FAILURE);
  }
  return static_cast<int>(value);
}

bool PrintResult(const char* name, int err, const std::uint8_t* digest, int digestBits,
                 const LineFormat& format) {
  if (err != 0) {
    Error(err, "%s", QuoteName(name).c_str());
    return false;
  }
  PrintChecksumLine(stdout, digest, digestBits, name, format);
  return true;
}

}  // namespace
}  // namespace morv::cli

int main(int argc, char** argv) {
  using namespace morv::cli;
  StartProgram(argc, argv);
  UseCheckedStdout(EXIT_FAILURE);

  int digestBits = kDefaultDigestBits;
  int threads = 0;  // 0: one per usable CPU
  int binary = -1;  // -1 unless -b (1) or -t (0) was given
  bool check = false;
  bool tag = false;
  bool zero = false;
  CheckOptions checkOptions{};
  for (int c; (c = getopt_long(argc, argv, "bcl:twz", kLongOptions, nullptr)) != -1;) {
    switch (c) {
      case 'b': binary = 1; break;
      case 't': binary = 0; break;
      case 'c': check = true; break;
      case 'l': digestBits = ParseLength(optarg); break;
      case 'w': checkOptions.verbosity = Verbosity::Warn; break;
      case 'z': zero = true; break;
      case kTag: tag = true; break;
      case kIgnoreMissing: checkOptions.ignoreMissing = true; break;
      case kQuiet: checkOptions.verbosity = Verbosity::Quiet; break;
      case kStatus: checkOptions.verbosity = Verbosity::Status; break;
      case kStrict: checkOptions.strict = true; break;
      case kThreads: threads = ParseThreads(optarg); break;
      case kHelp: PrintHelp(); return EXIT_SUCCESS;
      case kVersion:
        std::printf("morvsum (morv) %s\nkernels: %s (512-bit state), %s (1024-bit state), %s (lanes)\n",
                    MORV_VERSION, morv::KernelName(512), morv::KernelName(1024), morv::BatchKernelName());
        return EXIT_SUCCESS;
      default: UsageError(nullptr);
    }
  }

  // The option conflicts, in the order that coreutils reports them.
  if (zero && check) UsageError("the --zero option is not supported when verifying checksums");
  if (tag && binary == 0) UsageError("--tag does not support --text mode");
  if (tag && check) UsageError("the --tag option is meaningless when verifying checksums");
  if (binary >= 0 && check) {
    UsageError("the --binary and --text options are meaningless when verifying checksums");
  }
  const Verbosity verbosity = checkOptions.verbosity;
  const std::pair<bool, std::string> checkOnly[] = {
      {checkOptions.ignoreMissing, "ignore-missing"},
      {verbosity == Verbosity::Quiet, "quiet"},
      {verbosity == Verbosity::Status, "status"},
      {verbosity == Verbosity::Warn, "warn"},
      {checkOptions.strict, "strict"}};
  for (const auto& [given, name] : checkOnly) {
    if (given && !check) {
      UsageError(("the --" + name + " option is meaningful only when verifying checksums").c_str());
    }
  }

  static const char* const kStdinOnly[] = {"-"};
  const char* const* files = optind < argc ? argv + optind : kStdinOnly;
  const int fileCount = optind < argc ? argc - optind : 1;

  bool ok = true;
  UntaggedForm form = UntaggedForm::Unknown;
  const LineFormat format{tag, binary == 1, zero};
  try {
    DigestQueue queue(threads != 0 ? threads : std::min(UsableCpuCount(), DigestQueue::kMaxWorkers));
    for (int i = 0; i < fileCount; ++i) {
      if (check) {
        ok &= CheckChecksumFile(files[i], checkOptions, form, queue);
      } else {
        queue.Hash(files[i], digestBits, [&, name = files[i]](int err, const std::uint8_t* digest) {
          ok &= PrintResult(name, err, digest, digestBits, format);
        });
      }
    }
    queue.ReportAllQueued();
  } catch (const std::bad_alloc&) {
    // As coreutils: the lines printed so far stand, whole; nothing more is.
    Error(0, "memory exhausted");
    return EXIT_FAILURE;
  }
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
