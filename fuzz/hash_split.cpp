// Any message of any bit length, cut into any whole-byte pieces and fed through
// Init, Update and Final on a reused context, gives HashMessage's digest, for
// digest lengths across both widths; and the bits of a partial last byte beyond
// the length never change the digest.
//
// Input: the digest length, the partial bit count, the filler of the context
// before its first Init and the piece lengths come from the end of the data,
// the message bytes from its front.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "morv.h"
#include "require.h"

namespace {

constexpr int kMaxDigestBits = 2100;  // beyond 1024: several counter blocks
constexpr std::uint8_t kGuard = 0xA5;


// The digest in a buffer with a guard byte after it, which must survive.
std::vector<std::uint8_t> DigestBuffer(int digestBits) {
  return std::vector<std::uint8_t>((static_cast<std::size_t>(digestBits) + 7) / 8 + 1, kGuard);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int digestBits = input.ConsumeIntegralInRange(0, kMaxDigestBits);
  const unsigned partialBits = input.ConsumeIntegralInRange(0u, 7u);
  const auto filler = input.ConsumeIntegral<std::uint8_t>();
  std::vector<std::size_t> pieces;
  for (int i = input.ConsumeIntegralInRange(0, 8); i > 0; --i) {
    pieces.push_back(input.ConsumeIntegralInRange<std::size_t>(0, 300));
  }
  // Exactly the message's bytes on the heap, so that a read past them is caught.
  const std::vector<std::uint8_t> message = input.ConsumeRemainingBytes<std::uint8_t>();
  const std::size_t wholeBytes = message.size() - (partialBits != 0 && !message.empty());
  const std::size_t bitCount = 8 * wholeBytes + (message.empty() ? 0 : partialBits);

  std::vector<std::uint8_t> expected = DigestBuffer(digestBits);
  MORV_REQUIRE(morv::HashMessage(digestBits, message.data(), bitCount, expected.data()) == 0);
  MORV_REQUIRE(expected.back() == kGuard);

  // The first round starts from a context full of junk, the second reuses the
  // finished one: Init alone must make either usable.
  morv::HashContext ctx;
  std::memset(&ctx, filler, sizeof ctx);
  for (int round = 0; round < 2; ++round) {
    MORV_REQUIRE(morv::Init(&ctx, digestBits) == 0);
    std::size_t done = 0;
    for (const std::size_t piece : pieces) {
      const std::size_t take = std::min(piece, wholeBytes - done);
      MORV_REQUIRE(morv::Update(&ctx, message.data() + done, 8 * take) == 0);
      done += take;
    }
    MORV_REQUIRE(morv::Update(&ctx, message.data() + done, bitCount - 8 * done) == 0);
    std::vector<std::uint8_t> digest = DigestBuffer(digestBits);
    MORV_REQUIRE(morv::Final(&ctx, digest.data()) == 0);
    MORV_REQUIRE(digest == expected);
  }

  if (bitCount % 8 != 0) {
    std::vector<std::uint8_t> flipped = message;
    flipped.back() ^= static_cast<std::uint8_t>(0xFFu >> partialBits);
    std::vector<std::uint8_t> digest = DigestBuffer(digestBits);
    MORV_REQUIRE(morv::HashMessage(digestBits, flipped.data(), bitCount, digest.data()) == 0);
    MORV_REQUIRE(digest == expected);
  }
  return 0;
}
