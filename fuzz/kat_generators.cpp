// The four generators on an input file in memory, whatever its bytes: no crash
// and no sanitizer report; one line printed, "finished ..." exactly when the
// status is 0. Then the same input once more with the read of one chosen byte
// failing: if the generator needed that byte, status 7 and its line, and an
// output that is a prefix of the first one, so that nothing came of the failed
// read. The case folders of the test suite pin what the files hold.
//
// Input: the first byte picks the generator and the digest length, the rest is
// the input file. The byte whose read fails comes from a hash of the whole
// input, so that every change of it tries another one. The Monte Carlo
// generator stops after the seed: its chain, a fixed 100,000 hashes, reads
// nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "kat.h"
#include "memory_streams.h"
#include "require.h"

namespace {

using namespace morv::kat;

struct Run {
  KatStatus status;
  std::string printed, written;  // standard output, the output file
  bool failed;                   // whether the generator met the failing read
};

// What the generator does between opening its files and closing them.
KatStatus Write(int generator, int digestBits, KatFiles& files) {
  // As large as the generators' own buffers, so that a write past them is caught.
  const int bytes[] = {kShortMsgKat.maxBits / 8, kLongMsgKat.maxBits / 8, 0,
                       kMonteCarloMessageBytes};
  std::vector<std::uint8_t> message(static_cast<std::size_t>(bytes[generator]));
  switch (generator) {
    case 0: return WriteMessageKat(kShortMsgKat, digestBits, files, message.data());
    case 1: return WriteMessageKat(kLongMsgKat, digestBits, files, message.data());
    case 2: return WriteExtremelyLongMsgKat(digestBits, files);
    default: return WriteMonteCarloSeed(files, message.data());
  }
}

Run Generate(const KatKind& kind, int generator, int digestBits, morv::fuzz::Source source) {
  morv::fuzz::Sink output;
  Run run{};
  run.printed = morv::fuzz::Capture(stdout, [&] {
    KatFiles files;
    files.in.reset(source.Open());
    files.out.reset(output.Open());
    files.inName = kind.inName;
    std::snprintf(files.outName, sizeof files.outName, kind.outPattern, digestBits);
    run.status = Write(generator, digestBits, files);
    if (run.status == Ok) run.status = Finish(kind, digestBits, files);
  });
  run.written = output.text;
  run.failed = source.failed;
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Larger inputs find nothing new: the largest valid record is 8576 digits.
  if (size == 0 || size > (1 << 14)) return -1;
  static const KatKind* const kKinds[] = {&kShortMsgKat.kind, &kLongMsgKat.kind,
                                          &kExtremelyLongMsgKat, &kMonteCarloKat};
  constexpr int kDigestBits[] = {224, 256, 384, 512};
  const int generator = data[0] % 4;
  const KatKind& kind = *kKinds[generator];
  const int digestBits = kDigestBits[data[0] / 4 % 4];
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  // One Update per repetition: a count near 2^31 would hash for minutes, a
  // hang that is no fault.
  for (std::size_t at = 0; (at = input.find("Repeat = ", at)) != std::string::npos; ++at) {
    if (std::atoll(input.c_str() + at + 9) > 64) return -1;
  }

  const Run clean = Generate(kind, generator, digestBits, {input});
  MORV_REQUIRE(clean.status >= Ok && clean.status <= FileWriteFailed);
  MORV_REQUIRE(!clean.printed.empty() && clean.printed.find('\n') == clean.printed.size() - 1);
  MORV_REQUIRE((clean.status == Ok) == clean.printed.starts_with("finished "));

  const std::size_t failAt = morv::fuzz::Pick(data, size, input.size() + 1);  // a byte, or the end
  const Run failed = Generate(kind, generator, digestBits, {input, failAt});
  if (!failed.failed) return 0;  // the generator did not need that byte
  MORV_REQUIRE(failed.status == FileReadFailed);
  MORV_REQUIRE(failed.printed == "Couldn't read <" + std::string(kind.inName) + ">\n");
  MORV_REQUIRE(clean.written.starts_with(failed.written));
  return 0;
}
