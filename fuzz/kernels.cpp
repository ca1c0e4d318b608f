// Each kernel this CPU can run against the portable one, on inputs the fuzzer
// chooses: ProcessBlocks from any context (chain, tweak with any flags and
// count) over any blocks, and the whole hash of any message to any digest
// length with the kernel forced.
//
// Input: the last byte picks the width and what to compare. Then either a
// context from the front, a byte count to add from the end and the blocks
// between; or a digest length from the end and the message before it. The
// blocks and the message are exactly as long as given, so that a read past
// them is caught.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "kernels.h"
#include "require.h"

namespace {

template <class Ctx>
void CompareBlocks(FuzzedDataProvider& input) {
  Ctx start{};
  const std::vector<std::uint8_t> state = input.ConsumeBytes<std::uint8_t>(sizeof start);
  if (!state.empty()) std::memcpy(&start, state.data(), state.size());
  const auto byteCountAdd = input.ConsumeIntegral<std::size_t>();
  const std::vector<std::uint8_t> blocks = input.ConsumeRemainingBytes<std::uint8_t>();
  const std::size_t count = blocks.size() / sizeof start.buffer;

  Ctx expected = start;
  morv::ProcessBlocks(&expected, blocks.data(), count, byteCountAdd);
  for (const auto& kernel : morv::Kernels<Ctx>()) {
    if (!kernel.runsHere()) continue;
    Ctx ctx = start;
    kernel.processBlocks(&ctx, blocks.data(), count, byteCountAdd);
    MORV_REQUIRE(std::memcmp(&ctx, &expected, sizeof ctx) == 0);
  }
}

std::vector<std::uint8_t> Digest(const morv::KernelChoice& kernels, int digestBits,
                                 const std::vector<std::uint8_t>& message) {
  std::vector<std::uint8_t> digest((static_cast<std::size_t>(digestBits) + 7) / 8);
  morv::HashContext ctx;
  MORV_REQUIRE(morv::InitWith(kernels, &ctx, digestBits) == 0);
  MORV_REQUIRE(morv::UpdateWith(kernels, &ctx, message.data(), 8 * message.size()) == 0);
  MORV_REQUIRE(morv::FinalWith(kernels, &ctx, digest.data()) == 0);
  return digest;
}

void CompareDigests(FuzzedDataProvider& input) {
  const int digestBits = input.ConsumeIntegralInRange(0, 2100);
  const std::vector<std::uint8_t> message = input.ConsumeRemainingBytes<std::uint8_t>();
  const morv::KernelChoice portable{morv::kKernels512[0].processBlocks,
                                    morv::kKernels1024[0].processBlocks};
  const std::vector<std::uint8_t> expected = Digest(portable, digestBits, message);
  for (const auto& k : morv::kKernels512) {
    if (k.runsHere()) {
      MORV_REQUIRE(Digest({k.processBlocks, portable.width1024}, digestBits, message) == expected);
    }
  }
  for (const auto& k : morv::kKernels1024) {
    if (k.runsHere()) {
      MORV_REQUIRE(Digest({portable.width512, k.processBlocks}, digestBits, message) == expected);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  switch (input.ConsumeIntegral<std::uint8_t>() % 3) {
    case 0: CompareBlocks<morv::Ctx512>(input); break;
    case 1: CompareBlocks<morv::Ctx1024>(input); break;
    default: CompareDigests(input); break;
  }
  return 0;
}
