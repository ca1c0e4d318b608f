// The C++ layer over the core interface: one-shot functions and a streaming
// Hasher that take spans and give std::array digests. No exceptions, no heap:
// everything lives in the caller's stack frame, as with the core.
//
// Header-only on purpose: each call is a few lines forwarding to the compiled
// core, so inlining removes the layer altogether, and the library exports the
// core's functions only, with no templates or std::span in its binary interface.
//
// This header needs C++20 (std::span); morv.h alone needs C++17.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

#include "morv.h"

namespace morv {

// The bytes that hold a digest of digestBits bits.
constexpr std::size_t digestBytes(int digestBits) noexcept {
  return (static_cast<std::size_t>(digestBits) + 7) / 8;
}

template <int DigestBits>
using Digest = std::array<std::uint8_t, digestBytes(DigestBits)>;

namespace detail {

// One core call takes at most SIZE_MAX bits, so a longer span (possible only
// where size_t has 32 bits) goes in whole-byte pieces.
inline constexpr std::size_t kMaxBytesPerCall = std::numeric_limits<std::size_t>::max() / 8;

inline void absorb(HashContext& ctx, std::span<const std::uint8_t> bytes) noexcept {
  while (bytes.size() > kMaxBytesPerCall) {
    Update(&ctx, bytes.data(), 8 * kMaxBytesPerCall);
    bytes = bytes.subspan(kMaxBytesPerCall);
  }
  Update(&ctx, bytes.data(), 8 * bytes.size());
}

}  // namespace detail

// Streams a message into a DigestBits-bit digest:
//
//   morv::Hasher<256> hasher;
//   hasher.update(piece);              // any number of times
//   const auto digest = hasher.finish();
//
// A message whose length is not a whole number of bytes ends with
// updateBits(); after a partial byte only finish() may follow. A finished
// Hasher takes nothing more until reset() starts a new message. Debug builds
// assert on either misuse. A bitCount beyond its span is refused in every
// build: nothing past the span is read. Copying a Hasher copies the message
// so far.
template <int DigestBits>
class Hasher {
  static_assert(DigestBits >= 0, "a digest has at least 0 bits");

 public:
  Hasher() noexcept { reset(); }

  // Starts a new message; the only way to use a finished Hasher again.
  void reset() noexcept { Init(&ctx_, DigestBits); }

  void update(std::span<const std::uint8_t> bytes) noexcept {
    assert(acceptsData() && "update after a partial byte or after finish");
    detail::absorb(ctx_, bytes);
  }

  // The first bitCount bits of bytes, most significant first in each byte.
  // When bitCount is not a multiple of 8, this is the message's last piece.
  void updateBits(std::span<const std::uint8_t> bytes, std::size_t bitCount) noexcept {
    assert(acceptsData() && "updateBits after a partial byte or after finish");
    const bool fits = bitCount / 8 + (bitCount % 8 != 0) <= bytes.size();
    assert(fits && "bitCount beyond the span");
    if (fits) Update(&ctx_, bytes.data(), bitCount);
  }

  [[nodiscard]] Digest<DigestBits> finish() noexcept {
    assert(!finished() && "finish twice without reset");
    Digest<DigestBits> digest;
    Final(&ctx_, digest.data());
    return digest;
  }

 private:
  // The context records its own state: FlagBitPad once a partial byte is in,
  // FlagFinal once Final has run. Init clears both.
  const Tweak& tweak() const noexcept {
    if constexpr (DigestBits > 512)
      return ctx_.widthContext.ctx1024.header.tweak;
    else
      return ctx_.widthContext.ctx512.header.tweak;
  }
  bool acceptsData() const noexcept { return (tweak().T1 & (FlagBitPad | FlagFinal)) == 0; }
  bool finished() const noexcept { return (tweak().T1 & FlagFinal) != 0; }

  HashContext ctx_;
};

// The digestBits-bit digest of message, written to the first
// digestBytes(digestBits) bytes of digest. A negative digestBits, or a digest
// span too small for it, writes nothing (and debug builds assert on the latter).
inline void hash(int digestBits, std::span<const std::uint8_t> message,
                 std::span<std::uint8_t> digest) noexcept {
  const bool fits = digestBits < 0 || digest.size() >= digestBytes(digestBits);
  assert(fits && "digest too small");
  if (!fits) return;
  if (message.size() <= detail::kMaxBytesPerCall) {
    HashMessage(digestBits, message.data(), 8 * message.size(), digest.data());
    return;
  }
  HashContext ctx;
  if (Init(&ctx, digestBits) != 0) return;
  detail::absorb(ctx, message);
  Final(&ctx, digest.data());
}

namespace detail {

template <int DigestBits>
Digest<DigestBits> hashFixed(std::span<const std::uint8_t> message) noexcept {
  Digest<DigestBits> digest;
  hash(DigestBits, message, digest);
  return digest;
}

}  // namespace detail

// The digest of message at the common lengths.
[[nodiscard]] inline Digest<224> hash224(std::span<const std::uint8_t> message) noexcept {
  return detail::hashFixed<224>(message);
}
[[nodiscard]] inline Digest<256> hash256(std::span<const std::uint8_t> message) noexcept {
  return detail::hashFixed<256>(message);
}
[[nodiscard]] inline Digest<384> hash384(std::span<const std::uint8_t> message) noexcept {
  return detail::hashFixed<384>(message);
}
[[nodiscard]] inline Digest<512> hash512(std::span<const std::uint8_t> message) noexcept {
  return detail::hashFixed<512>(message);
}
[[nodiscard]] inline Digest<1024> hash1024(std::span<const std::uint8_t> message) noexcept {
  return detail::hashFixed<1024>(message);
}

// The DigestBits-bit digest of each message, digests[i] of messages[i], for
// many messages at once on the CPU's vector lanes (HashMessages); up to 512
// bits the lanes are used, longer digests are made one at a time. Messages of
// similar lengths share the lanes best. Fewer digests than messages writes nothing.
//
//   std::span<const std::uint8_t> blocks[100] = ...;
//   std::array<morv::Digest<256>, 100> digests;
//   morv::hashEach<256>(blocks, digests);
template <int DigestBits>
void hashEach(std::span<const std::span<const std::uint8_t>> messages,
              std::span<Digest<DigestBits>> digests) noexcept {
  const bool fits = digests.size() >= messages.size();
  assert(fits && "fewer digests than messages");
  if (!fits) return;  // refused in every build, as hash() refuses
  MessageJob jobs[BatchLanes];
  std::size_t n = 0;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (messages[i].size() > detail::kMaxBytesPerCall) {
      hash(DigestBits, messages[i], digests[i]);  // only where size_t has 32 bits
    } else {
      jobs[n++] = {DigestBits, messages[i].data(), 8 * messages[i].size(), digests[i].data()};
    }
    if (n == BatchLanes || i + 1 == messages.size()) {
      HashMessages(jobs, n);
      n = 0;
    }
  }
}

}  // namespace morv
