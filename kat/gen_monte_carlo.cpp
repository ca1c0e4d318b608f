// A chain of 100,000 hashes from a 1024-bit seed: each digest becomes the front
// of the next message, and every 1000th digest is written.
#include <cstring>

#include "kat.h"
#include "morv.h"

namespace morv::kat {

KatStatus genMonteCarlo(int digestBits) {
  static constexpr KatKind kKind = {"MonteCarlo.txt", "MonteCarlo_%d.txt", "genMonteCarlo",
                                    "MonteCarloKAT", true};
  KatFiles files;
  if (const KatStatus s = OpenAndCopyHeader(kKind, digestBits, files); s != Ok) return s;
  std::FILE* out = files.out.get();

  std::uint8_t message[128];
  if (!ReadHexField(files.in.get(), message, sizeof message, "Seed = ")) {
    std::printf("ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n");
    return FieldMissing;
  }
  WriteHexField(out, "Seed = ", message, sizeof message);

  const int digestBytes = digestBits / 8;
  std::uint8_t digest[64];
  for (int j = 0; j < 100; ++j) {
    for (int i = 0; i < 1000; ++i) {
      HashMessage(digestBits, message, 8 * sizeof message, digest);
      // The digest, then the old message without its last digestBytes bytes.
      std::memmove(message + digestBytes, message, sizeof message - digestBytes);
      std::memcpy(message, digest, digestBytes);
    }
    std::fprintf(out, "\nj = %d\n", j);
    WriteHexField(out, "MD = ", digest, digestBytes);
  }
  return Finish(kKind, digestBits, files);
}

}  // namespace morv::kat
