// AVX2: 4 lanes on 256-bit registers; a rotation is two shifts and an OR.
#include "lanes512.h"

#ifdef MORV_LANES_AVX2
namespace morv {

using Words4 = std::uint64_t __attribute__((vector_size(4 * 8)));

__attribute__((target("avx2"))) void ProcessLanes512Avx2(const Lane* lanes, std::size_t blockCount) {
  ProcessLanesOn<Words4>(lanes, blockCount);
}

}  // namespace morv
#endif
