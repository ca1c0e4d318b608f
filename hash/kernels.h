// The kernels behind the mode: every implementation of ProcessBlocks, listed by
// width with its name and whether this CPU can run it. Internal: the library,
// its tests and its benchmarks include it; it is not installed.
//
// Every kernel computes exactly the portable ProcessBlocks of transform512.h or
// transform1024.h, which stays the reference, the fallback on other hosts and
// the one that derives the stored chains at compile time. Like it, a kernel
// keeps no state and reads no static or global data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "morv.h"
#include "transform1024.h"
#include "transform512.h"

namespace morv {

template <class Ctx>
using ProcessBlocksFn = void (*)(Ctx* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                                 std::size_t byteCountAdd);

template <class Ctx>
struct Kernel {
  const char* name;
  bool (*runsHere)();  // whether this CPU has what the kernel needs
  ProcessBlocksFn<Ctx> processBlocks;
};

inline bool AnyCpu() { return true; }

// ProcessBlocks on the kernel that the mode runs on this CPU (dispatch.cpp).
void ProcessBlocksChosen(Ctx512* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                         std::size_t byteCountAdd);
void ProcessBlocksChosen(Ctx1024* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                         std::size_t byteCountAdd);

#ifdef MORV_KERNEL_X86_64
// hash/kernel1024_x86_64.S, written by tools/gen_kernel1024_x86_64.py: the rounds
// in fifteen registers and one stack slot. Base x86-64 instructions only.
extern "C" void MorvProcessBlocks1024X86_64(Ctx1024* ctx, const std::uint8_t* blocks,
                                            std::size_t blockCount, std::size_t byteCountAdd);
static_assert(offsetof(Ctx1024, header) + offsetof(ContextHeader, tweak) == 16 &&
                  offsetof(Ctx1024, chain) == 32 && sizeof(Tweak) == 16,
              "the context layout that the generated kernel addresses");
#endif

// Each width's message kernels, which run one message's state (the lane kernels
// below run several): the portable one first and the preferred one last; the
// mode runs the last one that the CPU can run.
inline constexpr Kernel<Ctx512> kMessageKernels512[] = {{"portable", AnyCpu, ProcessBlocks}};
inline constexpr Kernel<Ctx1024> kMessageKernels1024[] = {
    {"portable", AnyCpu, ProcessBlocks},
#ifdef MORV_KERNEL_X86_64
    {"x86-64", AnyCpu, MorvProcessBlocks1024X86_64},
#endif
};

// The lane kernels, for several independent 512-bit states at once: a kernel
// of L lanes runs ProcessBlocks on lanes[0..L-1], each lane with its own
// context, blocks and byte count to add, blockCount blocks in every lane.
struct Lane {
  Ctx512* ctx;
  const std::uint8_t* blocks;
  std::size_t byteCountAdd;
};

using ProcessLanesFn = void (*)(const Lane* lanes, std::size_t blockCount);

struct LaneKernel {
  const char* name;
  bool (*runsHere)();
  int lanes;
  ProcessLanesFn processLanes;
};

// One lane at a time on the chosen scalar kernel: the batch mode runs every
// lane by itself, which is what hosts without a lane kernel get.
inline void ProcessLanesScalar(const Lane* lanes, std::size_t blockCount) {
  ProcessBlocksChosen(lanes->ctx, lanes->blocks, blockCount, lanes->byteCountAdd);
}

// hash/lanes512_*.cpp, each compiled for its instruction set.
#ifdef MORV_LANES_AVX2
void ProcessLanes512Avx2(const Lane* lanes, std::size_t blockCount);
inline bool HasAvx2() { return __builtin_cpu_supports("avx2"); }
#endif
#ifdef MORV_LANES_AVX512
void ProcessLanes512Avx512Vl(const Lane* lanes, std::size_t blockCount);
void ProcessLanes512Avx512(const Lane* lanes, std::size_t blockCount);
inline bool HasAvx512Vl() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
}
inline bool HasAvx512() { return __builtin_cpu_supports("avx512f"); }
#endif

// Narrowest first; of two kernels of one width the later is preferred, being
// the faster where both run (avx512vl rotates in one instruction).
inline constexpr LaneKernel kLaneKernels[] = {
    {"scalar", AnyCpu, 1, ProcessLanesScalar},
#ifdef MORV_LANES_AVX2
    {"avx2", HasAvx2, 4, ProcessLanes512Avx2},
#endif
#ifdef MORV_LANES_AVX512
    {"avx512vl", HasAvx512Vl, 4, ProcessLanes512Avx512Vl},
    {"avx512", HasAvx512, 8, ProcessLanes512Avx512},
#endif
};

template <class Ctx>
constexpr std::span<const Kernel<Ctx>> MessageKernels() {
  if constexpr (std::is_same_v<Ctx, Ctx512>) {
    return kMessageKernels512;
  } else {
    return kMessageKernels1024;
  }
}

// The lane kernels that this CPU runs, in the order of kLaneKernels (dispatch.cpp).
std::span<const LaneKernel> LaneKernelsHere();

// The kernel from the given ones (any of kLaneKernels, in its order) that the
// batch mode runs a step on when that many lanes are working: one lane at a
// time when too few are working to pay for a vector, else the narrowest kernel
// that takes them all, or the widest there is, which takes them in groups
// (dispatch.cpp).
const LaneKernel& FitLaneKernel(std::span<const LaneKernel> kernels, int working);

}  // namespace morv
