// The one place that chooses a kernel: for each width, the last kernel in its
// list that this CPU can run. The mode calls ProcessBlocksChosen, which costs
// it the tests of the kernels' needs (a load and a branch each, where a kernel
// needs a CPU feature; nothing where none does) and a jump. The batch mode
// chooses a lane kernel for each of its steps, by the number of lanes working
// in it, from the lane kernels that this CPU runs.
#include "kernels.h"

#include <array>
#include <span>

namespace morv {
namespace {

// Lists put the portable kernel first, which runs anywhere, and the preferred last.
template <class K>
const K& LastThatRuns(std::span<const K> kernels) {
  for (std::size_t i = kernels.size() - 1; i > 0; --i) {
    if (kernels[i].runsHere()) return kernels[i];
  }
  return kernels[0];
}

template <class Ctx>
const Kernel<Ctx>& Chosen() {
  return LastThatRuns<Kernel<Ctx>>(MessageKernels<Ctx>());
}

// On one or two lanes a vector of four or eight costs more than the scalar
// kernel does, lane after lane.
constexpr int kMinWorkingLanes = 3;

// A kernel that takes all the working lanes beats one that does not; of two
// that do, the narrower wastes fewer lanes; of two that do not, the wider needs
// fewer groups. At equal width the later (preferred) one wins.
constexpr bool FitsBetter(const LaneKernel& kernel, const LaneKernel& than, int working) {
  const bool takesAll = kernel.lanes >= working;
  if (takesAll != (than.lanes >= working)) return takesAll;
  return takesAll ? kernel.lanes <= than.lanes : kernel.lanes >= than.lanes;
}

constexpr const LaneKernel& Fit(std::span<const LaneKernel> kernels, int working) {
  const LaneKernel* fit = &kLaneKernels[0];  // one lane at a time
  if (working < kMinWorkingLanes) return *fit;
  for (const LaneKernel& kernel : kernels) {
    if (FitsBetter(kernel, *fit, working)) fit = &kernel;
  }
  return *fit;
}

constexpr std::size_t kLaneKernelCount = std::size(kLaneKernels);
constexpr std::size_t kLaneKernelSetCount = std::size_t{1} << kLaneKernelCount;
using BatchName = std::array<char, 64>;

// Every kernel that a step may run on, widest first, joined by '+'; the
// scalar one only where there is no other, as one or two working lanes run on
// it everywhere.
constexpr BatchName JoinFits(std::span<const LaneKernel> kernels) {
  BatchName text{};
  std::size_t length = 0;
  const auto append = [&](const char* part) {
    while (*part != '\0') text[length++] = *part++;
  };
  int lastLanes = 0;
  for (int working = BatchLanes; working > 0; --working) {
    const LaneKernel& kernel = Fit(kernels, working);
    if (kernel.lanes == lastLanes || (kernel.lanes == 1 && lastLanes != 0)) continue;
    if (lastLanes != 0) append("+");
    append(kernel.name);
    lastLanes = kernel.lanes;
  }
  return text;
}

struct LaneKernelSet {
  std::array<LaneKernel, kLaneKernelCount> kernels{};
  std::size_t count = 0;
  BatchName batchName{};
};

// Every set of lane kernels that a CPU may run (a bit per row of
// kLaneKernels), worked out while compiling: choosing one at run time then
// needs no initialisation, so the core needs no C++ runtime for it.
constexpr auto kLaneKernelSets = [] {
  std::array<LaneKernelSet, kLaneKernelSetCount> sets{};
  for (std::size_t mask = 0; mask != sets.size(); ++mask) {
    LaneKernelSet& set = sets[mask];
    for (std::size_t i = 0; i < kLaneKernelCount; ++i) {
      if ((mask & (std::size_t{1} << i)) != 0) set.kernels[set.count++] = kLaneKernels[i];
    }
    set.batchName = JoinFits({set.kernels.data(), set.count});
  }
  return sets;
}();

// The set of lane kernels that this CPU runs, as an index of kLaneKernelSets.
std::size_t SetHere() {
  std::size_t mask = 0;
  for (std::size_t i = 0; i < kLaneKernelCount; ++i) {
    if (kLaneKernels[i].runsHere()) mask |= std::size_t{1} << i;
  }
  return mask;
}

}  // namespace

void ProcessBlocksChosen(Ctx512* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                         std::size_t byteCountAdd) {
  Chosen<Ctx512>().processBlocks(ctx, blocks, blockCount, byteCountAdd);
}

void ProcessBlocksChosen(Ctx1024* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                         std::size_t byteCountAdd) {
  Chosen<Ctx1024>().processBlocks(ctx, blocks, blockCount, byteCountAdd);
}

const LaneKernel& FitLaneKernel(std::span<const LaneKernel> kernels, int working) {
  return Fit(kernels, working);
}

std::span<const LaneKernel> LaneKernelsHere() {
  const LaneKernelSet& set = kLaneKernelSets[SetHere()];
  return {set.kernels.data(), set.count};
}

const char* BatchKernelName() { return kLaneKernelSets[SetHere()].batchName.data(); }

const char* KernelName(int stateWidth) {
  switch (stateWidth) {
    case 512: return Chosen<Ctx512>().name;
    case 1024: return Chosen<Ctx1024>().name;
    default: return nullptr;
  }
}

}  // namespace morv
