// The one place that chooses a kernel: for each width, the last kernel in its
// list that this CPU can run. The mode calls ProcessBlocksChosen, which costs
// it the tests of the kernels' needs (a load and a branch each, where a kernel
// needs a CPU feature; nothing where none does) and a jump.
#include "kernels.h"

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
  return LastThatRuns<Kernel<Ctx>>(Kernels<Ctx>());
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

const LaneKernel& ChosenLaneKernel() { return LastThatRuns<LaneKernel>(kLaneKernels); }

const char* BatchKernelName() { return ChosenLaneKernel().name; }

const char* KernelName(int stateWidth) {
  switch (stateWidth) {
    case 512: return Chosen<Ctx512>().name;
    case 1024: return Chosen<Ctx1024>().name;
    default: return nullptr;
  }
}

}  // namespace morv
