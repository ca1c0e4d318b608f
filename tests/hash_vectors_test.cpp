// The independent known answers, each through the mode on every pair of message
// kernels (forced), through HashMessage on the kernels this CPU chooses, and
// through the C++ layer; how a message is split never matters
// (hash_properties_test.cpp).
#include <map>

#include "forced_kernels.h"
#include "hasher.h"
#include "known_answers.h"

namespace morv::test {
namespace {

class Vector : public ::testing::TestWithParam<KnownAnswer> {};

// Init, the message (a streamed case's chunk, `count` times), Final.
std::string ThroughMode(const KernelChoice& kernels, const KnownAnswer& v) {
  HashContext ctx;
  EXPECT_EQ(InitWith(kernels, &ctx, v.digestBits), 0);
  for (std::size_t i = 0; i < (v.streamed ? v.count : 1); ++i) {
    EXPECT_EQ(UpdateWith(kernels, &ctx, v.message.data(), v.streamed ? 512 : v.count), 0);
  }
  Bytes digest(digestBytes(v.digestBits));
  EXPECT_EQ(FinalWith(kernels, &ctx, digest.data()), 0);
  return ToHex(digest);
}

// The C++ layer at a fixed length: a streamed case's chunks, or the whole bytes
// in two pieces, then the partial last byte, if any, through updateBits.
template <int N>
std::string ThroughHasher(const KnownAnswer& v) {
  const std::span<const std::uint8_t> message(v.message);
  Hasher<N> hasher;
  for (std::size_t i = 0; v.streamed && i < v.count; ++i) hasher.update(message);
  if (!v.streamed) {
    hasher.update(message.first(v.count / 16));
    hasher.update(message.subspan(v.count / 16, v.count / 8 - v.count / 16));
    hasher.updateBits(message.subspan(v.count / 8), v.count % 8);
  }
  const auto digest = hasher.finish();
  return ToHex(digest.data(), digest.size());
}

TEST_P(Vector, EveryWay) {
  const KnownAnswer& v = GetParam();
  for (const auto& kernel512 : kMessageKernels512) {
    for (const auto& kernel1024 : kMessageKernels1024) {
      // A kernel that this CPU cannot run is reported by hash_kernels_test.cpp.
      if (!kernel512.runsHere() || !kernel1024.runsHere()) continue;
      EXPECT_EQ(ThroughMode({kernel512.processBlocks, kernel1024.processBlocks}, v), v.digest)
          << kernel512.name << " and " << kernel1024.name;
    }
  }
  if (!v.streamed) {
    Bytes digest(digestBytes(v.digestBits));
    ASSERT_EQ(HashMessage(v.digestBits, v.message.data(), v.count, digest.data()), 0);
    EXPECT_EQ(ToHex(digest), v.digest) << "HashMessage";
  }
  if (!v.streamed && v.count % 8 == 0) {
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
