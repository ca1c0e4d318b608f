// A chain of 100,000 hashes from a 1024-bit seed: each digest becomes the front
// of the next message, and every 1000th digest is written.
#include "kat.h"
#include "morv.h"

namespace morv::kat {

constexpr KatKind kMonteCarloKat = {.inName = "MonteCarlo.txt",
                                    .outPattern = "MonteCarlo_%d.txt",
                                    .generator = "genMonteCarlo",
                                    .finishedName = "MonteCarloKAT",
                                    .blankAfterHeader = true};

KatStatus WriteMonteCarloSeed(KatFiles& files, std::uint8_t* message) {
  if (const KatStatus s = CopyHeader(kMonteCarloKat, files); s != Ok) return s;
  if (!ReadHexField(files.in.get(), message, kMonteCarloMessageBytes, "Seed = ")) {
    return Fail(files, FieldMissing, "ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n");
  }
  // A seed cut by a read error would start a wrong chain.
  if (const KatStatus s = ReadStatus(files); s != Ok) return s;
  WriteHexField(files.out.get(), "Seed = ", message, kMonteCarloMessageBytes);
  return Ok;
}

void WriteMonteCarloChain(int digestBits, std::uint8_t* message, std::FILE* out) {
  std::uint8_t digest[64];
  for (int j = 0; j < 100; ++j) {
    for (int i = 0; i < 1000; ++i) MonteCarloStep(digestBits, message, digest);
    std::fprintf(out, "\nj = %d\n", j);
    WriteHexField(out, "MD = ", digest, digestBits / 8);
  }
}

KatStatus genMonteCarlo(int digestBits) {
  KatFiles files;
  if (const KatStatus s = OpenFiles(kMonteCarloKat, digestBits, files); s != Ok) return s;
  std::uint8_t message[kMonteCarloMessageBytes];
  if (const KatStatus s = WriteMonteCarloSeed(files, message); s != Ok) return s;
  WriteMonteCarloChain(digestBits, message, files.out.get());
  return Finish(kMonteCarloKat, digestBits, files);
}

}  // namespace morv::kat
