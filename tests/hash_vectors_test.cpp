// Known answers computed by an independent implementation, each checked three
// ways: one-shot, one streaming call, and one byte per call.
#include <algorithm>
#include <fstream>
#include <functional>

#include "morv.h"
#include "test_util.h"

namespace morv::test {
namespace {

struct Vector {
  int digestBits;
  Bytes message;         // one-shot cases: the message; streamed cases: the chunk
  std::size_t bits;      // one-shot cases: message bits; streamed cases: the repeat count
  bool streamed;
  std::string expected;  // upper-case hex, '-' when empty

  friend void PrintTo(const Vector& v, std::ostream* os) { *os << v.digestBits << " " << v.expected; }
};

std::vector<Vector> LoadVectors() {
  std::ifstream in(MORV_TEST_DATA "/hash_vectors.txt");
  std::vector<Vector> vectors;
  bool streamed = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("# Streamed", 0) == 0) streamed = true;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Vector v{};
    std::string message;
    if (streamed) {
      fields >> v.digestBits >> message >> v.bits >> v.expected;
    } else {
      fields >> v.digestBits >> v.bits >> message >> v.expected;
    }
    v.message = FromHex(message);
    v.streamed = streamed;
    vectors.push_back(v);
  }
  return vectors;
}

class KnownAnswer : public ::testing::TestWithParam<Vector> {};

std::string Digest(int digestBits, const std::function<void(HashContext*)>& absorb) {
  HashContext ctx;
  EXPECT_EQ(Init(&ctx, digestBits), 0);
  absorb(&ctx);
  Bytes digest((static_cast<std::size_t>(digestBits) + 7) / 8);
  EXPECT_EQ(Final(&ctx, digest.data()), 0);
  return ToHex(digest);
}

TEST_P(KnownAnswer, OneShotOneCallAndBytewise) {
  const Vector& v = GetParam();
  if (v.streamed) {
    const std::string got = Digest(v.digestBits, [&](HashContext* ctx) {
      for (std::size_t i = 0; i < v.bits; ++i) ASSERT_EQ(Update(ctx, v.message.data(), 512), 0);
    });
    EXPECT_EQ(got, v.expected);
    return;
  }
  Bytes digest((static_cast<std::size_t>(v.digestBits) + 7) / 8);
  ASSERT_EQ(HashMessage(v.digestBits, v.message.data(), v.bits, digest.data()), 0);
  EXPECT_EQ(ToHex(digest), v.expected) << "one-shot";

  EXPECT_EQ(Digest(v.digestBits, [&](HashContext* ctx) { Update(ctx, v.message.data(), v.bits); }),
            v.expected)
      << "one Update";

  EXPECT_EQ(Digest(v.digestBits,
                   [&](HashContext* ctx) {
                     const std::size_t whole = v.bits / 8;
                     for (std::size_t i = 0; i < whole; ++i) Update(ctx, &v.message[i], 8);
                     if (v.bits % 8) Update(ctx, &v.message[whole], v.bits % 8);
                   }),
            v.expected)
      << "byte by byte";
}

std::string VectorName(const ::testing::TestParamInfo<Vector>& info) {
  const Vector& v = info.param;
  return (v.streamed ? "Streamed" : "Message") + std::to_string(info.index) + "_d" +
         std::to_string(v.digestBits) + (v.streamed ? "_x" : "_bits") + std::to_string(v.bits);
}

INSTANTIATE_TEST_SUITE_P(Vectors, KnownAnswer, ::testing::ValuesIn(LoadVectors()), VectorName);

TEST(KnownAnswerFile, HoldsBothWidthsAndBothKinds) {
  const auto vectors = LoadVectors();
  EXPECT_GE(vectors.size(), 60u);
  EXPECT_TRUE(std::any_of(vectors.begin(), vectors.end(), [](auto& v) { return v.digestBits > 512; }));
  EXPECT_TRUE(std::any_of(vectors.begin(), vectors.end(), [](auto& v) { return v.streamed; }));
}

}  // namespace
}  // namespace morv::test
