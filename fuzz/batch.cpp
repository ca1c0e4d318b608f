// The batch mode on every lane kernel this CPU can run, against HashMessage
// lane by lane, on messages, digest lengths and piece sizes the fuzzer chooses.
//
// Input: per lane a digest length, a message length in bits and a piece size
// from the front; the messages are the bytes after them, each taken from the
// rest in turn (shorter where the input runs out). Each round, every lane with
// bits left takes its piece (its last one may end in a partial byte), and the
// lanes that have none left are finished.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kernels.h"
#include "require.h"

namespace {

struct Message {
  int digestBits;
  std::vector<std::uint8_t> bytes;
  std::size_t bitCount, pieceBits, taken = 0;
};

void Compare(const morv::LaneKernel& kernel, const std::vector<Message>& start) {
  std::vector<Message> lanes = start;
  morv::BatchContext batch;
  for (int lane = 0; lane < morv::BatchLanes; ++lane) morv::BatchInit(&batch, lane, lanes[lane].digestBits);
  std::uint8_t got[morv::BatchLanes][64];
  bool finished[morv::BatchLanes] = {};
  for (int open = morv::BatchLanes; open > 0;) {
    const std::uint8_t* pieces[morv::BatchLanes] = {};
    std::size_t bitCounts[morv::BatchLanes] = {};
    std::uint8_t* digests[morv::BatchLanes] = {};
    for (int lane = 0; lane < morv::BatchLanes; ++lane) {
      Message& m = lanes[lane];
      if (finished[lane]) continue;
      if (m.taken == m.bitCount) {
        digests[lane] = got[lane];
        finished[lane] = true;
        --open;
        continue;
      }
      bitCounts[lane] = std::min(m.pieceBits, m.bitCount - m.taken);
      pieces[lane] = m.bytes.data() + m.taken / 8;
      m.taken += bitCounts[lane];
    }
    morv::BatchUpdateWith(kernel, &batch, pieces, bitCounts);
    morv::BatchFinalWith(kernel, &batch, digests);
  }
  for (int lane = 0; lane < morv::BatchLanes; ++lane) {
    const Message& m = lanes[lane];
    std::uint8_t expected[64];
    morv::HashMessage(m.digestBits, m.bytes.data(), m.bitCount, expected);
    MORV_REQUIRE(std::memcmp(got[lane], expected, (m.digestBits + 7) / 8) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<Message> messages;
  for (int lane = 0; lane < morv::BatchLanes; ++lane) {
    const int digestBits = input.ConsumeIntegralInRange(0, 512);
    const std::size_t bitCount = input.ConsumeIntegralInRange<std::size_t>(0, 8 * 1024);
    const std::size_t pieceBits = 8 * input.ConsumeIntegralInRange<std::size_t>(1, 300);
    messages.push_back({digestBits, {}, bitCount, pieceBits});
  }
  for (Message& m : messages) {
    m.bytes = input.ConsumeBytes<std::uint8_t>((m.bitCount + 7) / 8);
    m.bitCount = std::min(m.bitCount, 8 * m.bytes.size());
  }
  for (const auto& kernel : morv::kLaneKernels) {
    if (kernel.runsHere()) Compare(kernel, messages);
  }
  return 0;
}
