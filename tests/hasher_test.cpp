// The C++ layer's own rules (its digests are checked with the known answers):
// reset starts a new message, the layer adds nothing to the core's context,
// each misuse stops a build with assertions on with its own message, and a
// span too short for what it is asked to hold is never read or written past
// in any build.
#include "hasher.h"

#include "test_util.h"

namespace morv::test {
namespace {

static_assert(sizeof(Hasher<256>) == sizeof(HashContext));
static_assert(sizeof(Hasher<1024>) == sizeof(HashContext));

TEST(Hasher, ResetStartsANewMessage) {
  const Bytes first = RandomBytes(100, 1), second = RandomBytes(70, 2);
  Hasher<256> hasher;
  hasher.updateBits(first, 795);
  (void)hasher.finish();
  hasher.reset();
  hasher.update(second);
  EXPECT_EQ(hasher.finish(), hash256(second));
}

TEST(Hasher, ShortSpansAreRefusedInEveryBuild) {
#ifndef NDEBUG
  GTEST_SKIP() << "assertions are on in this build; the death test covers it";
#endif
  const Bytes m = RandomBytes(10, 3);
  std::uint8_t tooSmall[32] = {};
  hash(256, m, std::span(tooSmall, 31));
  EXPECT_EQ(Bytes(tooSmall, tooSmall + 32), Bytes(32, 0));
  Hasher<256> hasher;
  hasher.updateBits(std::span(m).first(1), 9);
  EXPECT_EQ(hasher.finish(), hash256({})) << "a refused piece adds nothing";
}

TEST(HasherDeathTest, MisuseAsserts) {
#ifdef NDEBUG
  GTEST_SKIP() << "assertions are compiled out in this build (NDEBUG)";
#endif
  const Bytes m = RandomBytes(10, 3);
  Hasher<1024> finished, partial;
  (void)finished.finish();
  partial.updateBits(m, 13);
  std::uint8_t tooSmall[31];
  EXPECT_DEATH(Hasher<1024>(finished).update(m), "after finish");
  EXPECT_DEATH((void)Hasher<1024>(finished).finish(), "finish twice without reset");
  EXPECT_DEATH(Hasher<1024>(partial).update(m), "update after a partial byte");
  EXPECT_DEATH(Hasher<1024>(partial).updateBits(m, 8), "updateBits after a partial byte");
  EXPECT_DEATH(Hasher<256>{}.updateBits(m, 8 * m.size() + 1), "bitCount beyond the span");
  EXPECT_DEATH(hash(256, m, tooSmall), "digest too small");
}

}  // namespace
}  // namespace morv::test
