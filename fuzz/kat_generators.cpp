// The four generators on arbitrary input files: no crash and no sanitizer
// report, whatever the bytes; the printed line agrees with the status; and the
// output starts with the line that names it. The case folders of the test
// suite pin what the files hold.
//
// Input: the first byte picks the generator and the digest length, the rest is
// the input file.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "kat.h"
#include "require.h"

namespace {

namespace fs = std::filesystem;
using morv::kat::KatStatus;

struct Generator {
  KatStatus (*generate)(int digestBits);
  const char* stem;  // the input is <stem>.txt, the output <stem>_<d>.txt
};

constexpr Generator kGenerators[] = {{morv::kat::genShortMsg, "ShortMsgKAT"},
                                     {morv::kat::genLongMsg, "LongMsgKAT"},
                                     {morv::kat::genExtremelyLongMsg, "ExtremelyLongMsgKAT"},
                                     {morv::kat::genMonteCarlo, "MonteCarlo"}};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

// Works in a scratch folder of its own, so that the fuzzer writes nothing
// where it was started; the folder is removed at exit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static fs::path folder;
  std::string pattern = (fs::temp_directory_path() / "morv-fuzz-XXXXXX").string();
  MORV_REQUIRE(mkdtemp(pattern.data()) != nullptr);
  folder = pattern;
  fs::current_path(folder);
  std::atexit([] { fs::remove_all(folder); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Larger inputs find nothing new: the largest valid record is 8576 digits.
  if (size == 0 || size > (1 << 14)) return -1;
  constexpr int kDigestBits[] = {224, 256, 384, 512};
  // The Monte Carlo generator, whose input reaches only its header and seed
  // before a chain of 100,000 hashes, gets one input in sixteen.
  const Generator& g = kGenerators[std::min(data[0] % 16 / 5, 3)];
  const int digestBits = kDigestBits[data[0] / 16 % 4];
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  // One Update per repetition: a count near 2^31 would hash for minutes, a
  // hang that is no fault.
  for (std::size_t at = 0; (at = input.find("Repeat = ", at)) != std::string::npos; ++at) {
    if (std::atoll(input.c_str() + at + 9) > 256) return -1;
  }
  std::ofstream(std::string(g.stem) + ".txt", std::ios::binary) << input;

  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int capture = open("printed", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(capture, STDOUT_FILENO);
  close(capture);
  const KatStatus status = g.generate(digestBits);
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);

  const std::string printed = Slurp("printed");
  const std::string outName = std::string(g.stem) + "_" + std::to_string(digestBits) + ".txt";
  MORV_REQUIRE(status >= morv::kat::Ok && status <= morv::kat::FileWriteFailed);
  MORV_REQUIRE(!printed.empty() && printed.find('\n') == printed.size() - 1);
  MORV_REQUIRE((status == morv::kat::Ok) == printed.starts_with("finished "));
  MORV_REQUIRE(Slurp(outName).starts_with("# " + outName + "\n"));
  return 0;
}
