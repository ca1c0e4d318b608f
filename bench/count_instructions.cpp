// Runs the 512-bit ProcessBlocks over a given number of 64-byte blocks, so that
// callgrind's instruction counts of two runs give the cost of one block:
//   (Ir(n2) - Ir(n1)) / ((n2 - n1) * 64) instructions per byte.
#include <cstdlib>
#include <cstdio>

#include "morv.h"
#include "transform512.h"

int main(int argc, char** argv) {
  const std::size_t blocks = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1;
  static std::uint8_t data[64 * 1024];
  for (std::size_t i = 0; i < sizeof data; ++i) data[i] = static_cast<std::uint8_t>(i);
  morv::Ctx512 ctx{};
  for (std::size_t done = 0; done < blocks;) {
    const std::size_t n = blocks - done < 1024 ? blocks - done : 1024;
    morv::ProcessBlocks(&ctx, data, n, 64);
    done += n;
  }
  std::printf("%016llx\n", static_cast<unsigned long long>(ctx.chain[0]));
}
