// The C++ layer's own rules (its digests are checked with the known answers):
// every kind of byte range gives what its span gives, and nothing else is
// taken; toHex; reset starts a new message, the layer adds nothing to the
// core's context, each misuse stops a build with assertions on with its own
// message, and a span too short for what it is asked to hold is never read or
// written past in any build.
#include "hasher.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "test_util.h"

namespace morv::test {
namespace {

static_assert(sizeof(Hasher<256>) == sizeof(HashContext));
static_assert(sizeof(Hasher<1024>) == sizeof(HashContext));

// What each kind of call of the layer makes of one message, held as a Message:
// a fixed length, a length given, and a Hasher in two updates, then in bits.
template <class Message>
std::vector<std::string> EveryCall(const Message& message) {
  std::vector<std::string> digests;
  const auto add = [&](const auto& digest) { digests.push_back(ToHex(digest.data(), digest.size())); };
  add(hash224(message));
  add(hash1024(message));
  std::array<std::uint8_t, digestBytes(1000)> longDigest;
  hash(1000, message, longDigest);
  add(longDigest);
  Hasher<512> whole, bits;
  whole.update(message);
  whole.update(message);
  add(whole.finish());
  bits.updateBits(message, 8 * std::size(message) - 3);
  add(bits.finish());
  return digests;
}

template <class T>
std::vector<T> As(const Bytes& bytes) {
  std::vector<T> copy(bytes.size());
  std::transform(bytes.begin(), bytes.end(), copy.begin(), [](std::uint8_t b) { return T(b); });
  return copy;
}

constexpr std::size_t kTableBytes = 130;  // two 512-bit blocks and a little

struct RangeKind {
  const char* name;
  std::vector<std::string> (*digests)(const Bytes&);
};

// One of each kind of element and of container (a view, a string, a vector, an array).
const RangeKind kRangeKinds[] = {
    {"span<uint8_t>", [](const Bytes& m) { Bytes c = m; return EveryCall(std::span<std::uint8_t>(c)); }},
    {"span<const byte>", [](const Bytes& m) { return EveryCall(std::as_bytes(std::span(m))); }},
    {"string", [](const Bytes& m) { return EveryCall(std::string(m.begin(), m.end())); }},
    {"u8string", [](const Bytes& m) { return EveryCall(std::u8string(m.begin(), m.end())); }},
    {"vector<signed char>", [](const Bytes& m) { return EveryCall(As<signed char>(m)); }},
    {"uint8_t[]", [](const Bytes& m) {
       std::uint8_t a[kTableBytes];
       std::copy(m.begin(), m.end(), a);
       return EveryCall(a);
     }},
};

TEST(Hasher, EveryByteRangeGivesItsSpansDigests) {
  const Bytes message = RandomBytes(kTableBytes, 4);
  const std::vector<std::string> expected = EveryCall(std::span<const std::uint8_t>(message));
  for (const RangeKind& kind : kRangeKinds) EXPECT_EQ(kind.digests(message), expected) << kind.name;
}

// A string literal would bring its terminating NUL, and elements wider than a
// byte or not in one piece have no single reading as bytes.
template <class Message>
concept Hashable = requires(const Message& m, Hasher<256> h) {
  hash256(m);
  h.update(m);
};
static_assert(Hashable<std::string> && Hashable<std::array<std::byte, 4>> && Hashable<unsigned char[4]>);
static_assert(!Hashable<char[4]> && !Hashable<const char*> && !Hashable<std::vector<int>> &&
              !Hashable<std::vector<bool>> && !Hashable<std::list<std::uint8_t>> &&
              !Hashable<std::array<bool, 4>> && !Hashable<std::u16string>);

TEST(Hasher, ToHexIsLowerCaseText) {
  static_assert(sizeof(HexDigest<32>) == 65, "the text is held in place");
  const auto hex = toHex(std::array<std::uint8_t, 4>{0x0f, 0xa0, 0x00, 0x9b});
  std::ostringstream printed;
  printed << hex;
  EXPECT_EQ(printed.str(), "0fa0009b");
  EXPECT_EQ(std::string_view(hex), "0fa0009b");
  EXPECT_EQ(std::string(hex.c_str()), "0fa0009b");
}

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
