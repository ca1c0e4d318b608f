// Drives the batch mode as morvsum does, for the batch tests and fuzz target:
// every lane takes the next piece of its message each round, a lane whose
// message has ended is finished, and starts again on the next message.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "forced_kernels.h"
#include "kernels.h"

namespace morv::test {

struct LaneMessage {
  int digestBits;
  std::vector<std::uint8_t> bytes;
  std::size_t bitCount;
  std::size_t pieceBits;  // a multiple of 8, at least 8
};

// The digests of the messages (64 bytes each, the first digestBits bits used).
inline std::vector<std::vector<std::uint8_t>> HashOnLanes(std::span<const LaneKernel> kernels,
                                                          const std::vector<LaneMessage>& messages) {
  std::vector<std::vector<std::uint8_t>> digests(messages.size(), std::vector<std::uint8_t>(64));
  BatchContext batch;
  std::size_t message[BatchLanes], taken[BatchLanes], next = 0;
  std::fill_n(message, BatchLanes, messages.size());  // none: the lane is idle
  for (bool busy = true; busy;) {
    const std::uint8_t* pieces[BatchLanes] = {};
    std::size_t bitCounts[BatchLanes] = {};
    std::uint8_t* ends[BatchLanes] = {};
    busy = false;
    for (int lane = 0; lane < BatchLanes; ++lane) {
      if (message[lane] == messages.size() && next < messages.size()) {
        message[lane] = next++;
        taken[lane] = 0;
        BatchInit(&batch, lane, messages[message[lane]].digestBits);
      }
      if (message[lane] == messages.size()) continue;
      busy = true;
      const LaneMessage& m = messages[message[lane]];
      if (taken[lane] == m.bitCount) {
        ends[lane] = digests[message[lane]].data();
        message[lane] = messages.size();
        continue;
      }
      bitCounts[lane] = std::min(m.pieceBits, m.bitCount - taken[lane]);
      pieces[lane] = m.bytes.data() + taken[lane] / 8;
      taken[lane] += bitCounts[lane];
    }
    BatchUpdateWith(kernels, &batch, pieces, bitCounts);
    BatchFinalWith(kernels, &batch, ends);
  }
  return digests;
}

}  // namespace morv::test
