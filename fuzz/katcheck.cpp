// katcheck's check of one KAT file in memory, whatever its bytes: no crash and
// no sanitizer report; a malformed file gets exactly one message on standard
// error and a well-formed one none; each mismatch is three lines on standard
// output. Then the same file once more with the read of one chosen byte
// failing: if the reader needed that byte, it keeps the error, nothing is said
// about the layout (katcheck reports the error alone), and standard output got
// a prefix of what it got the first time.
//
// Input: the file. The byte whose read fails comes from a hash of it, so that
// every change of the file tries another one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "diagnostics.h"
#include "kat.h"
#include "kat_file_check.h"
#include "memory_streams.h"
#include "require.h"

namespace {

using namespace morv::cli;

struct Run {
  bool wellFormed;
  int readErrno;
  long long mismatches;
  std::string out, err;
  bool failed;  // whether the reader met the failing read
};

Run Check(morv::fuzz::Source source) {
  Run run{};
  run.err = morv::fuzz::Capture(stderr, [&] {
    run.out = morv::fuzz::Capture(stdout, [&] {
      const morv::kat::File in(source.Open());
      KatReader reader(in.get());
      KatFileCheck check{"f", reader};
      run.wellFormed = CheckRecords(check);
      run.readErrno = reader.readErrno();
      run.mismatches = check.mismatches;
    });
  });
  run.failed = source.failed;
  return run;
}

long Lines(const std::string& text) { return std::ranges::count(text, '\n'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1 << 14)) return -1;
  const std::string file(reinterpret_cast<const char*>(data), size);
  // The text is hashed once per repetition and each Monte Carlo record is
  // 1000 hashes: more of either only takes longer.
  for (std::size_t at = 0; (at = file.find("Repeat = ", at)) != std::string::npos; ++at) {
    if (std::atoll(file.c_str() + at + 9) > 64) return -1;
  }
  int chainRecords = 0;
  for (std::size_t at = 0; (at = file.find("j = ", at)) != std::string::npos; ++at) ++chainRecords;
  if (chainRecords > 2) return -1;
  programName = "katcheck";

  const Run clean = Check({file});
  MORV_REQUIRE(clean.readErrno == 0);
  // Lines are counted: on a terminal, progress without line ends goes there too.
  MORV_REQUIRE(Lines(clean.err) == (clean.wellFormed ? 0 : 1));
  MORV_REQUIRE(clean.wellFormed || clean.err.find("katcheck: f:") != std::string::npos);
  MORV_REQUIRE(Lines(clean.out) == 3L * clean.mismatches);

  const std::size_t failAt = morv::fuzz::Pick(data, size, file.size() + 1);  // a byte, or the end
  const Run failed = Check({file, failAt});
  if (!failed.failed) return 0;  // the reader did not need that byte
  MORV_REQUIRE(failed.readErrno == EIO);
  MORV_REQUIRE(Lines(failed.err) == 0);
  MORV_REQUIRE(clean.out.starts_with(failed.out));
  return 0;
}
