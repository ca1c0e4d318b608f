// Each kernel this CPU can run against the portable one, on inputs the fuzzer
// chooses: ProcessBlocks from any context (chain, tweak with any flags and
// count) over any blocks. (With every kernel forced, the test suite checks the
// whole hash against the known answers.)
//
// Input: the last byte picks the width; a context from the front, a byte count
// to add from the end and the blocks between, exactly as long as given, so
// that a read past them is caught.
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
  for (const auto& kernel : morv::MessageKernels<Ctx>()) {
    if (!kernel.runsHere()) continue;
    Ctx ctx = start;
    kernel.processBlocks(&ctx, blocks.data(), count, byteCountAdd);
    MORV_REQUIRE(std::memcmp(&ctx, &expected, sizeof ctx) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  if (input.ConsumeBool()) {
    CompareBlocks<morv::Ctx1024>(input);
  } else {
    CompareBlocks<morv::Ctx512>(input);
  }
  return 0;
}
