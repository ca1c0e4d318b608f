// The 1024-bit width's compression routine: an 80-round tweakable block
// transform on sixteen words, keyed by the chain, with the block fed forward.
//
// The rounds run as ten passes of one 8-round cycle with its two subkey
// injections. Within the cycle the pairings and rotation amounts are template
// arguments; the key and tweak words are laid out once per block in arrays long
// enough that injection s reads k[s .. s+15] and t[s], t[s+1] with no modulo.
#pragma once

#include <cstddef>
#include <cstdint>

#include "morv.h"
#include "words.h"

namespace morv {
namespace transform1024 {

// Rotation amounts of Mix 1..8, by round mod 8.
inline constexpr int kRotation[8][8] = {
    {24, 13, 8, 47, 8, 17, 22, 37}, {38, 19, 55, 10, 52, 49, 18, 23},
    {33, 4, 51, 13, 59, 17, 34, 41}, {5, 20, 41, 48, 28, 16, 25, 47},
    {41, 9, 37, 31, 12, 47, 44, 30}, {16, 34, 51, 56, 41, 4, 53, 42},
    {31, 44, 47, 46, 44, 25, 19, 42}, {9, 48, 52, 35, 31, 37, 20, 23},
};
// The odd word that Mix 1..8 pairs with w0, w2, ..., w14, by round mod 4.
inline constexpr int kPartner[4][8] = {
    {1, 3, 5, 7, 9, 11, 13, 15},
    {9, 13, 15, 11, 1, 7, 3, 5},
    {7, 5, 3, 1, 11, 9, 15, 13},
    {15, 11, 9, 13, 5, 3, 7, 1},
};

inline constexpr int kKeyWords = 17;
inline constexpr int kInjections = 21;

using Words = std::uint64_t[16];
// Key and tweak words repeated so that the last injection still reads in range.
using Keys = std::uint64_t[kKeyWords + kInjections - 1];
using Tweaks = std::uint64_t[3 + kInjections - 1];

template <int r>
[[gnu::always_inline]] constexpr void Round(Words& w) {
  constexpr const int* rot = kRotation[r];
  constexpr const int* odd = kPartner[r % 4];
  Mix<rot[0]>(w[0], w[odd[0]]);
  Mix<rot[1]>(w[2], w[odd[1]]);
  Mix<rot[2]>(w[4], w[odd[2]]);
  Mix<rot[3]>(w[6], w[odd[3]]);
  Mix<rot[4]>(w[8], w[odd[4]]);
  Mix<rot[5]>(w[10], w[odd[5]]);
  Mix<rot[6]>(w[12], w[odd[6]]);
  Mix<rot[7]>(w[14], w[odd[7]]);
}

// Adds subkey s, then grows the arrays by the entries that subkey s + 1 needs
// and no earlier one had: k[s + 16] = k[s - 1], t[s + 2] = t[s - 1]. Growing
// them here, one word at a time, beats filling them before the rounds: g++
// turns such a fill loop into wide stores that stall the injections' loads.
[[gnu::always_inline]] constexpr void InjectSubkey(Words& w, Keys& k, Tweaks& t, int s) {
  for (int i = 0; i < 16; ++i) w[i] += k[s + i];
  w[13] += t[s];
  w[14] += t[s + 1];
  w[15] += static_cast<std::uint64_t>(s);
  if (s >= 1) {
    k[s + 16] = k[s - 1];
    t[s + 2] = t[s - 1];
  }
}

}  // namespace transform1024

// For each of blockCount consecutive 128-byte blocks: add byteCountAdd to T0,
// transform the block keyed by the chain and the tweak, XOR the block into the
// result to form the new chain, and clear FlagFirst. blocks may be ctx->buffer.
// Kept out of line and unspecialised: inlined into a caller, or cloned for a
// constant block count, the rounds lose registers to the caller's values.
MORV_NOINLINE constexpr void ProcessBlocks(Ctx1024* ctx, const std::uint8_t* blocks,
                                           std::size_t blockCount, std::size_t byteCountAdd) {
  using namespace transform1024;
  std::uint64_t t0 = ctx->header.tweak.T0;
  std::uint64_t t1 = ctx->header.tweak.T1;
  Keys k;
  for (int i = 0; i < 16; ++i) k[i] = ctx->chain[i];

  for (; blockCount != 0; --blockCount, blocks += 128) {
    t0 += byteCountAdd;
    Words m;
    for (int i = 0; i < 16; ++i) m[i] = LoadLE64(blocks + 8 * i);
    k[16] = KsParity;
    for (int i = 0; i < 16; ++i) k[16] ^= k[i];
    Tweaks t = {t0, t1, t0 ^ t1};

    Words w;
    for (int i = 0; i < 16; ++i) w[i] = m[i];
    InjectSubkey(w, k, t, 0);
    for (int s = 1; s < kInjections; s += 2) {
      Round<0>(w);
      Round<1>(w);
      Round<2>(w);
      Round<3>(w);
      InjectSubkey(w, k, t, s);
      Round<4>(w);
      Round<5>(w);
      Round<6>(w);
      Round<7>(w);
      InjectSubkey(w, k, t, s + 1);
    }

    for (int i = 0; i < 16; ++i) k[i] = w[i] ^ m[i];
    t1 &= ~FlagFirst;
  }

  for (int i = 0; i < 16; ++i) ctx->chain[i] = k[i];
  ctx->header.tweak = {t0, t1};
}

}  // namespace morv
