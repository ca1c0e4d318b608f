// AVX-512: 8 lanes on 512-bit registers.
#include "lanes512.h"

#ifdef MORV_LANES_AVX512
namespace morv {

using Words8 = std::uint64_t __attribute__((vector_size(8 * 8)));

__attribute__((target("avx512f"))) void ProcessLanes512Avx512(const Lane* lanes, std::size_t blockCount) {
  ProcessLanesOn<Words8>(lanes, blockCount);
}

}  // namespace morv
#endif
