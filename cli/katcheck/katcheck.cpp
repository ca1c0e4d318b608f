// katcheck: recomputes every record of KAT output files (the short, long,
// extremely long and Monte Carlo layouts that genkat writes) with our hash and
// reports each record whose digest differs.
//
// Exit status: 0 when every record of every file matched, 1 when a record did
// not match, 2 when a file could not be read or is not a well-formed KAT file,
// when standard output could not be written, or on a usage error. The highest applies.
#include <getopt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "diagnostics.h"
#include "input_file.h"
#include "kat_file_check.h"
#include "system.h"
#include "standard_output.h"

namespace morv::cli {
namespace {

enum ExitStatus { kAllMatched = 0, kMismatch = 1, kTrouble = 2 };

enum LongOnly { kHelp = 256, kVersion };

constexpr option kLongOptions[] = {
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

void PrintHelp() {
  std::printf(
      "Usage: %s [OPTION]... FILE...\n"
      "Check KAT files against the morv hash: recompute every record and report\n"
      "each one whose digest differs, with its line number and both digests.\n"
      "\n"
      "A file is recognised by its records: \"Len = \", \"Msg = \", \"MD = \" (short and\n"
      "long messages), \"Repeat = \", \"Text = \", \"MD = \" (extremely long message), or\n"
      "\"Seed = \" then \"j = \", \"MD = \" for j = 0 to 99 (Monte Carlo). The digest\n"
      "length is that of the \"MD = \" fields. When FILE is -, read standard input.\n"
      "\n"
      "  -q, --quiet   don't print OK for each file whose records all match\n"
      "      --help     display this help and exit\n"
      "      --version  output version information and exit\n"
      "\n"
      "Exit status: 0 if every record matched, 1 if a record did not match,\n"
      "2 if a file could not be read or is not a well-formed KAT file, or if\n"
      "standard output could not be written.\n",
      programName);
}

[[noreturn]] void UsageError(const char* message) {
  if (message != nullptr) Error(0, "%s", message);
  std::fprintf(stderr, "Try '%s --help' for more information.\n", programName);
  std::exit(kTrouble);
}

ExitStatus CheckFile(const char* name, bool quiet) {
  const InputFile in(name);
  if (in.get() == nullptr) {
    Error(in.openError(), "%s", QuoteName(name).c_str());
    return kTrouble;
  }
  // Quoted once: names are printed for the user's terminal, never raw.
  const std::string shownName = QuoteName(name);
  KatReader reader(in.get());
  KatFileCheck check{shownName.c_str(), reader};
  const bool wellFormed = CheckRecords(check);
  // After the records checked before it, the read error is all there is to say.
  if (reader.readErrno() != 0) {
    Error(reader.readErrno(), "%s", shownName.c_str());
    return kTrouble;
  }

  if (check.mismatches != 0) {
    std::printf("%s: FAILED, %lld of %lld records did not match\n", shownName.c_str(),
                check.mismatches, check.records);
    return wellFormed ? kMismatch : kTrouble;
  }
  if (!wellFormed) return kTrouble;
  if (!quiet) {
    std::printf("%s: OK, %lld %s\n", shownName.c_str(), check.records,
                check.records == 1 ? "record" : "records");
  }
  return kAllMatched;
}

}  // namespace
}  // namespace morv::cli

int main(int argc, char** argv) {
  using namespace morv::cli;
  StartProgram(argc, argv);
  UseCheckedStdout(kTrouble);
  bool quiet = false;
  for (int c; (c = getopt_long(argc, argv, "q", kLongOptions, nullptr)) != -1;) {
    switch (c) {
      case 'q': quiet = true; break;
      case kHelp: PrintHelp(); return kAllMatched;
      case kVersion: std::printf("katcheck (morv) %s\n", MORV_VERSION); return kAllMatched;
      default: UsageError(nullptr);
    }
  }
  if (optind == argc) UsageError("missing file operand");

  ExitStatus status = kAllMatched;
  for (int i = optind; i < argc; ++i) status = std::max(status, CheckFile(argv[i], quiet));
  return status;
}
