// Properties of ProcessBlocks for both widths: the configuration block gives the
// stored chains, n blocks in one call equal n single calls, the position word
// carries within 64 bits, FlagFirst is cleared, and the block may be the buffer.
#include <cstring>

#include "morv.h"
#include "test_util.h"
#include "transform1024.h"
#include "transform512.h"

namespace morv::test {
namespace {

template <class Ctx>
constexpr std::size_t kBlock = sizeof(Ctx::buffer);

// The configuration block, laid out by hand: "MORV", version 1, the digest length.
template <class Ctx>
Ctx ConfigPath(std::uint64_t digestBits) {
  Bytes block(kBlock<Ctx>, 0);
  std::memcpy(block.data(), "MORV\x01\x00\x00\x00", 8);
  for (int i = 0; i < 8; ++i) block[8 + i] = static_cast<std::uint8_t>(digestBits >> (8 * i));
  Ctx ctx{};
  ctx.header.tweak = {0, 0xC400000000000000};
  ProcessBlocks(&ctx, block.data(), 1, 32);
  return ctx;
}

template <class Ctx>
Ctx RandomContext(std::uint32_t seed) {
  const Bytes b = RandomBytes(sizeof(Ctx), seed);
  Ctx ctx;
  std::memcpy(&ctx, b.data(), sizeof ctx);
  ctx.header.tweak.T1 |= FlagFirst;
  return ctx;
}

template <class Ctx>
bool SameState(const Ctx& a, const Ctx& b) {
  return a.header.tweak.T0 == b.header.tweak.T0 && a.header.tweak.T1 == b.header.tweak.T1 &&
         std::memcmp(a.chain, b.chain, sizeof a.chain) == 0;
}

template <class Ctx>
class Transform : public ::testing::Test {};
using Widths = ::testing::Types<Ctx512, Ctx1024>;
TYPED_TEST_SUITE(Transform, Widths);

TEST(ConfigPath, EqualsStoredChainsOf512BitWidth) {
  for (const int d : {224, 256, 384, 512}) {
    const Ctx512 config = ConfigPath<Ctx512>(d);
    EXPECT_EQ(config.header.tweak.T0, 32u);
    EXPECT_EQ(config.header.tweak.T1, 0x8400000000000000u);
    Ctx512 ctx;
    Init512(&ctx, d);
    EXPECT_EQ(std::memcmp(ctx.chain, config.chain, sizeof ctx.chain), 0) << d;
  }
}

TEST(ConfigPath, EqualsStoredAndComputedChainsOf1024BitWidth) {
  for (const int d : {1024, 513, 1000, 2048}) {
    const Ctx1024 config = ConfigPath<Ctx1024>(d);
    EXPECT_EQ(config.header.tweak.T1, 0x8400000000000000u);
    Ctx1024 ctx;
    Init1024(&ctx, d);
    EXPECT_EQ(std::memcmp(ctx.chain, config.chain, sizeof ctx.chain), 0) << d;
    EXPECT_EQ(ctx.header.tweak.T0, 0u);
    EXPECT_EQ(ctx.header.tweak.T1, 0x7000000000000000u);
    EXPECT_EQ(ctx.header.bufferedBytes, 0u);
  }
}

TYPED_TEST(Transform, ManyBlocksInOneCallEqualSingleCalls) {
  constexpr std::size_t B = kBlock<TypeParam>;
  const Bytes blocks = RandomBytes(5 * B, 7);
  for (const std::size_t add : {std::size_t{0}, std::size_t{8}, B}) {
    TypeParam once = RandomContext<TypeParam>(11);
    TypeParam single = once;
    ProcessBlocks(&once, blocks.data(), 5, add);
    for (int i = 0; i < 5; ++i) ProcessBlocks(&single, blocks.data() + i * B, 1, add);
    EXPECT_TRUE(SameState(once, single)) << add;
    EXPECT_EQ(once.header.tweak.T1 & FlagFirst, 0u);
  }
}

TYPED_TEST(Transform, FlagFirstReachesOnlyTheFirstBlock) {
  constexpr std::size_t B = kBlock<TypeParam>;
  const Bytes blocks = RandomBytes(2 * B, 3);
  TypeParam two = RandomContext<TypeParam>(5);
  TypeParam without = two;
  ProcessBlocks(&two, blocks.data(), 2, B);
  // The same two blocks, the first one already without FlagFirst, differ.
  without.header.tweak.T1 &= ~FlagFirst;
  ProcessBlocks(&without, blocks.data(), 2, B);
  EXPECT_FALSE(SameState(two, without));
  EXPECT_EQ(two.header.tweak.T1, without.header.tweak.T1);
}

TYPED_TEST(Transform, PositionCarriesWithin64Bits) {
  constexpr std::size_t B = kBlock<TypeParam>;
  const Bytes block = RandomBytes(B, 9);
  struct Row {
    std::uint64_t before, after;
  };
  const Row rows[] = {{(1ull << 32) - 16, (1ull << 32) - 16 + B},
                      {~0ull - 15, B - 16},
                      {42, 42 + B}};
  for (const Row& row : rows) {
    TypeParam ctx = RandomContext<TypeParam>(13);
    ctx.header.tweak.T0 = row.before;
    const std::uint64_t t1 = ctx.header.tweak.T1;
    ProcessBlocks(&ctx, block.data(), 1, B);
    EXPECT_EQ(ctx.header.tweak.T0, row.after);
    EXPECT_EQ(ctx.header.tweak.T1, t1 & ~FlagFirst);
  }
}

TYPED_TEST(Transform, ZeroByteCountStillTransforms) {
  const Bytes block(kBlock<TypeParam>, 0);
  TypeParam ctx = RandomContext<TypeParam>(17);
  const TypeParam before = ctx;
  ProcessBlocks(&ctx, block.data(), 1, 0);
  EXPECT_EQ(ctx.header.tweak.T0, before.header.tweak.T0);
  EXPECT_NE(std::memcmp(ctx.chain, before.chain, sizeof ctx.chain), 0);
}

TYPED_TEST(Transform, BlockMayBeTheContextsOwnBuffer) {
  TypeParam ctx = RandomContext<TypeParam>(19);
  TypeParam copy = ctx;
  const Bytes block(ctx.buffer, ctx.buffer + sizeof ctx.buffer);
  ProcessBlocks(&ctx, ctx.buffer, 1, 8);
  ProcessBlocks(&copy, block.data(), 1, 8);
  EXPECT_TRUE(SameState(ctx, copy));
  EXPECT_EQ(std::memcmp(ctx.buffer, block.data(), block.size()), 0);
}

TYPED_TEST(Transform, BlockCountZeroChangesNothing) {
  TypeParam ctx = RandomContext<TypeParam>(23);
  const TypeParam before = ctx;
  ProcessBlocks(&ctx, ctx.buffer, 0, 8);
  EXPECT_EQ(std::memcmp(&ctx, &before, sizeof ctx), 0);
}

}  // namespace
}  // namespace morv::test
