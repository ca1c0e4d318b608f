// The C++ layer's own rules (its digests are checked with the known answers):
// reset starts a new message, the layer adds nothing to the core's context, and
// each misuse stops a debug build with its own assertion.
//
// Assertions stay on in this file, whatever the build type.
#undef NDEBUG

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

TEST(HasherDeathTest, MisuseAsserts) {
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
