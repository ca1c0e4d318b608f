// Known answers computed by an independent implementation, each checked three
// ways: one-shot, one streaming call, and one byte per call.
#include <algorithm>
#include <fstream>
#include <functional>

#include "morv.h"
#include "known_answers.h"

namespace morv::test {
namespace {

using Vector = KnownAnswer;

class KnownAnswerTest : public ::testing::TestWithParam<Vector> {};

std::string Digest(int digestBits, const std::function<void(HashContext*)>& absorb) {
  HashContext ctx;
  EXPECT_EQ(Init(&ctx, digestBits), 0);
  absorb(&ctx);
  Bytes digest((static_cast<std::size_t>(digestBits) + 7) / 8);
  EXPECT_EQ(Final(&ctx, digest.data()), 0);
  return ToHex(digest);
}

TEST_P(KnownAnswerTest, OneShotOneCallAndBytewise) {
  const Vector& v = GetParam();
  if (v.streamed) {
    const std::string got = Digest(v.digestBits, [&](HashContext* ctx) {
      for (std::size_t i = 0; i < v.count; ++i) ASSERT_EQ(Update(ctx, v.message.data(), 512), 0);
    });
    EXPECT_EQ(got, v.digest);
    return;
  }
  Bytes digest((static_cast<std::size_t>(v.digestBits) + 7) / 8);
  ASSERT_EQ(HashMessage(v.digestBits, v.message.data(), v.count, digest.data()), 0);
  EXPECT_EQ(ToHex(digest), v.digest) << "one-shot";

  EXPECT_EQ(Digest(v.digestBits, [&](HashContext* ctx) { Update(ctx, v.message.data(), v.count); }),
            v.digest)
      << "one Update";

  EXPECT_EQ(Digest(v.digestBits,
                   [&](HashContext* ctx) {
                     const std::size_t whole = v.count / 8;
                     for (std::size_t i = 0; i < whole; ++i) Update(ctx, &v.message[i], 8);
                     if (v.count % 8) Update(ctx, &v.message[whole], v.count % 8);
                   }),
            v.digest)
      << "byte by byte";
}

std::string VectorName(const ::testing::TestParamInfo<Vector>& info) {
  const Vector& v = info.param;
  return (v.streamed ? "Streamed" : "Message") + std::to_string(info.index) + "_d" +
         std::to_string(v.digestBits) + (v.streamed ? "_x" : "_bits") + std::to_string(v.count);
}

INSTANTIATE_TEST_SUITE_P(Vectors, KnownAnswerTest, ::testing::ValuesIn(LoadKnownAnswers()), VectorName);

TEST(KnownAnswerFile, HoldsBothWidthsAndBothKinds) {
  const auto vectors = LoadKnownAnswers();
  EXPECT_GE(vectors.size(), 60u);
  EXPECT_TRUE(std::any_of(vectors.begin(), vectors.end(), [](auto& v) { return v.digestBits > 512; }));
  EXPECT_TRUE(std::any_of(vectors.begin(), vectors.end(), [](auto& v) { return v.streamed; }));
}

}  // namespace
}  // namespace morv::test
