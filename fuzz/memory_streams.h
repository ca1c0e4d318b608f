// Streams in memory for the targets that read KAT text and print: an input
// that fails one chosen read, and output kept in memory.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace morv::fuzz {

// The input as a buffered stream; when failAt is set, the read that would
// deliver byte failAt fails once, as a disk's read that fails and then works
// again. Reads before it stop short of that byte, so the reader meets the
// failure exactly when it needs that byte, however the stream buffers.
struct Source {
  std::string_view bytes;
  std::size_t failAt = SIZE_MAX;
  std::size_t next = 0;

  std::FILE* Open() { return fopencookie(this, "r", {Read, nullptr, Seek, nullptr}); }

  // How many bytes the reader took from the stream, counting the end of the
  // input once it met it: a failAt below this is met.
  std::size_t Consumed(std::FILE* stream) const {
    return std::feof(stream) ? bytes.size() + 1 : static_cast<std::size_t>(std::ftell(stream));
  }

  static ssize_t Read(void* cookie, char* buffer, std::size_t size) {
    auto* source = static_cast<Source*>(cookie);
    if (source->next == source->failAt) {
      source->failAt = SIZE_MAX;
      errno = EIO;
      return -1;
    }
    const std::size_t end = std::min(source->bytes.size(), source->failAt);
    const std::size_t n = std::min(size, end - source->next);
    std::memcpy(buffer, source->bytes.data() + source->next, n);
    source->next += n;
    return static_cast<ssize_t>(n);
  }

  // Only where the stream is, which ftell asks for.
  static int Seek(void* cookie, off64_t* offset, int whence) {
    if (whence != SEEK_CUR || *offset != 0) return -1;
    *offset = static_cast<off64_t>(static_cast<Source*>(cookie)->next);
    return 0;
  }
};

// A stream into memory; its text is complete once the stream is closed.
struct MemoryOutput {
  char* data = nullptr;
  std::size_t size = 0;

  MemoryOutput() = default;
  MemoryOutput(const MemoryOutput&) = delete;
  MemoryOutput& operator=(const MemoryOutput&) = delete;
  ~MemoryOutput() { std::free(data); }
  std::FILE* Open() { return open_memstream(&data, &size); }
  std::string Text() const { return {data, size}; }
};

// What body writes to the standard stream (stdout or stderr).
template <class Body>
std::string Capture(std::FILE*& stream, Body body) {
  MemoryOutput captured;
  std::FILE* const saved = stream;
  stream = captured.Open();
  body();
  std::fclose(stream);
  stream = saved;
  return captured.Text();
}

}  // namespace morv::fuzz
