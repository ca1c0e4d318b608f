// The chaining mode's steps on one context, apart from the block processing:
// the single-message mode (morv.cpp) runs each step's blocks at once, the batch mode
// (batch.cpp) gathers them from several contexts and runs them together. Each
// rule of the mode lives here once, for both widths. Internal, not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "morv.h"
#include "words.h"

namespace morv {

template <class Ctx>
constexpr std::size_t kBlockBytes = sizeof(Ctx::buffer);
template <class Ctx>
constexpr std::size_t kChainWords = sizeof(Ctx::chain) / sizeof(std::uint64_t);

// The blocks that an Update processes, in this order: the buffered block
// (when bufferFull), then blockCount whole blocks straight from the caller's
// bytes; after them, the rest goes to the buffer (KeepRest). The last block
// given, full or not, always stays in the buffer so that the final step can
// process it with FlagFinal.
struct UpdateSteps {
  bool bufferFull = false;
  const std::uint8_t* blocks = nullptr;
  std::size_t blockCount = 0;
  const std::uint8_t* rest = nullptr;
  std::size_t restCount = 0;
};

template <class Ctx>
UpdateSteps PlanUpdate(Ctx* ctx, const std::uint8_t* bytes, std::size_t byteCount) {
  constexpr std::size_t B = kBlockBytes<Ctx>;
  UpdateSteps steps;
  std::size_t& buffered = ctx->header.bufferedBytes;
  if (byteCount > B - buffered) {
    if (buffered > 0) {
      const std::size_t fill = B - buffered;
      if (fill != 0) std::memcpy(ctx->buffer + buffered, bytes, fill);
      bytes += fill;
      byteCount -= fill;
      steps.bufferFull = true;
      buffered = 0;
    }
    if (byteCount > B) {
      steps.blocks = bytes;
      steps.blockCount = (byteCount - 1) / B;
      bytes += steps.blockCount * B;
      byteCount -= steps.blockCount * B;
    }
  }
  steps.rest = bytes;
  steps.restCount = byteCount;
  return steps;
}

// Once the planned blocks are processed: the rest into the buffer.
template <class Ctx>
void KeepRest(Ctx* ctx, const UpdateSteps& steps) {
  constexpr std::size_t B = kBlockBytes<Ctx>;
  std::size_t& buffered = ctx->header.bufferedBytes;
  if (steps.restCount == B) {
    std::memcpy(ctx->buffer, steps.rest, B);  // a whole block, copied inline: the streaming case
    buffered = B;
  } else if (steps.restCount > 0) {
    std::memcpy(ctx->buffer + buffered, steps.rest, steps.restCount);
    buffered += steps.restCount;
  }
}

// A partial last byte keeps its message bits, gets a 1 bit just below them and
// zeros under that; it is absorbed as a whole byte and FlagBitPad marks it.
inline std::uint8_t PadPartialByte(const std::uint8_t* message, std::size_t bitCount) {
  const unsigned padBit = 0x80u >> (bitCount % 8);
  return static_cast<std::uint8_t>((message[bitCount / 8] & ~(2 * padBit - 1)) | padBit);
}

// The final block: the buffer, zero-filled, with FlagFinal. Its byte count to
// add is what the buffer held, which this returns.
template <class Ctx>
std::size_t PrepareFinalBlock(Ctx* ctx) {
  ctx->header.tweak.T1 |= FlagFinal;
  const std::size_t buffered = ctx->header.bufferedBytes;
  std::memset(ctx->buffer + buffered, 0, kBlockBytes<Ctx> - buffered);
  return buffered;
}

// The digest comes in counter mode: output block `counter` is the counter in
// a zero block, keyed by the final chain, with a byte count to add of 8; each
// yields B digest bytes.
template <class Ctx>
void PrepareOutputBlock(Ctx* ctx, std::uint64_t counter) {
  std::memset(ctx->buffer, 0, kBlockBytes<Ctx>);
  StoreLE64(ctx->buffer, counter);
  ctx->header.tweak = {0, FlagFirst | FlagFinal | TypeOutput};
  ctx->header.bufferedBytes = 0;
}
inline constexpr std::size_t kOutputByteCountAdd = 8;

// The first count bytes of an output block's result, its chain as
// little-endian words, to digest.
template <class Ctx>
void StoreOutput(const Ctx& ctx, std::uint8_t* digest, std::size_t count) {
  std::uint8_t block[kBlockBytes<Ctx>];
  for (std::size_t i = 0; i < kChainWords<Ctx>; ++i) StoreLE64(block + 8 * i, ctx.chain[i]);
  // cppcheck-suppress uninitvar ; the loop above writes all B bytes of block
  std::memcpy(digest, block, count);
}

}  // namespace morv
