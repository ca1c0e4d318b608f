// The C++ layer over the core interface: one-shot functions and a streaming
// Hasher that take any contiguous range of bytes and give std::array digests,
// and toHex for their text. No exceptions, no heap: everything lives in the
// caller's stack frame, as with the core.
//
// Header-only on purpose: each call is a few lines forwarding to the compiled
// core, so inlining removes the layer altogether, and the library exports the
// core's functions only, with no templates or std::span in its binary interface.
//
// This header needs C++20 (std::span); morv.h alone needs C++17.
#pragma once

#include <array>
#include <cassert>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <ranges>
#include <span>
#include <string_view>
#include <type_traits>

#include "morv.h"

namespace morv {

template <int DigestBits>
using Digest = std::array<std::uint8_t, digestBytes(DigestBits)>;

// What the calls take as a message: any contiguous range of byte-sized
// elements, such as a std::span of std::uint8_t, std::byte or char, a
// std::string or std::string_view, a std::vector or a std::array. A built-in
// array of char is not one: a string literal would bring its terminating NUL.
template <class Element>
concept ByteSized = sizeof(Element) == 1 && !std::same_as<Element, bool> &&
                    (std::integral<Element> || std::same_as<Element, std::byte>);

template <class Range>
concept ByteRange = std::ranges::contiguous_range<Range> && std::ranges::sized_range<Range> &&
                    ByteSized<std::ranges::range_value_t<Range>> &&
                    !(std::is_array_v<std::remove_cvref_t<Range>> &&
                      std::same_as<std::ranges::range_value_t<Range>, char>);

// A braced list such as {pointer, size} deduces no range and is taken as this.
using ByteSpan = std::span<const std::uint8_t>;

namespace detail {

// Any byte-sized element may be read as unsigned char, which std::uint8_t is.
template <ByteRange Range>
ByteSpan asBytes(const Range& range) noexcept {
  return {reinterpret_cast<const std::uint8_t*>(std::ranges::data(range)), std::ranges::size(range)};
}

inline void absorb(HashContext& ctx, std::span<const std::uint8_t> bytes) noexcept {
  while (bytes.size() > MaxBytesPerCall) {
    Update(&ctx, bytes.data(), 8 * MaxBytesPerCall);
    bytes = bytes.subspan(MaxBytesPerCall);
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

  template <ByteRange Bytes = ByteSpan>
  void update(const Bytes& bytes) noexcept {
    assert(acceptsData() && "update after a partial byte or after finish");
    detail::absorb(ctx_, detail::asBytes(bytes));
  }

  // The first bitCount bits of bytes, most significant first in each byte.
  // When bitCount is not a multiple of 8, this is the message's last piece.
  template <ByteRange Bytes = ByteSpan>
  void updateBits(const Bytes& bytes, std::size_t bitCount) noexcept {
    assert(acceptsData() && "updateBits after a partial byte or after finish");
    const ByteSpan span = detail::asBytes(bytes);
    const bool fits = bitCount / 8 + (bitCount % 8 != 0) <= span.size();
    assert(fits && "bitCount beyond the span");
    if (fits) Update(&ctx_, span.data(), bitCount);
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

namespace detail {

inline void hashBytes(int digestBits, ByteSpan message, std::span<std::uint8_t> digest) noexcept {
  const bool fits = digestBits < 0 || digest.size() >= digestBytes(digestBits);
  assert(fits && "digest too small");
  if (!fits) return;
  if (message.size() <= MaxBytesPerCall) {
    HashMessage(digestBits, message.data(), 8 * message.size(), digest.data());
    return;
  }
  HashContext ctx;
  if (Init(&ctx, digestBits) != 0) return;
  absorb(ctx, message);
  Final(&ctx, digest.data());
}

template <int DigestBits>
Digest<DigestBits> hashFixed(ByteSpan message) noexcept {
  Digest<DigestBits> digest;
  hashBytes(DigestBits, message, digest);
  return digest;
}

}  // namespace detail

// The digestBits-bit digest of message, written to the first
// digestBytes(digestBits) bytes of digest. A negative digestBits, or a digest
// span too small for it, writes nothing (and debug builds assert on the latter).
template <ByteRange Message = ByteSpan>
void hash(int digestBits, const Message& message, std::span<std::uint8_t> digest) noexcept {
  detail::hashBytes(digestBits, detail::asBytes(message), digest);
}

// The digest of message at the common lengths.
template <ByteRange Message = ByteSpan>
[[nodiscard]] Digest<224> hash224(const Message& message) noexcept {
  return detail::hashFixed<224>(detail::asBytes(message));
}
template <ByteRange Message = ByteSpan>
[[nodiscard]] Digest<256> hash256(const Message& message) noexcept {
  return detail::hashFixed<256>(detail::asBytes(message));
}
template <ByteRange Message = ByteSpan>
[[nodiscard]] Digest<384> hash384(const Message& message) noexcept {
  return detail::hashFixed<384>(detail::asBytes(message));
}
template <ByteRange Message = ByteSpan>
[[nodiscard]] Digest<512> hash512(const Message& message) noexcept {
  return detail::hashFixed<512>(detail::asBytes(message));
}
template <ByteRange Message = ByteSpan>
[[nodiscard]] Digest<1024> hash1024(const Message& message) noexcept {
  return detail::hashFixed<1024>(detail::asBytes(message));
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
    if (messages[i].size() > MaxBytesPerCall) {
      detail::hashBytes(DigestBits, messages[i], digests[i]);  // only where size_t has 32 bits
    } else {
      jobs[n++] = {DigestBits, messages[i].data(), 8 * messages[i].size(), digests[i].data()};
    }
    if (n == BatchLanes || i + 1 == messages.size()) {
      HashMessages(jobs, n);
      n = 0;
    }
  }
}

// The lower-case hexadecimal text of a digest, held in place (no heap); it
// prints with << and converts to std::string_view, and c_str() ends in a NUL.
template <std::size_t Bytes>
class HexDigest {
 public:
  explicit HexDigest(const std::array<std::uint8_t, Bytes>& digest) noexcept {
    constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < Bytes; ++i) {
      text_[2 * i] = kDigits[digest[i] >> 4];
      text_[2 * i + 1] = kDigits[digest[i] & 15];
    }
    text_[2 * Bytes] = '\0';
  }
  std::string_view view() const noexcept { return {text_.data(), 2 * Bytes}; }
  operator std::string_view() const noexcept { return view(); }
  const char* c_str() const noexcept { return text_.data(); }

  friend std::ostream& operator<<(std::ostream& out, const HexDigest& hex) { return out << hex.view(); }

 private:
  std::array<char, 2 * Bytes + 1> text_;
};

//   std::cout << morv::toHex(morv::hash256(text)) << '\n';
template <std::size_t Bytes>
[[nodiscard]] HexDigest<Bytes> toHex(const std::array<std::uint8_t, Bytes>& digest) noexcept {
  return HexDigest<Bytes>(digest);
}

}  // namespace morv
