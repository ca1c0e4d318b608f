// Runs one kernel's ProcessBlocks over a given number of blocks, so that
// callgrind's instruction counts of two runs give the cost of one block:
//   (Ir(n2) - Ir(n1)) / ((n2 - n1) * block bytes) instructions per byte.
//   morv_count_instructions WIDTH KERNEL BLOCKS   e.g. 1024 x86-64 10000
//   morv_count_instructions                        lists "WIDTH KERNEL" of those that run here
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernels.h"

namespace {

template <class Ctx>
bool Run(const char* name, std::size_t blocks) {
  for (const auto& kernel : morv::MessageKernels<Ctx>()) {
    if (std::strcmp(kernel.name, name) != 0 || !kernel.runsHere()) continue;
    static std::uint8_t data[64 * 1024];
    for (std::size_t i = 0; i < sizeof data; ++i) data[i] = static_cast<std::uint8_t>(i);
    constexpr std::size_t kBlocksInData = sizeof data / sizeof(Ctx::buffer);
    Ctx ctx{};
    for (std::size_t done = 0; done < blocks;) {
      const std::size_t n = blocks - done < kBlocksInData ? blocks - done : kBlocksInData;
      kernel.processBlocks(&ctx, data, n, sizeof(Ctx::buffer));
      done += n;
    }
    std::printf("%016llx\n", static_cast<unsigned long long>(ctx.chain[0]));
    return true;
  }
  return false;
}

template <class Ctx>
void List(int width) {
  for (const auto& kernel : morv::MessageKernels<Ctx>()) {
    if (kernel.runsHere()) std::printf("%d %s\n", width, kernel.name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    List<morv::Ctx512>(512);
    List<morv::Ctx1024>(1024);
    return 0;
  }
  const std::size_t blocks = std::strtoull(argv[3], nullptr, 10);
  const bool ran = std::strcmp(argv[1], "512") == 0    ? Run<morv::Ctx512>(argv[2], blocks)
                   : std::strcmp(argv[1], "1024") == 0 ? Run<morv::Ctx1024>(argv[2], blocks)
                                                       : false;
  if (!ran) std::fprintf(stderr, "no kernel %s %s runs here\n", argv[1], argv[2]);
  return ran ? 0 : 1;
}
