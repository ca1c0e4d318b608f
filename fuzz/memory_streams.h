// Streams in memory for the targets that read KAT text and print: an input
// that fails one chosen read, and output kept as text.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace morv::fuzz {

// The input as a buffered stream; when failAt is set, the read that would
// deliver byte failAt fails once (failed tells), as a disk's read that fails
// and then works again. Reads before it stop short of that byte, so the reader
// meets the failure exactly when it needs that byte, however the stream buffers.
struct Source {
  std::string_view bytes;
  std::size_t failAt = SIZE_MAX;
  std::size_t next = 0;
  bool failed = false;

  std::FILE* Open() { return fopencookie(this, "r", {Read, nullptr, nullptr, nullptr}); }

  static ssize_t Read(void* cookie, char* buffer, std::size_t size) {
    auto* source = static_cast<Source*>(cookie);
    if (source->next == source->failAt && !source->failed) {
      source->failed = true;
      errno = EIO;
      return -1;
    }
    const std::size_t end = source->failed ? source->bytes.size() : source->failAt;
    const std::size_t n = std::min({size, source->bytes.size() - source->next, end - source->next});
    std::memcpy(buffer, source->bytes.data() + source->next, n);
    source->next += n;
    return static_cast<ssize_t>(n);
  }
};

// One of n, from a hash of the fuzzer's input: a mutation anywhere in it picks
// another, where a field of its own would seldom be the part mutated.
inline std::size_t Pick(const std::uint8_t* data, std::size_t size, std::size_t n) {
  return std::hash<std::string_view>{}({reinterpret_cast<const char*>(data), size}) % n;
}

// A stream whose bytes go to text.
struct Sink {
  std::string text;

  std::FILE* Open() { return fopencookie(this, "w", {nullptr, Write, nullptr, nullptr}); }

  static ssize_t Write(void* cookie, const char* bytes, std::size_t size) {
    static_cast<Sink*>(cookie)->text.append(bytes, size);
    return static_cast<ssize_t>(size);
  }
};

// What body writes to the standard stream (stdout or stderr).
template <class Body>
std::string Capture(std::FILE*& stream, Body body) {
  Sink sink;
  std::FILE* const saved = std::exchange(stream, sink.Open());
  body();
  std::fclose(std::exchange(stream, saved));
  return sink.text;
}

}  // namespace morv::fuzz
