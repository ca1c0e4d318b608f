// The chaining mode, written once for a width whose block is B bytes, and the
// interface that chooses the width from the digest length.
//
// The mode reaches ProcessBlocks through `process`, any callable with its
// parameters: the kernels that dispatch.cpp chooses, the portable ones where the
// compiler derives the stored chains, or those that tests and benchmarks force
// through InitWith, UpdateWith and FinalWith.
#include "morv.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#include "forced_kernels.h"
#include "kernels.h"
#include "mode_steps.h"
#include "words.h"

namespace morv {
namespace {

template <class Ctx>
using Chain = std::array<std::uint64_t, kChainWords<Ctx>>;

// The portable kernels, which also run at compile time, and the chosen ones.
constexpr auto kPortable = [](auto* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                              std::size_t byteCountAdd) {
  ProcessBlocks(ctx, blocks, blockCount, byteCountAdd);
};
constexpr auto kChosen = [](auto* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                            std::size_t byteCountAdd) {
  ProcessBlocksChosen(ctx, blocks, blockCount, byteCountAdd);
};

// The kernels that InitWith, UpdateWith and FinalWith are given.
auto Forced(const KernelChoice& kernels) {
  return [kernels](auto* ctx, const std::uint8_t* blocks, std::size_t blockCount,
                   std::size_t byteCountAdd) {
    if constexpr (std::is_same_v<decltype(ctx), Ctx512*>) {
      kernels.width512(ctx, blocks, blockCount, byteCountAdd);
    } else {
      kernels.width1024(ctx, blocks, blockCount, byteCountAdd);
    }
  };
}

// The chain for digestBits comes from one configuration block processed from a
// zero chain: "MORV", version 1, the digest length, zero fill.
template <class Ctx, class Process>
constexpr void ProcessConfigBlock(Ctx* ctx, std::size_t digestBits, Process process) {
  std::uint8_t block[kBlockBytes<Ctx>] = {'M', 'O', 'R', 'V', 1, 0, 0, 0};
  StoreLE64(block + 8, digestBits);
  ctx->header.tweak = {0, FlagFirst | FlagFinal | TypeConfig};
  ctx->header.bufferedBytes = 0;
  for (auto& word : ctx->chain) word = 0;
  process(ctx, block, 1, 32);
}

template <class Ctx>
constexpr Chain<Ctx> ConfigChain(std::size_t digestBits) {
  Ctx ctx{};
  ProcessConfigBlock(&ctx, digestBits, kPortable);
  Chain<Ctx> chain{};
  std::copy(std::begin(ctx.chain), std::end(ctx.chain), chain.begin());
  return chain;
}

// The stored initial chains are the configuration path's own results, derived
// by the compiler, so no table of constants has to be trusted.
constexpr Chain<Ctx512> kStored224 = ConfigChain<Ctx512>(224);
constexpr Chain<Ctx512> kStored256 = ConfigChain<Ctx512>(256);
constexpr Chain<Ctx512> kStored384 = ConfigChain<Ctx512>(384);
constexpr Chain<Ctx512> kStored512 = ConfigChain<Ctx512>(512);
constexpr Chain<Ctx1024> kStored1024 = ConfigChain<Ctx1024>(1024);

const std::uint64_t* StoredChain(const Ctx512*, std::size_t digestBits) {
  switch (digestBits) {
    case 224: return kStored224.data();
    case 256: return kStored256.data();
    case 384: return kStored384.data();
    case 512: return kStored512.data();
    default: return nullptr;
  }
}

const std::uint64_t* StoredChain(const Ctx1024*, std::size_t digestBits) {
  return digestBits == 1024 ? kStored1024.data() : nullptr;
}

template <class Ctx, class Process>
int InitWidth(Ctx* ctx, std::size_t digestBits, Process process) {
  ctx->header.digestBits = digestBits;
  if (const std::uint64_t* stored = StoredChain(ctx, digestBits)) {
    std::copy_n(stored, kChainWords<Ctx>, ctx->chain);
  } else {
    ProcessConfigBlock(ctx, digestBits, process);
  }
  ctx->header.tweak = {0, FlagFirst | TypeMessage};
  ctx->header.bufferedBytes = 0;
  return 0;
}

template <class Ctx, class Process>
int UpdateWidth(Ctx* ctx, const std::uint8_t* bytes, std::size_t byteCount, Process process) {
  const UpdateSteps steps = PlanUpdate(ctx, bytes, byteCount);
  if (steps.bufferFull) process(ctx, ctx->buffer, 1, kBlockBytes<Ctx>);
  if (steps.blockCount != 0) process(ctx, steps.blocks, steps.blockCount, kBlockBytes<Ctx>);
  KeepRest(ctx, steps);
  return 0;
}

template <class Ctx, class Process>
int FinalWidth(Ctx* ctx, std::uint8_t* digest, Process process) {
  constexpr std::size_t B = kBlockBytes<Ctx>;
  process(ctx, ctx->buffer, 1, PrepareFinalBlock(ctx));

  const std::size_t outputBytes = digestBytes(ctx->header.digestBits);
  std::uint64_t finalChain[kChainWords<Ctx>];
  std::memcpy(finalChain, ctx->chain, sizeof finalChain);
  for (std::uint64_t counter = 0; counter * B < outputBytes; ++counter) {
    PrepareOutputBlock(ctx, counter);
    process(ctx, ctx->buffer, 1, kOutputByteCountAdd);
    const std::size_t offset = counter * B;
    StoreOutput(*ctx, digest + offset, std::min(B, outputBytes - offset));
    std::memcpy(ctx->chain, finalChain, sizeof finalChain);
  }
  return 0;
}

template <class Ctx, class Process>
int UpdateBits(Ctx* ctx, const std::uint8_t* message, std::size_t bitCount, Process process) {
  UpdateWidth(ctx, message, bitCount / 8, process);
  if (bitCount % 8 != 0) {
    const std::uint8_t padded = PadPartialByte(message, bitCount);
    UpdateWidth(ctx, &padded, 1, process);
    ctx->header.tweak.T1 |= FlagBitPad;
  }
  return 0;
}

enum class Width { W512, W1024, None };

// Bits 8 and 9 of stateWidth: 2 for 512, 0 for 1024; 1 and 3 select nothing.
Width SelectWidth(int stateWidth) {
  switch ((static_cast<unsigned>(stateWidth) >> 8) & 3u) {
    case 2: return Width::W512;
    case 0: return Width::W1024;
    default: return Width::None;
  }
}

template <class Process>
int InitState(HashContext* ctx, int digestBits, Process process) {
  if (digestBits < 0) return 1;
  const auto bits = static_cast<std::size_t>(digestBits);
  if (digestBits > 512) {
    ctx->stateWidth = 1024;
    return InitWidth(&ctx->widthContext.ctx1024, bits, process);
  }
  ctx->stateWidth = 512;
  return InitWidth(&ctx->widthContext.ctx512, bits, process);
}

template <class Process>
int UpdateState(HashContext* ctx, const std::uint8_t* message, std::size_t bitCount,
                Process process) {
  switch (SelectWidth(ctx->stateWidth)) {
    case Width::W512: return UpdateBits(&ctx->widthContext.ctx512, message, bitCount, process);
    case Width::W1024: return UpdateBits(&ctx->widthContext.ctx1024, message, bitCount, process);
    case Width::None: break;
  }
  return 1;
}

template <class Process>
int FinalState(HashContext* ctx, std::uint8_t* digest, Process process) {
  switch (SelectWidth(ctx->stateWidth)) {
    case Width::W512: return FinalWidth(&ctx->widthContext.ctx512, digest, process);
    case Width::W1024: return FinalWidth(&ctx->widthContext.ctx1024, digest, process);
    case Width::None: break;
  }
  return 1;
}

}  // namespace

int Init512(Ctx512* ctx, std::size_t digestBits) { return InitWidth(ctx, digestBits, kChosen); }
int Update512(Ctx512* ctx, const std::uint8_t* bytes, std::size_t byteCount) {
  return UpdateWidth(ctx, bytes, byteCount, kChosen);
}
int Final512(Ctx512* ctx, std::uint8_t* digest) { return FinalWidth(ctx, digest, kChosen); }

int Init1024(Ctx1024* ctx, std::size_t digestBits) { return InitWidth(ctx, digestBits, kChosen); }
int Update1024(Ctx1024* ctx, const std::uint8_t* bytes, std::size_t byteCount) {
  return UpdateWidth(ctx, bytes, byteCount, kChosen);
}
int Final1024(Ctx1024* ctx, std::uint8_t* digest) { return FinalWidth(ctx, digest, kChosen); }

int Init(HashContext* ctx, int digestBits) { return InitState(ctx, digestBits, kChosen); }
int Update(HashContext* ctx, const std::uint8_t* message, std::size_t bitCount) {
  return UpdateState(ctx, message, bitCount, kChosen);
}
int Final(HashContext* ctx, std::uint8_t* digest) { return FinalState(ctx, digest, kChosen); }

int HashMessage(int digestBits, const std::uint8_t* message, std::size_t bitCount,
                std::uint8_t* digest) {
  HashContext ctx;
  if (const int r = Init(&ctx, digestBits); r != 0) return r;
  const int r = Update(&ctx, message, bitCount);
  Final(&ctx, digest);
  return r;
}

int InitWith(const KernelChoice& kernels, HashContext* ctx, int digestBits) {
  return InitState(ctx, digestBits, Forced(kernels));
}
int UpdateWith(const KernelChoice& kernels, HashContext* ctx, const std::uint8_t* message,
               std::size_t bitCount) {
  return UpdateState(ctx, message, bitCount, Forced(kernels));
}
int FinalWith(const KernelChoice& kernels, HashContext* ctx, std::uint8_t* digest) {
  return FinalState(ctx, digest, Forced(kernels));
}

}  // namespace morv
