// The batch mode on every lane kernel this CPU can run, each forced and then
// all of them as the library chooses among them step by step, against
// HashMessage message by message, fed piece by piece with lanes refilled as
// they finish.
//
// Input: for each of up to twelve messages a digest length, a length in bits
// and a piece size; then the messages' bytes, each taken in turn from the rest
// (shorter where the input runs out).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

#include "lane_driver.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<morv::test::LaneMessage> messages(input.ConsumeIntegralInRange(1, 12));
  for (auto& m : messages) {
    m.digestBits = input.ConsumeIntegralInRange(0, 512);
    m.bitCount = input.ConsumeIntegralInRange<std::size_t>(0, 8 * 1024);
    m.pieceBits = 8 * input.ConsumeIntegralInRange<std::size_t>(1, 300);
  }
  for (auto& m : messages) {
    m.bytes = input.ConsumeBytes<std::uint8_t>((m.bitCount + 7) / 8);
    m.bitCount = std::min(m.bitCount, 8 * m.bytes.size());
  }
  const auto check = [&](std::span<const morv::LaneKernel> kernels) {
    const auto digests = morv::test::HashOnLanes(kernels, messages);
    for (std::size_t i = 0; i < messages.size(); ++i) {
      std::uint8_t expected[64];
      morv::HashMessage(messages[i].digestBits, messages[i].bytes.data(), messages[i].bitCount, expected);
      MORV_REQUIRE(std::memcmp(digests[i].data(), expected, (messages[i].digestBits + 7) / 8) == 0);
    }
  };
  for (const auto& kernel : morv::LaneKernelsHere()) check({&kernel, 1});
  check(morv::LaneKernelsHere());
  return 0;
}
