// The core's context as the C++ compiler lays it out, for the C test to set
// beside the C compiler's morv_context.
#include <morv/morv.h>

#include <cstddef>

extern "C" {
extern const std::size_t morv_core_context_size = sizeof(morv::HashContext);
extern const std::size_t morv_core_context_align = alignof(morv::HashContext);
extern const std::size_t morv_core_batch_size = sizeof(morv::BatchContext);
extern const std::size_t morv_core_batch_align = alignof(morv::BatchContext);
}
