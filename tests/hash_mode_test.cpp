// The chaining mode through the interface: width choice, split invariance,
// bit padding, the tweak at each stage, the output stage and misuse.
#include <cstring>

#include "morv.h"
#include "test_util.h"
#include "transform1024.h"
#include "transform512.h"

namespace morv::test {
namespace {

Bytes Hash(int digestBits, const Bytes& message, std::size_t bits) {
  Bytes digest((static_cast<std::size_t>(digestBits) + 7) / 8);
  EXPECT_EQ(HashMessage(digestBits, message.data(), bits, digest.data()), 0);
  return digest;
}

Bytes Hash(int digestBits, const Bytes& message) { return Hash(digestBits, message, 8 * message.size()); }

const Tweak& TweakOf(const HashContext& ctx) {
  return ctx.stateWidth == 512 ? ctx.widthContext.ctx512.header.tweak
                               : ctx.widthContext.ctx1024.header.tweak;
}
std::size_t BufferedOf(const HashContext& ctx) {
  return ctx.stateWidth == 512 ? ctx.widthContext.ctx512.header.bufferedBytes
                               : ctx.widthContext.ctx1024.header.bufferedBytes;
}

TEST(WidthChoice, StrictlyAbove512TakesThe1024BitState) {
  const std::pair<int, int> rows[] = {{0, 512}, {8, 512}, {512, 512}, {513, 1024}, {4096, 1024}};
  for (const auto& [digestBits, width] : rows) {
    HashContext ctx;
    ASSERT_EQ(Init(&ctx, digestBits), 0);
    EXPECT_EQ(ctx.stateWidth, width) << digestBits;
    EXPECT_EQ(TweakOf(ctx).T0, 0u);
    EXPECT_EQ(TweakOf(ctx).T1, 0x7000000000000000u);
    EXPECT_EQ(BufferedOf(ctx), 0u);
  }
}

// Any split of a whole-byte message, at and around block boundaries, gives the
// digest of the whole.
TEST(SplitInvariance, EverySplitPointOfMessagesAroundBlockBoundaries) {
  for (const int digestBits : {512, 1024}) {
    for (const std::size_t length : {63, 64, 65, 127, 128, 129, 191, 255, 256, 257, 385}) {
      const Bytes message = RandomBytes(length, static_cast<std::uint32_t>(length));
      const Bytes whole = Hash(digestBits, message);
      for (std::size_t split = 0; split <= length; ++split) {
        HashContext ctx;
        Init(&ctx, digestBits);
        Update(&ctx, message.data(), 8 * split);
        Update(&ctx, message.data() + split, 8 * (length - split));
        Bytes digest(whole.size());
        Final(&ctx, digest.data());
        ASSERT_EQ(digest, whole) << digestBits << " " << length << " split at " << split;
      }
    }
  }
}

TEST(SplitInvariance, ThreeWaySplitsAndEmptyUpdates) {
  const Bytes message = RandomBytes(300, 1);
  for (const int digestBits : {256, 1024}) {
    const Bytes whole = Hash(digestBits, message);
    for (std::size_t a = 0; a <= 300; a += 37) {
      for (std::size_t b = a; b <= 300; b += 29) {
        HashContext ctx;
        Init(&ctx, digestBits);
        Update(&ctx, message.data(), 8 * a);
        Update(&ctx, message.data(), 0);
        Update(&ctx, message.data() + a, 8 * (b - a));
        Update(&ctx, message.data() + b, 8 * (300 - b));
        Bytes digest(whole.size());
        Final(&ctx, digest.data());
        ASSERT_EQ(digest, whole) << a << " " << b;
      }
    }
  }
}

TEST(BitPadding, BitsBeyondTheLengthAreIgnored) {
  for (const int digestBits : {224, 1024}) {
    for (std::size_t bits = 1; bits < 24; ++bits) {
      if (bits % 8 == 0) continue;
      Bytes clean = RandomBytes(3, static_cast<std::uint32_t>(bits));
      const unsigned keep = bits % 8;
      Bytes dirty = clean;
      clean[bits / 8] &= static_cast<std::uint8_t>(0xFF00u >> keep);
      dirty[bits / 8] |= static_cast<std::uint8_t>(0xFFu >> keep);
      EXPECT_EQ(Hash(digestBits, clean, bits), Hash(digestBits, dirty, bits)) << bits;
      // The length itself counts: one more bit of value zero is another message.
      EXPECT_NE(Hash(digestBits, clean, bits), Hash(digestBits, clean, bits + 1)) << bits;
    }
  }
}

// The padded byte keeps the message bits, sets the bit below them and clears the rest.
TEST(BitPadding, PaddedByteAndTweakAfterTheLastUpdate) {
  struct Row {
    std::uint8_t byte;
    std::size_t bits;
    std::uint8_t padded;
  };
  const Row rows[] = {{0x80, 1, 0xC0}, {0x7F, 1, 0x40}, {0xFF, 2, 0xE0}, {0xAB, 3, 0xB0},
                      {0x00, 4, 0x08}, {0xFF, 5, 0xFC}, {0x5A, 6, 0x5A}, {0x00, 7, 0x01},
                      {0xAB, 7, 0xAB}};
  for (const Row& row : rows) {
    HashContext ctx;
    Init(&ctx, 256);
    ASSERT_EQ(Update(&ctx, &row.byte, row.bits), 0);
    const Ctx512& c = ctx.widthContext.ctx512;
    EXPECT_EQ(c.header.bufferedBytes, 1u);
    EXPECT_EQ(c.buffer[0], row.padded) << int(row.byte) << " " << row.bits;
    EXPECT_EQ(c.header.tweak.T0, 0u);
    EXPECT_EQ(c.header.tweak.T1, FlagFirst | FlagBitPad | TypeMessage);
  }
}

// Update keeps the last block for Final; every block before it adds B to T0.
TEST(Tweak, AfterUpdatesOfBothWidths) {
  struct Row {
    int digestBits;
    std::size_t bits;
    std::uint64_t t0, t1;
    std::size_t buffered;
  };
  const Row rows[] = {
      {512, 0, 0, FlagFirst | TypeMessage, 0},
      {512, 512, 0, FlagFirst | TypeMessage, 64},
      {512, 513, 64, TypeMessage | FlagBitPad, 1},
      {512, 1024, 64, TypeMessage, 64},
      {512, 8 * 129, 128, TypeMessage, 1},
      {1024, 1024, 0, FlagFirst | TypeMessage, 128},
      {1024, 8 * 129, 128, TypeMessage, 1},
      {1024, 2048, 128, TypeMessage, 128},
  };
  const Bytes message = RandomBytes(300, 2);
  for (const Row& row : rows) {
    HashContext ctx;
    Init(&ctx, row.digestBits);
    Update(&ctx, message.data(), row.bits);
    EXPECT_EQ(TweakOf(ctx).T0, row.t0) << row.digestBits << " " << row.bits;
    EXPECT_EQ(TweakOf(ctx).T1, row.t1) << row.digestBits << " " << row.bits;
    EXPECT_EQ(BufferedOf(ctx), row.buffered) << row.digestBits << " " << row.bits;
  }
}

TEST(Tweak, AfterFinalTheLastCounterBlocksTweakRemains) {
  for (const int digestBits : {256, 1024, 2048}) {
    HashContext ctx;
    Init(&ctx, digestBits);
    Bytes digest(static_cast<std::size_t>(digestBits) / 8);
    Final(&ctx, digest.data());
    EXPECT_EQ(TweakOf(ctx).T0, 8u);
    EXPECT_EQ(TweakOf(ctx).T1, 0xBF00000000000000u);
    EXPECT_EQ(BufferedOf(ctx), 0u);
  }
}

// The final message block carries FlagFinal; each counter block i is keyed by
// the same final chain. Rebuilt here step by step for the empty message.
template <class Ctx>
Bytes OutputStageByHand(Ctx ctx, std::size_t digestBytes) {
  constexpr std::size_t B = sizeof ctx.buffer;
  Bytes last(B, 0);
  ctx.header.tweak.T1 |= FlagFinal;
  EXPECT_EQ(ctx.header.tweak.T1, 0xF000000000000000u);
  ProcessBlocks(&ctx, last.data(), 1, 0);
  const Ctx finalChain = ctx;
  Bytes digest;
  for (std::uint64_t counter = 0; digest.size() < digestBytes; ++counter) {
    Ctx out = finalChain;
    Bytes block(B, 0);
    block[0] = static_cast<std::uint8_t>(counter);
    out.header.tweak = {0, 0xFF00000000000000};
    ProcessBlocks(&out, block.data(), 1, 8);
    for (const std::uint64_t word : out.chain) {
      for (int i = 0; i < 8 && digest.size() < digestBytes; ++i) {
        digest.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
      }
    }
  }
  return digest;
}

TEST(OutputStage, CounterBlocksShareTheFinalChain) {
  for (const int digestBits : {8, 100, 224, 512}) {
    Ctx512 ctx;
    Init512(&ctx, digestBits);
    EXPECT_EQ(Hash(digestBits, {}), OutputStageByHand(ctx, (digestBits + 7) / 8)) << digestBits;
  }
  for (const int digestBits : {513, 1000, 1024, 1025, 2048, 3000}) {
    Ctx1024 ctx;
    Init1024(&ctx, digestBits);
    EXPECT_EQ(Hash(digestBits, {}), OutputStageByHand(ctx, (digestBits + 7) / 8)) << digestBits;
  }
}

// Exactly (digestBits + 7) / 8 bytes are written, nothing past them.
TEST(OutputStage, WritesExactlyTheDigestBytes) {
  for (const int digestBits : {0, 1, 8, 100, 224, 512, 513, 1000, 1024, 1025, 2048}) {
    const std::size_t n = (static_cast<std::size_t>(digestBits) + 7) / 8;
    Bytes digest(n + 16, 0xA5);
    ASSERT_EQ(HashMessage(digestBits, nullptr, 0, digest.data()), 0);
    for (std::size_t i = n; i < digest.size(); ++i) ASSERT_EQ(digest[i], 0xA5) << digestBits;
  }
}

TEST(Misuse, PoisonedContextBeforeInitChangesNothing) {
  const Bytes message = RandomBytes(200, 4);
  for (const int digestBits : {224, 1024}) {
    HashContext ctx;
    std::memset(&ctx, 0x5c, sizeof ctx);
    Init(&ctx, digestBits);
    Update(&ctx, message.data(), 8 * message.size());
    Bytes digest(static_cast<std::size_t>(digestBits) / 8);
    Final(&ctx, digest.data());
    EXPECT_EQ(digest, Hash(digestBits, message));
    // Init again after Final, on the used context.
    Init(&ctx, digestBits);
    Update(&ctx, message.data(), 8 * message.size());
    Final(&ctx, digest.data());
    EXPECT_EQ(digest, Hash(digestBits, message));
  }
}

TEST(Misuse, WidthSelectorsOneAndThreeAreRefusedWithoutChange) {
  for (const int stateWidth : {256, 768, 1792, -1}) {
    HashContext ctx;
    Init(&ctx, 512);
    ctx.stateWidth = stateWidth;
    const HashContext before = ctx;
    std::uint8_t byte = 0x80, digest[64] = {};
    EXPECT_EQ(Update(&ctx, &byte, 8), 1) << stateWidth;
    EXPECT_EQ(Update(&ctx, &byte, 3), 1) << stateWidth;
    EXPECT_EQ(Final(&ctx, digest), 1) << stateWidth;
    EXPECT_EQ(std::memcmp(&ctx, &before, sizeof ctx), 0);
    EXPECT_EQ(digest[0], 0);
  }
}

TEST(Misuse, NegativeDigestLengthWritesNothing) {
  for (const int digestBits : {-1, -8, -512, INT32_MIN}) {
    HashContext ctx;
    std::memset(&ctx, 0x5c, sizeof ctx);
    const HashContext before = ctx;
    EXPECT_EQ(Init(&ctx, digestBits), 1);
    EXPECT_EQ(std::memcmp(&ctx, &before, sizeof ctx), 0);
    std::uint8_t digest[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(HashMessage(digestBits, digest, 64, digest), 1);
    EXPECT_EQ(digest[0], 1);
    EXPECT_EQ(digest[7], 8);
  }
}

// Init after Final may change the width: the other member of the context's
// union is set up whole before anything in it is read.
TEST(Misuse, ContextReusedAfterFinalAcrossWidths) {
  const Bytes message = RandomBytes(150, 6);
  const std::pair<int, int> rows[] = {{1024, 224}, {224, 2048}, {0, 513}, {513, 0}};
  for (const auto& [first, second] : rows) {
    HashContext ctx;
    Init(&ctx, first);
    Update(&ctx, message.data(), 8 * message.size());
    Bytes digest((static_cast<std::size_t>(first) + 7) / 8);
    Final(&ctx, digest.data());
    ASSERT_EQ(Init(&ctx, second), 0);
    Update(&ctx, message.data(), 8 * message.size());
    digest.assign((static_cast<std::size_t>(second) + 7) / 8, 0);
    Final(&ctx, digest.data());
    EXPECT_EQ(digest, Hash(second, message)) << first << " then " << second;
  }
}

// A digest of 0 bits writes no byte and a message of 0 bits reads none, so
// neither needs a buffer (the sanitizer build catches a null pointer handed on).
TEST(Misuse, ZeroLengthsNeedNoBuffers) {
  EXPECT_EQ(HashMessage(0, nullptr, 0, nullptr), 0);
  const Bytes message = RandomBytes(70, 7);
  for (const int digestBits : {0, 256, 1024}) {
    HashContext ctx;
    Init(&ctx, digestBits);
    EXPECT_EQ(Update(&ctx, nullptr, 0), 0);
    Update(&ctx, message.data(), 8 * message.size());
    EXPECT_EQ(Update(&ctx, nullptr, 0), 0);
    Bytes digest((static_cast<std::size_t>(digestBits) + 7) / 8);
    EXPECT_EQ(Final(&ctx, digestBits == 0 ? nullptr : digest.data()), 0);
    EXPECT_EQ(digest, Hash(digestBits, message));
  }
}

}  // namespace
}  // namespace morv::test
