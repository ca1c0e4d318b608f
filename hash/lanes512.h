// The 512-bit transform on several independent states at once, one per lane
// of a vector of words: the portable ProcessBlocks of transform512.h, with each
// std::uint64_t of it a vector V of lanes. The rounds are the same template
// code; only the loads and stores, which move words between the lanes' own
// contexts and the vectors, are written here.
//
// The kernel files (lanes512_*.cpp) instantiate this with their vector type
// inside a function compiled for their instruction set, so the library needs
// no -march flag and the choice is made at run time (dispatch.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels.h"
#include "transform512.h"

namespace morv {

template <class V>
[[gnu::always_inline]] inline void ProcessLanesOn(const Lane* lanes, std::size_t blockCount) {
  using namespace transform512;
  constexpr int N = sizeof(V) / sizeof(std::uint64_t);
  V k[9], t0, t1, add;
  for (int i = 0; i < N; ++i) {
    const Ctx512& ctx = *lanes[i].ctx;
    for (int j = 0; j < 8; ++j) k[j][i] = ctx.chain[j];
    t0[i] = ctx.header.tweak.T0;
    t1[i] = ctx.header.tweak.T1;
    add[i] = lanes[i].byteCountAdd;
  }

  for (std::size_t b = 0; b < blockCount; ++b) {
    t0 += add;
    V m[8];
    for (int j = 0; j < 8; ++j) {
      for (int i = 0; i < N; ++i) m[j][i] = LoadLE64(lanes[i].blocks + 64 * b + 8 * j);
    }
    const V t[3] = {t0, t1, t0 ^ t1};
    ChainBlock(k, m, t);
    t1 &= ~FlagFirst;
  }

  for (int i = 0; i < N; ++i) {
    Ctx512& ctx = *lanes[i].ctx;
    for (int j = 0; j < 8; ++j) ctx.chain[j] = k[j][i];
    ctx.header.tweak = {t0[i], t1[i]};
  }
}

}  // namespace morv
