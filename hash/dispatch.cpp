// The one place that chooses a kernel: for each width, the last kernel in its
// list that this CPU can run. The mode calls ProcessBlocksChosen, which costs
// it the tests of the kernels' needs (a load and a branch each, where a kernel
// needs a CPU feature; nothing where none does) and a jump.
#include "kernels.h"

#include <iterator>

namespace morv {
namespace {

template <class Ctx>
const Kernel<Ctx>& Chosen() {
  const auto kernels = Kernels<Ctx>();
  for (std::size_t i = kernels.size() - 1; i > 0; --i) {
    if (kernels[i].runsHere()) return kernels[i];
  }
  return kernels[0];
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

const LaneKernel& ChosenLaneKernel() {
  for (std::size_t i = std::size(kLaneKernels) - 1; i > 0; --i) {
    if (kLaneKernels[i].runsHere()) return kLaneKernels[i];
  }
  return kLaneKernels[0];
}

const char* BatchKernelName() { return ChosenLaneKernel().name; }

const char* KernelName(int stateWidth) {
  switch (stateWidth) {
    case 512: return Chosen<Ctx512>().name;
    case 1024: return Chosen<Ctx1024>().name;
    default: return nullptr;
  }
}

}  // namespace morv
