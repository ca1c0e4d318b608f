// A chain of 100,000 hashes from a 1024-bit seed: each digest becomes the front
// of the next message, and every 1000th digest is written.
#include <cstring>

#include "kat.h"
#include "morv.h"

namespace morv::kat {

void MonteCarloStep(int digestBits, std::uint8_t* message, std::uint8_t* digest) {
  const int digestBytes = digestBits / 8;
  HashMessage(digestBits, message, 8 * kMonteCarloMessageBytes, digest);
  std::memmove(message + digestBytes, message, kMonteCarloMessageBytes - digestBytes);
  std::memcpy(message, digest, digestBytes);
}

KatStatus genMonteCarlo(int digestBits) {
  static constexpr KatKind kKind = {.inName = "MonteCarlo.txt",
                                    .outPattern = "MonteCarlo_%d.txt",
                                    .generator = "genMonteCarlo",
                                    .finishedName = "MonteCarloKAT",
                                    .blankAfterHeader = true};
  KatFiles files;
  if (const KatStatus s = OpenAndCopyHeader(kKind, digestBits, files); s != Ok) return s;
  std::FILE* out = files.out.get();

  std::uint8_t message[kMonteCarloMessageBytes];
  if (!ReadHexField(files.in.get(), message, sizeof message, "Seed = ")) {
    std::printf("ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n");
    return FieldMissing;
  }
  WriteHexField(out, "Seed = ", message, sizeof message);

  std::uint8_t digest[64];
  for (int j = 0; j < 100; ++j) {
    for (int i = 0; i < 1000; ++i) MonteCarloStep(digestBits, message, digest);
    std::fprintf(out, "\nj = %d\n", j);
    WriteHexField(out, "MD = ", digest, digestBits / 8);
  }
  return Finish(kKind, digestBits, files);
}

}  // namespace morv::kat
