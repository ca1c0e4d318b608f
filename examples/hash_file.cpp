// Prints the 256-bit digest of a file, read in pieces through morv::Hasher.
#include <morv/hasher.h>

#include <array>
#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: hash_file FILE\n", stderr);
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "rb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  morv::Hasher<256> hasher;
  std::array<std::uint8_t, 16384> buffer;
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file)) {
    hasher.update(std::span(buffer).first(n));
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    std::perror(argv[1]);
    return 1;
  }
  for (const std::uint8_t byte : hasher.finish()) std::printf("%02x", byte);
  std::printf("  %s\n", argv[1]);
  return 0;
}
