// The C++ layer against the core: the same digests for both widths, however a
// message is split and whatever its length in bits; and misuse is loud.
//
// Assertions stay on in this file, whatever the build type, so that the
// misuse checks of the layer can be observed.
#undef NDEBUG

#include "hasher.h"

#include <algorithm>
#include <array>

#include "test_util.h"

namespace morv::test {
namespace {

Bytes CoreDigest(int digestBits, const Bytes& message, std::size_t bits) {
  Bytes digest(digestBytes(digestBits));
  EXPECT_EQ(HashMessage(digestBits, message.data(), bits, digest.data()), 0);
  return digest;
}

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& digest) {
  return Bytes(digest.begin(), digest.end());
}

// Lengths around the block sizes of both widths.
constexpr std::size_t kLengths[] = {0, 1, 63, 64, 65, 127, 128, 129, 1000};

TEST(OneShot, FixedLengthsMatchTheCore) {
  using Fixed = Bytes (*)(std::span<const std::uint8_t>);
  const std::pair<int, Fixed> rows[] = {
      {224, [](std::span<const std::uint8_t> m) { return ToBytes(hash224(m)); }},
      {256, [](std::span<const std::uint8_t> m) { return ToBytes(hash256(m)); }},
      {384, [](std::span<const std::uint8_t> m) { return ToBytes(hash384(m)); }},
      {512, [](std::span<const std::uint8_t> m) { return ToBytes(hash512(m)); }},
      {1024, [](std::span<const std::uint8_t> m) { return ToBytes(hash1024(m)); }},
  };
  for (const auto& [digestBits, fixed] : rows) {
    for (const std::size_t length : kLengths) {
      const Bytes message = RandomBytes(length, static_cast<std::uint32_t>(length));
      EXPECT_EQ(fixed(message), CoreDigest(digestBits, message, 8 * length))
          << digestBits << " " << length;
    }
  }
}

// Any digest length, including partial bytes, and not one byte written beyond
// the digest.
TEST(OneShot, AnyLengthMatchesTheCoreAndStaysInsideItsDigest) {
  for (const int digestBits : {0, 1, 100, 256, 513, 1000, 1024, 2048}) {
    for (const std::size_t length : kLengths) {
      const Bytes message = RandomBytes(length, static_cast<std::uint32_t>(digestBits + length));
      Bytes out(digestBytes(digestBits) + 8, 0xA5);
      hash(digestBits, message, out);
      const Bytes digest(out.begin(),
                         out.begin() + static_cast<std::ptrdiff_t>(digestBytes(digestBits)));
      EXPECT_EQ(digest, CoreDigest(digestBits, message, 8 * length)) << digestBits << " " << length;
      EXPECT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(digest.size()), out.end(),
                              [](std::uint8_t b) { return b == 0xA5; }))
          << digestBits << " " << length;
    }
  }
}

// The message in pieces that end at the given offsets, then the rest.
template <int DigestBits>
Bytes HashInPieces(const Bytes& message, std::initializer_list<std::size_t> cuts) {
  Hasher<DigestBits> hasher;
  std::span<const std::uint8_t> rest = message;
  std::size_t done = 0;
  for (const std::size_t cut : cuts) {
    hasher.update(rest.first(cut - done));
    rest = rest.subspan(cut - done);
    done = cut;
  }
  hasher.update(rest);
  return ToBytes(hasher.finish());
}

TEST(Hasher, SplitUpdatesMatchTheCoreForBothWidths) {
  const Bytes message = RandomBytes(400, 7);
  const std::initializer_list<std::size_t> splits[] = {
      {}, {0}, {400}, {1}, {63}, {64}, {65}, {127, 128, 129}, {1, 2, 3, 200, 399}, {0, 0, 256, 256},
  };
  for (const auto& cuts : splits) {
    EXPECT_EQ(HashInPieces<512>(message, cuts), CoreDigest(512, message, 8 * message.size()));
    EXPECT_EQ(HashInPieces<1024>(message, cuts), CoreDigest(1024, message, 8 * message.size()));
  }
}

// Whole bytes through update, then the rest, whole bytes and partial last
// byte, through updateBits.
template <int DigestBits>
Bytes HashBits(const Bytes& message, std::size_t bits, std::size_t wholeBytesFirst) {
  Hasher<DigestBits> hasher;
  hasher.update(std::span(message).first(wholeBytesFirst));
  hasher.updateBits(std::span(message).subspan(wholeBytesFirst), bits - 8 * wholeBytesFirst);
  return ToBytes(hasher.finish());
}

TEST(Hasher, BitLengthMessagesMatchTheCoreForBothWidths) {
  struct Row {
    std::size_t bits;
    std::size_t wholeBytesFirst;
  };
  const Row rows[] = {{1, 0},    {7, 0},      {8, 0},      {9, 1},   {511, 0},
                      {513, 64}, {1023, 100}, {1025, 128}, {2047, 3}};
  for (const Row& row : rows) {
    // Bits beyond the length are set, so that any use of them shows.
    Bytes message = RandomBytes((row.bits + 7) / 8, static_cast<std::uint32_t>(row.bits));
    if (row.bits % 8 != 0) message.back() |= static_cast<std::uint8_t>(0xFF >> (row.bits % 8));
    EXPECT_EQ(HashBits<512>(message, row.bits, row.wholeBytesFirst),
              CoreDigest(512, message, row.bits))
        << row.bits;
    EXPECT_EQ(HashBits<1024>(message, row.bits, row.wholeBytesFirst),
              CoreDigest(1024, message, row.bits))
        << row.bits;
  }
}

TEST(Hasher, ResetStartsANewMessage) {
  const Bytes first = RandomBytes(100, 1);
  const Bytes second = RandomBytes(70, 2);
  Hasher<256> hasher;
  hasher.updateBits(first, 795);
  (void)hasher.finish();
  hasher.reset();
  hasher.update(second);
  EXPECT_EQ(ToBytes(hasher.finish()), ToBytes(hash256(second)));
}

// The layer adds nothing to the core's context.
static_assert(sizeof(Hasher<256>) == sizeof(HashContext));
static_assert(sizeof(Hasher<1024>) == sizeof(HashContext));

// Each misuse stops the program with its own assertion.
TEST(HasherDeathTest, MisuseAsserts) {
  const Bytes message = RandomBytes(10, 3);
  const std::pair<const char*, void (*)(const Bytes&)> rows[] = {
      {"after finish",
       [](const Bytes& m) {
         Hasher<512> hasher;
         (void)hasher.finish();
         hasher.update(m);
       }},
      {"update after a partial byte",
       [](const Bytes& m) {
         Hasher<1024> hasher;
         hasher.updateBits(m, 3);
         hasher.update(m);
       }},
      {"updateBits after a partial byte",
       [](const Bytes& m) {
         Hasher<512> hasher;
         hasher.updateBits(m, 13);
         hasher.updateBits(m, 8);
       }},
      {"finish twice without reset",
       [](const Bytes& m) {
         Hasher<1024> hasher;
         hasher.update(m);
         (void)hasher.finish();
         (void)hasher.finish();
       }},
      {"bitCount beyond the span",
       [](const Bytes& m) { Hasher<256>{}.updateBits(m, 8 * m.size() + 1); }},
      {"digest too small",
       [](const Bytes& m) {
         std::array<std::uint8_t, 31> out{};
         hash(256, m, out);
       }},
  };
  for (const auto& [assertion, run] : rows) {
    EXPECT_DEATH(run(message), assertion);
  }
}

}  // namespace
}  // namespace morv::test
