// Prints the 256-bit digest of each file named, all hashed at once on the
// CPU's vector lanes through morv::hashEach (each file is read whole first).
#include <morv/hasher.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

int main(int argc, char** argv) {
  std::vector<std::vector<std::uint8_t>> contents;
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    if (!file) {
      std::perror(argv[i]);
      return 1;
    }
    contents.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  const std::vector<std::span<const std::uint8_t>> messages(contents.begin(), contents.end());
  std::vector<morv::Digest<256>> digests(messages.size());
  morv::hashEach<256>(messages, digests);

  for (std::size_t i = 0; i < digests.size(); ++i) {
    for (const std::uint8_t byte : digests[i]) std::printf("%02x", byte);
    std::printf("  %s\n", argv[i + 1]);
  }
  std::printf("lanes: %s\n", morv::BatchKernelName());
  return 0;
}
