// AVX-512VL: 4 lanes on 256-bit registers, with the rotation in one instruction.
#include "lanes512.h"

#ifdef MORV_LANES_AVX512
namespace morv {

using Words4 = std::uint64_t __attribute__((vector_size(4 * 8)));

__attribute__((target("avx512vl"))) void ProcessLanes512Avx512Vl(const Lane* lanes,
                                                               std::size_t blockCount) {
  ProcessLanesOn<Words4>(lanes, blockCount);
}

}  // namespace morv
#endif
