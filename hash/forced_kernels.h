// The entry points that only tests and benchmarks use: the hash and the batch
// mode on kernels given instead of the ones dispatch.cpp chooses. Internal, like
// kernels.h; not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "kernels.h"
#include "morv.h"

namespace morv {

// One kernel per width, for the whole hash: InitWith, UpdateWith and FinalWith
// are Init, Update and Final on these kernels instead of the chosen ones, so
// that tests and benchmarks can run every kernel through the mode.
struct KernelChoice {
  ProcessBlocksFn<Ctx512> width512;
  ProcessBlocksFn<Ctx1024> width1024;
};

int InitWith(const KernelChoice& kernels, HashContext* ctx, int digestBits);
int UpdateWith(const KernelChoice& kernels, HashContext* ctx, const std::uint8_t* message,
               std::size_t bitCount);
int FinalWith(const KernelChoice& kernels, HashContext* ctx, std::uint8_t* digest);

// The batch mode choosing from the lane kernels given (any of kLaneKernels, in
// its order) instead of those this CPU runs. A single one is forced on every
// step but those with too few working lanes for any lane kernel (FitLaneKernel).
int BatchUpdateWith(std::span<const LaneKernel> kernels, BatchContext* batch,
                    const std::uint8_t* const messages[BatchLanes],
                    const std::size_t bitCounts[BatchLanes]);
int BatchFinalWith(std::span<const LaneKernel> kernels, BatchContext* batch,
                   std::uint8_t* const digests[BatchLanes]);
int HashMessagesWith(std::span<const LaneKernel> kernels, const MessageJob* jobs,
                     std::size_t count);

}  // namespace morv
