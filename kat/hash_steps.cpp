// The hashing steps that genkat writes with and katcheck checks with, so that
// both compute the extremely long message and the Monte Carlo chain one way.
#include <cstring>

#include "kat.h"
#include "morv.h"

namespace morv::kat {

int UpdateRepeatedly(HashContext* ctx, const std::uint8_t* text, int count) {
  for (int i = 0; i < count; ++i) {
    if (const int r = Update(ctx, text, kExtremelyLongTextBytes * 8); r != 0) return r;
  }
  return 0;
}

void MonteCarloStep(int digestBits, std::uint8_t* message, std::uint8_t* digest) {
  const int digestBytes = digestBits / 8;
  HashMessage(digestBits, message, 8 * kMonteCarloMessageBytes, digest);
  std::memmove(message + digestBytes, message, kMonteCarloMessageBytes - digestBytes);
  std::memcpy(message, digest, digestBytes);
}

}  // namespace morv::kat
