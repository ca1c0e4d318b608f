// What both block transforms share: how the hash's 64-bit words meet bytes
// (least significant byte first, whatever the host's byte order; written with
// shifts so that the same code runs at compile time, and compilers turn each
// into one load or store on little-endian hosts), the Mix step, the key parity
// word, and the out-of-line marker for the transforms.
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>

namespace morv {

// The key schedule's parity word: the extra key word is this XOR all chain words.
inline constexpr std::uint64_t KsParity = 0x1BD11BDAA9FC1A22;

// One round step on a word pair: the even word takes the sum, the odd word the
// rotated XOR with that new sum.
// W is std::uint64_t, or a vector of them with one word per lane.
template <int R, class W>
[[gnu::always_inline]] constexpr void Mix(W& a, W& b) {
  a += b;
  if constexpr (std::is_integral_v<W>) {
    b = std::rotl(b, R) ^ a;
  } else {
    b = ((b << R) | (b >> (64 - R))) ^ a;
  }
}

[[gnu::always_inline]] constexpr std::uint64_t LoadLE64(const std::uint8_t* p) {
  return std::uint64_t{p[0]} | std::uint64_t{p[1]} << 8 | std::uint64_t{p[2]} << 16 |
         std::uint64_t{p[3]} << 24 | std::uint64_t{p[4]} << 32 | std::uint64_t{p[5]} << 40 |
         std::uint64_t{p[6]} << 48 | std::uint64_t{p[7]} << 56;
}

[[gnu::always_inline]] constexpr void StoreLE64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace morv

// Keeps a function out of line and, with g++, unspecialised for constant arguments.
#if defined(__GNUC__) && !defined(__clang__)
#define MORV_NOINLINE __attribute__((noinline, noclone))
#else
#define MORV_NOINLINE __attribute__((noinline))
#endif
