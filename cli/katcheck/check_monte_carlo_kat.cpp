// The Monte Carlo chain, re-run from the file's seed: each step hashes the
// 1024-bit message, and the next message is the digest followed by the old
// message without its last digest-length bytes. Every 1000th digest is a
// "j = " record, for j = 0 to 99.
#include <string>

#include "kat.h"
#include "kat_file_check.h"
#include "progress.h"

namespace morv::cli {
namespace {

constexpr int kRecords = 100;
constexpr int kStepsPerRecord = 1000;
constexpr int kMessageBytes = kat::kMonteCarloMessageBytes;

}  // namespace

bool CheckMonteCarloKat(KatFileCheck& check) {
  KatReader& reader = check.reader;
  std::uint8_t message[kMessageBytes];
  if (!reader.ReadBytes(message, kMessageBytes)) {
    return Malformed(check, "the seed must have %d hexadecimal digits", 2 * kMessageBytes);
  }
  Bytes expected;
  Bytes computed;
  for (int k = 0; k < kRecords; ++k) {
    if (!reader.Next()) {
      return Malformed(check, "the chain ends after %d of its %d records", k, kRecords);
    }
    if (!Require(check, "j")) return false;
    int j = 0;
    if (!reader.ReadNumber(j)) return Malformed(check, "the record index must be a number");
    if (j != k) return Malformed(check, "j = %d where j = %d was expected", j, k);
    if (!Expect(check, "MD") || !ReadExpectedDigest(check, expected)) return false;
    if (expected.size() > kMessageBytes) {
      return Malformed(check, "a Monte Carlo digest has at most %d bits", 8 * kMessageBytes);
    }
    computed.resize(expected.size());
    {
      Progress progress(check.name);
      progress.Show(k, kRecords);
      for (int i = 0; i < kStepsPerRecord; ++i) {
        kat::MonteCarloStep(check.digestBits, message, computed.data());
      }
    }
    CompareDigest(check, "j = " + std::to_string(j), expected, computed);
  }
  if (reader.Next()) return Malformed(check, "a line after the chain's %d records", kRecords);
  return true;
}

}  // namespace morv::cli
