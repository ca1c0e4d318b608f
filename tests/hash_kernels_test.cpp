// Every kernel of kernels.h that this CPU can run gives exactly the portable
// ProcessBlocks' chain and tweak, and with each kernel forced the whole hash
// gives every independent known answer. A kernel the CPU cannot run is skipped.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "forced_kernels.h"
#include "kernels.h"
#include "known_answers.h"

namespace morv::test {
namespace {

// A kernel of either width; the other width runs the portable kernel.
struct AnyKernel {
  std::string name;
  const Kernel<Ctx512>* kernel512;
  const Kernel<Ctx1024>* kernel1024;

  KernelChoice Forced() const {
    return {(kernel512 ? kernel512 : &kMessageKernels512[0])->processBlocks,
            (kernel1024 ? kernel1024 : &kMessageKernels1024[0])->processBlocks};
  }
  friend void PrintTo(const AnyKernel& k, std::ostream* os) { *os << k.name; }
};

std::vector<AnyKernel> AllKernels() {
  std::vector<AnyKernel> all;
  for (const auto& k : kMessageKernels512) all.push_back({std::string(k.name) + " 512", &k, nullptr});
  for (const auto& k : kMessageKernels1024) all.push_back({std::string(k.name) + " 1024", nullptr, &k});
  return all;
}

class KernelTest : public ::testing::TestWithParam<AnyKernel> {
 protected:
  void SetUp() override {
    const AnyKernel& k = GetParam();
    if (!(k.kernel512 ? k.kernel512->runsHere() : k.kernel1024->runsHere())) {
      GTEST_SKIP() << "this CPU cannot run the kernel " << k.name;
    }
  }
};

// Random chains, tweaks (any flags, T0 anywhere, so the count wraps) and block
// counts, with byte counts of a whole block, none, a few and any; every fifth
// case processes the context's own buffer.
template <class Ctx>
void ExpectPortableResults(const Kernel<Ctx>& kernel) {
  constexpr std::size_t B = sizeof(Ctx::buffer);
  for (std::uint32_t seed = 0; seed < 300; ++seed) {
    const Bytes random = RandomBytes(sizeof(Ctx) + 5 * B + 8, seed);
    Ctx expected;
    std::memcpy(&expected, random.data(), sizeof expected);
    Ctx ctx = expected;
    std::uint64_t add;
    std::memcpy(&add, random.data() + sizeof(Ctx), 8);
    const std::size_t adds[] = {B, 0, 8, static_cast<std::size_t>(add)};
    const std::size_t byteCountAdd = adds[seed % 4];
    const std::uint8_t* blocks = random.data() + sizeof(Ctx) + 8;
    const bool ownBuffer = seed % 5 == 0;
    const std::size_t count = ownBuffer ? 1 : seed % 6;

    ProcessBlocks(&expected, ownBuffer ? expected.buffer : blocks, count, byteCountAdd);
    kernel.processBlocks(&ctx, ownBuffer ? ctx.buffer : blocks, count, byteCountAdd);
    EXPECT_EQ(std::memcmp(&ctx, &expected, sizeof ctx), 0) << "seed " << seed;
  }
}

TEST_P(KernelTest, GivesThePortableChainAndTweak) {
  const AnyKernel& k = GetParam();
  if (k.kernel512) ExpectPortableResults(*k.kernel512);
  if (k.kernel1024) ExpectPortableResults(*k.kernel1024);
}

TEST_P(KernelTest, GivesEveryKnownAnswer) {
  const KernelChoice kernels = GetParam().Forced();
  for (const KnownAnswer& v : LoadKnownAnswers()) {
    HashContext ctx;
    ASSERT_EQ(InitWith(kernels, &ctx, v.digestBits), 0);
    for (std::size_t i = 0; i < (v.streamed ? v.count : 1); ++i) {
      ASSERT_EQ(UpdateWith(kernels, &ctx, v.message.data(), v.streamed ? 512 : v.count), 0);
    }
    Bytes digest((static_cast<std::size_t>(v.digestBits) + 7) / 8);
    ASSERT_EQ(FinalWith(kernels, &ctx, digest.data()), 0);
    EXPECT_EQ(ToHex(digest), v.digest) << v.digestBits << " bits, " << v.count;
  }
}

std::string ParamName(const ::testing::TestParamInfo<AnyKernel>& info) {
  std::string name = info.param.name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelTest, ::testing::ValuesIn(AllKernels()), ParamName);

}  // namespace
}  // namespace morv::test
