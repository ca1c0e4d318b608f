// The independent known answers, each checked through the core two ways
// (one-shot, one Update) and through the C++ layer; how a message is split
// never matters (hash_properties_test.cpp).
#include <algorithm>
#include <map>

#include "hasher.h"
#include "known_answers.h"

namespace morv::test {
namespace {

class Vector : public ::testing::TestWithParam<KnownAnswer> {};

// Init, then `absorb` on the context, then Final.
template <class Absorb>
std::string Streamed(int digestBits, Absorb absorb) {
  HashContext ctx;
  EXPECT_EQ(Init(&ctx, digestBits), 0);
  absorb(&ctx);
  Bytes digest(digestBytes(digestBits));
  EXPECT_EQ(Final(&ctx, digest.data()), 0);
  return ToHex(digest);
}

// The C++ layer at a fixed length: the whole bytes in two pieces, then the
// partial last byte, if any, through updateBits.
template <int N>
std::string ThroughHasher(const KnownAnswer& v) {
  const std::span<const std::uint8_t> message(v.message);
  Hasher<N> hasher;
  hasher.update(message.first(v.count / 16));
  hasher.update(message.subspan(v.count / 16, v.count / 8 - v.count / 16));
  hasher.updateBits(message.subspan(v.count / 8), v.count % 8);
  const auto digest = hasher.finish();
  return ToHex(digest.data(), digest.size());
}

TEST_P(Vector, EveryWay) {
  const KnownAnswer& v = GetParam();
  if (v.streamed) {
    EXPECT_EQ(Streamed(v.digestBits, [&](HashContext* ctx) {
                for (std::size_t i = 0; i < v.count; ++i) ASSERT_EQ(Update(ctx, v.message.data(), 512), 0);
              }),
              v.digest);
    return;
  }
  Bytes digest(digestBytes(v.digestBits));
  ASSERT_EQ(HashMessage(v.digestBits, v.message.data(), v.count, digest.data()), 0);
  EXPECT_EQ(ToHex(digest), v.digest) << "one-shot";
  EXPECT_EQ(Streamed(v.digestBits, [&](HashContext* ctx) { Update(ctx, v.message.data(), v.count); }),
            v.digest)
      << "one Update";

  if (v.count % 8 == 0) {
    Bytes viaLayer(digestBytes(v.digestBits));
    hash(v.digestBits, v.message, viaLayer);
    EXPECT_EQ(ToHex(viaLayer), v.digest) << "morv::hash";
  }
  const std::map<int, std::string (*)(const KnownAnswer&)> hashers = {
      {224, ThroughHasher<224>}, {256, ThroughHasher<256>},   {384, ThroughHasher<384>},
      {512, ThroughHasher<512>}, {1024, ThroughHasher<1024>}};
  if (hashers.contains(v.digestBits)) {
    EXPECT_EQ(hashers.at(v.digestBits)(v), v.digest) << "Hasher";
  }
}

std::string VectorName(const ::testing::TestParamInfo<KnownAnswer>& info) {
  const KnownAnswer& v = info.param;
  return (v.streamed ? "Streamed" : "Message") + std::to_string(info.index) + "_d" +
         std::to_string(v.digestBits) + (v.streamed ? "_x" : "_bits") + std::to_string(v.count);
}

INSTANTIATE_TEST_SUITE_P(Known, Vector, ::testing::ValuesIn(LoadKnownAnswers()), VectorName);

}  // namespace
}  // namespace morv::test
