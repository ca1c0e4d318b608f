// The 512-bit width's compression routine: a 72-round tweakable block transform
// on eight words, keyed by the chain, with the block fed forward into the result.
//
// Every round is expanded at compile time: the pairings and rotation amounts
// below are read only as template arguments, so the emitted code holds
// constants and reads no table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "morv.h"
#include "words.h"

namespace morv {
namespace transform512 {

// Rotation amounts of Mix 1..4, by round mod 8.
inline constexpr int kRotation[8][4] = {
    {46, 36, 19, 37}, {42, 33, 27, 14}, {36, 39, 17, 49}, {9, 54, 56, 44},
    {39, 30, 34, 24}, {17, 13, 50, 10}, {39, 43, 25, 29}, {35, 56, 22, 8},
};
// The odd word that Mix 1..4 pairs with w0, w2, w4, w6, by round mod 4.
inline constexpr int kPartner[4][4] = {{1, 3, 5, 7}, {3, 1, 7, 5}, {5, 7, 1, 3}, {7, 5, 3, 1}};

// The rounds are written once for any word type W: std::uint64_t here, and a
// vector of one word per lane in the lane kernels (lanes512.h).
template <int r, class W>
[[gnu::always_inline]] constexpr void Round(W (&w)[8]) {
  constexpr const int* rot = kRotation[r % 8];
  constexpr const int* odd = kPartner[r % 4];
  Mix<rot[0]>(w[0], w[odd[0]]);
  Mix<rot[1]>(w[2], w[odd[1]]);
  Mix<rot[2]>(w[4], w[odd[2]]);
  Mix<rot[3]>(w[6], w[odd[3]]);
}

template <int s, class W>
[[gnu::always_inline]] constexpr void InjectSubkey(W (&w)[8], const W (&k)[9], const W (&t)[3]) {
  w[0] += k[(s + 0) % 9];
  w[1] += k[(s + 1) % 9];
  w[2] += k[(s + 2) % 9];
  w[3] += k[(s + 3) % 9];
  w[4] += k[(s + 4) % 9];
  w[5] += k[(s + 5) % 9] + t[s % 3];
  w[6] += k[(s + 6) % 9] + t[(s + 1) % 3];
  w[7] += k[(s + 7) % 9] + std::uint64_t{s};
}

// Rounds 4g .. 4g+3, then the injection that follows them.
template <int g, class W>
[[gnu::always_inline]] constexpr void FourRounds(W (&w)[8], const W (&k)[9], const W (&t)[3]) {
  Round<4 * g>(w);
  Round<4 * g + 1>(w);
  Round<4 * g + 2>(w);
  Round<4 * g + 3>(w);
  InjectSubkey<g + 1>(w, k, t);
}

template <class W, int... g>
[[gnu::always_inline]] constexpr void AllRounds(W (&w)[8], const W (&k)[9], const W (&t)[3],
                                                std::integer_sequence<int, g...>) {
  (FourRounds<g>(w, k, t), ...);
}

// One block m through the transform keyed by the chain k[0..7] and the tweak
// t; the result, fed forward with m, becomes the new chain in k.
template <class W>
[[gnu::always_inline]] constexpr void ChainBlock(W (&k)[9], const W (&m)[8], const W (&t)[3]) {
  k[8] = KsParity ^ k[0] ^ k[1] ^ k[2] ^ k[3] ^ k[4] ^ k[5] ^ k[6] ^ k[7];
  W w[8];
  for (int i = 0; i < 8; ++i) w[i] = m[i];
  InjectSubkey<0>(w, k, t);
  AllRounds(w, k, t, std::make_integer_sequence<int, 18>{});
  for (int i = 0; i < 8; ++i) k[i] = w[i] ^ m[i];
}

}  // namespace transform512

// For each of blockCount consecutive 64-byte blocks: add byteCountAdd to T0,
// transform the block keyed by the chain and the tweak, XOR the block into the
// result to form the new chain, and clear FlagFirst. blocks may be ctx->buffer.
// Kept out of line and unspecialised: inlined into a caller, or cloned for a
// constant block count, the rounds lose registers to the caller's values.
MORV_NOINLINE constexpr void ProcessBlocks(Ctx512* ctx, const std::uint8_t* blocks,
                                           std::size_t blockCount, std::size_t byteCountAdd) {
  using namespace transform512;
  std::uint64_t t0 = ctx->header.tweak.T0;
  std::uint64_t t1 = ctx->header.tweak.T1;
  std::uint64_t k[9];
  for (int i = 0; i < 8; ++i) k[i] = ctx->chain[i];

  for (; blockCount != 0; --blockCount, blocks += 64) {
    t0 += byteCountAdd;
    std::uint64_t m[8];
    for (int i = 0; i < 8; ++i) m[i] = LoadLE64(blocks + 8 * i);
    const std::uint64_t t[3] = {t0, t1, t0 ^ t1};
    ChainBlock(k, m, t);
    t1 &= ~FlagFirst;
  }

  for (int i = 0; i < 8; ++i) ctx->chain[i] = k[i];
  ctx->header.tweak = {t0, t1};
}

}  // namespace morv
