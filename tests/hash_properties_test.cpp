// Properties of the mode and the transforms that the known answers cannot show:
// any split of a message, on any context, gives its digest, and misuse is
// refused cleanly.
#include <cstring>

#include "morv.h"
#include "test_util.h"

namespace morv::test {
namespace {

Bytes Hash(int digestBits, const Bytes& message, std::size_t bits) {
  Bytes digest(digestBytes(digestBits));
  EXPECT_EQ(HashMessage(digestBits, message.data(), bits, digest.data()), 0);
  return digest;
}

// Init on `ctx` as it is, the pieces of the message that end at `cuts`, Final.
Bytes HashInPieces(HashContext& ctx, int digestBits, const Bytes& message, std::size_t bits,
                   std::initializer_list<std::size_t> cuts) {
  Init(&ctx, digestBits);
  std::size_t done = 0;
  for (const std::size_t cut : cuts) {
    Update(&ctx, message.data() + done / 8, cut - done);
    done = cut;
  }
  Update(&ctx, message.data() + done / 8, bits - done);
  Bytes digest(digestBytes(digestBits));
  Final(&ctx, digest.data());
  return digest;
}

// Every whole-byte split point of messages around the block sizes of both
// widths, the last piece ending in a partial byte, on a context that held junk
// or a message of the other width: Init sets up the whole context, whatever it held.
TEST(SplitInvariance, EverySplitPointOnAnyContext) {
  HashContext ctx;
  for (const std::size_t length : {63, 64, 65, 127, 128, 129, 191, 255, 256, 257, 385}) {
    const Bytes message = RandomBytes(length, static_cast<std::uint32_t>(length));
    const std::size_t bits = 8 * length - 3;
    for (std::size_t split = 0; split < length; ++split) {
      for (const int digestBits : {512, 1024, 224, 2048, 0, 513}) {
        if ((split + static_cast<std::size_t>(digestBits)) % 3 == 0) std::memset(&ctx, 0x5c, sizeof ctx);
        ASSERT_EQ(HashInPieces(ctx, digestBits, message, bits, {8 * split}), Hash(digestBits, message, bits))
            << digestBits << " " << length << " split at " << split;
      }
    }
  }
}

// A negative digest length and a width selector of 1 or 3 are refused without
// a write; a digest of 0 bits and a message of 0 bits need no buffer (the
// sanitizer build sees a null pointer used); no byte past the digest is written.
TEST(Misuse, RefusedOrServedWithoutAStrayWrite) {
  for (const int digestBits : {-1, INT32_MIN}) {
    HashContext ctx, before;
    std::memset(&ctx, 0x5c, sizeof ctx);
    std::memcpy(&before, &ctx, sizeof ctx);
    std::uint8_t digest[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Init(&ctx, digestBits), 1);
    EXPECT_EQ(std::memcmp(&ctx, &before, sizeof ctx), 0);
    EXPECT_EQ(HashMessage(digestBits, digest, 64, digest), 1);
    EXPECT_EQ(digest[7], 8);
  }
  for (const int stateWidth : {256, 768, 1792, -1}) {
    HashContext ctx, before;
    Init(&ctx, 512);
    ctx.stateWidth = stateWidth;
    std::memcpy(&before, &ctx, sizeof ctx);
    std::uint8_t byte = 0x80, digest[64] = {};
    EXPECT_EQ(Update(&ctx, &byte, 8), 1);
    EXPECT_EQ(Update(&ctx, &byte, 3), 1);
    EXPECT_EQ(Final(&ctx, digest), 1);
    EXPECT_EQ(std::memcmp(&ctx, &before, sizeof ctx), 0) << stateWidth;
    EXPECT_EQ(digest[0], 0);
  }
  for (const int digestBits : {0, 1, 100, 512, 513, 1025, 2048}) {
    Bytes digest(digestBytes(digestBits) + 16, 0xA5);
    HashContext ctx;
    Init(&ctx, digestBits);
    EXPECT_EQ(Update(&ctx, nullptr, 0), 0);
    EXPECT_EQ(Final(&ctx, digestBits == 0 ? nullptr : digest.data()), 0);
    for (std::size_t i = digestBytes(digestBits); i < digest.size(); ++i) ASSERT_EQ(digest[i], 0xA5);
  }
}

}  // namespace
}  // namespace morv::test
