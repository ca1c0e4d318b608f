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

#ifdef MORV_KERNEL_X86_64
// hash/kernel1024_x86_64.S, written by tools/gen_kernel1024_x86_64.py: the rounds
// in fifteen registers and one stack slot. Base x86-64 instructions only.
extern "C" void MorvProcessBlocks1024X86_64(Ctx1024* ctx, const std::uint8_t* blocks,
                                            std::size_t blockCount, std::size_t byteCountAdd);
static_assert(offsetof(Ctx1024, header) + offsetof(ContextHeader, tweak) == 16 &&
                  offsetof(Ctx1024, chain) == 32 && sizeof(Tweak) == 16,
              "the context layout that the generated kernel addresses");
#endif

// Each width's kernels, the portable one first and the preferred one last: the
// mode runs the last one that the CPU can run.
inline constexpr Kernel<Ctx512> kKernels512[] = {{"portable", AnyCpu, ProcessBlocks}};
inline constexpr Kernel<Ctx1024> kKernels1024[] = {
    {"portable", AnyCpu, ProcessBlocks},
#ifdef MORV_KERNEL_X86_64
    {"x86-64", AnyCpu, MorvProcessBlocks1024X86_64},
#endif
};

template <class Ctx>
constexpr std::span<const Kernel<Ctx>> Kernels() {
  if constexpr (std::is_same_v<Ctx, Ctx512>) {
    return kKernels512;
  } else {
    return kKernels1024;
  }
}

// ProcessBlocks on the kernel that the mode runs on this CPU (dispatch.cpp).
void ProcessBlocksChosen(Ctx512* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                         std::size_t byteCountAdd);
void ProcessBlocksChosen(Ctx1024* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                         std::size_t byteCountAdd);

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

}  // namespace morv
