// The batch mode: Update's and Final's rules for each lane of a BatchContext,
// with the blocks of all lanes handed to a lane kernel together.
//
// Each call first works out, lane by lane and exactly as the single-message mode does,
// which blocks the lane must process: at most two runs, its buffered block and
// then whole blocks straight from its message. The runs then go through the
// lane kernels in steps as long as the shortest run among the lanes still
// working, each step on the kernel that fits the number of lanes working in it
// (FitLaneKernel): as lanes finish, the work moves to a narrower kernel, and
// at last to one lane at a time.
#include <algorithm>
#include <span>
#include <utility>

#include "forced_kernels.h"
#include "kernels.h"
#include "mode_steps.h"
#include "morv.h"

namespace morv {
namespace {

constexpr std::size_t B = kBlockBytes<Ctx512>;

struct Run {
  const std::uint8_t* blocks = nullptr;
  std::size_t count = 0;
  std::size_t byteCountAdd = B;
};

// What each lane has to process, in order: runs[lane][0], then runs[lane][1].
using LaneRuns = Run[BatchLanes][2];

void ProcessRuns(std::span<const LaneKernel> kernels, BatchContext* batch, LaneRuns& runs) {
  for (;;) {
    int working[BatchLanes];
    int workingCount = 0;
    for (int lane = 0; lane < BatchLanes; ++lane) {
      if (runs[lane][0].count == 0) std::swap(runs[lane][0], runs[lane][1]);
      if (runs[lane][0].count != 0) working[workingCount++] = lane;
    }
    if (workingCount == 0) return;

    std::size_t step = SIZE_MAX;
    for (int i = 0; i < workingCount; ++i) step = std::min(step, runs[working[i]][0].count);

    // More working lanes than the widest kernel takes go in groups, each on
    // the kernel that fits the lanes left; a group short of its kernel's width
    // is filled up with spare contexts that reread its last lane's blocks.
    for (int first = 0, group = 0; first < workingCount; first += group) {
      const LaneKernel& kernel = FitLaneKernel(kernels, workingCount - first);
      group = std::min(kernel.lanes, workingCount - first);
      Lane lanes[BatchLanes];
      Ctx512 spare[BatchLanes];
      for (int i = 0; i < kernel.lanes; ++i) {
        const int lane = working[first + std::min(i, group - 1)];
        const Run& run = runs[lane][0];
        if (i >= group) spare[i] = Ctx512{};
        lanes[i] = {i < group ? &batch->lanes[lane] : &spare[i], run.blocks, run.byteCountAdd};
      }
      kernel.processLanes(lanes, step);
    }

    for (int i = 0; i < workingCount; ++i) {
      Run& run = runs[working[i]][0];
      run.blocks += step * B;
      run.count -= step;
    }
  }
}

// Update of whole bytes in every lane with a message: each lane's steps as the
// single-message mode plans them, its blocks processed together with the other lanes'.
void UpdateLanes(std::span<const LaneKernel> kernels, BatchContext* batch,
                 const std::uint8_t* const messages[BatchLanes],
                 const std::size_t byteCounts[BatchLanes]) {
  LaneRuns runs{};
  UpdateSteps steps[BatchLanes];
  for (int lane = 0; lane < BatchLanes; ++lane) {
    if (messages[lane] == nullptr) continue;
    Ctx512& ctx = batch->lanes[lane];
    steps[lane] = PlanUpdate(&ctx, messages[lane], byteCounts[lane]);
    if (steps[lane].bufferFull) runs[lane][0] = {ctx.buffer, 1};
    runs[lane][1] = {steps[lane].blocks, steps[lane].blockCount};
  }
  ProcessRuns(kernels, batch, runs);
  for (int lane = 0; lane < BatchLanes; ++lane) KeepRest(&batch->lanes[lane], steps[lane]);
}

bool IsLane(int lane) { return lane >= 0 && lane < BatchLanes; }

}  // namespace

int BatchInit(BatchContext* batch, int lane, int digestBits) {
  if (!IsLane(lane) || digestBits < 0 || digestBits > 512) return 1;
  return Init512(&batch->lanes[lane], static_cast<std::size_t>(digestBits));
}

// A partial last byte is padded as the single-message mode pads it, and absorbed by a
// second pass over the lanes that have one.
int BatchUpdateWith(std::span<const LaneKernel> kernels, BatchContext* batch,
                    const std::uint8_t* const messages[BatchLanes],
                    const std::size_t bitCounts[BatchLanes]) {
  std::size_t wholeBytes[BatchLanes];
  std::uint8_t padded[BatchLanes];
  const std::uint8_t* partial[BatchLanes] = {};
  const std::size_t one[BatchLanes] = {1, 1, 1, 1, 1, 1, 1, 1};
  bool anyPartial = false;
  for (int lane = 0; lane < BatchLanes; ++lane) {
    wholeBytes[lane] = bitCounts[lane] / 8;
    if (messages[lane] == nullptr || bitCounts[lane] % 8 == 0) continue;
    padded[lane] = PadPartialByte(messages[lane], bitCounts[lane]);
    partial[lane] = &padded[lane];
    anyPartial = true;
  }
  UpdateLanes(kernels, batch, messages, wholeBytes);
  if (anyPartial) {
    UpdateLanes(kernels, batch, partial, one);
    for (int lane = 0; lane < BatchLanes; ++lane) {
      if (partial[lane] != nullptr) batch->lanes[lane].header.tweak.T1 |= FlagBitPad;
    }
  }
  return 0;
}

// The single-message mode's final step for digests of one output block: the final
// block of every finishing lane, then their output blocks, each on the lanes.
int BatchFinalWith(std::span<const LaneKernel> kernels, BatchContext* batch,
                   std::uint8_t* const digests[BatchLanes]) {
  LaneRuns runs{};
  for (int lane = 0; lane < BatchLanes; ++lane) {
    if (digests[lane] == nullptr) continue;
    Ctx512& ctx = batch->lanes[lane];
    runs[lane][0] = {ctx.buffer, 1, PrepareFinalBlock(&ctx)};
  }
  ProcessRuns(kernels, batch, runs);

  for (int lane = 0; lane < BatchLanes; ++lane) {
    Ctx512& ctx = batch->lanes[lane];
    if (digests[lane] == nullptr || ctx.header.digestBits == 0) continue;
    PrepareOutputBlock(&ctx, 0);
    runs[lane][0] = {ctx.buffer, 1, kOutputByteCountAdd};
  }
  ProcessRuns(kernels, batch, runs);

  for (int lane = 0; lane < BatchLanes; ++lane) {
    const Ctx512& ctx = batch->lanes[lane];
    if (digests[lane] != nullptr) StoreOutput(ctx, digests[lane], digestBytes(ctx.header.digestBits));
  }
  return 0;
}

// Jobs go to the lanes in order, eight at a time, each given whole; digests
// longer than the 512-bit state's are hashed on their own.
int HashMessagesWith(std::span<const LaneKernel> kernels, const MessageJob* jobs, std::size_t count) {
  int result = 0;
  BatchContext batch;
  const std::uint8_t* messages[BatchLanes] = {};
  std::size_t bitCounts[BatchLanes] = {};
  std::uint8_t* digests[BatchLanes] = {};
  int filled = 0;
  for (std::size_t j = 0; j < count; ++j) {
    const MessageJob& job = jobs[j];
    if (job.digestBits > 512 || job.digestBits < 0) {
      result |= HashMessage(job.digestBits, job.message, job.bitCount, job.digest);
    } else {
      BatchInit(&batch, filled, job.digestBits);
      messages[filled] = job.message;
      bitCounts[filled] = job.bitCount;
      digests[filled] = job.digest;
      ++filled;
    }
    if (filled == BatchLanes || (filled > 0 && j + 1 == count)) {
      BatchUpdateWith(kernels, &batch, messages, bitCounts);
      BatchFinalWith(kernels, &batch, digests);
      std::fill_n(messages, BatchLanes, nullptr);
      std::fill_n(digests, BatchLanes, nullptr);
      filled = 0;
    }
  }
  return result;
}

int BatchUpdate(BatchContext* batch, const std::uint8_t* const messages[BatchLanes],
                const std::size_t bitCounts[BatchLanes]) {
  return BatchUpdateWith(LaneKernelsHere(), batch, messages, bitCounts);
}

int BatchFinal(BatchContext* batch, std::uint8_t* const digests[BatchLanes]) {
  return BatchFinalWith(LaneKernelsHere(), batch, digests);
}

int HashMessages(const MessageJob* jobs, std::size_t count) {
  return HashMessagesWith(LaneKernelsHere(), jobs, count);
}

}  // namespace morv
