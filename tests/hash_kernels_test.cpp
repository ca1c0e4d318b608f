// Every message kernel of kernels.h that this CPU can run gives exactly the
// portable ProcessBlocks' chain and tweak (with each kernel forced, the whole
// hash gives every known answer: hash_vectors_test.cpp). A kernel the CPU
// cannot run is skipped.
#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "kernels.h"
#include "test_util.h"

namespace morv::test {
namespace {

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

// A kernel of either width: its name, whether it runs here, its check.
struct AnyKernel {
  std::string name;
  bool runsHere;
  std::function<void()> check;
};

std::vector<AnyKernel> AllKernels() {
  std::vector<AnyKernel> all;
  for (const auto& k : kMessageKernels512)
    all.push_back({std::string(k.name) + "_512", k.runsHere(), [&k] { ExpectPortableResults(k); }});
  for (const auto& k : kMessageKernels1024)
    all.push_back({std::string(k.name) + "_1024", k.runsHere(), [&k] { ExpectPortableResults(k); }});
  return all;
}

class KernelTest : public ::testing::TestWithParam<AnyKernel> {};

TEST_P(KernelTest, GivesThePortableChainAndTweak) {
  if (!GetParam().runsHere) GTEST_SKIP() << "this CPU cannot run the kernel " << GetParam().name;
  GetParam().check();
}

std::string ParamName(const ::testing::TestParamInfo<AnyKernel>& info) {
  std::string name = info.param.name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelTest, ::testing::ValuesIn(AllKernels()), ParamName);

}  // namespace
}  // namespace morv::test
