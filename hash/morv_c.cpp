// The C interface: each call forwards to the core on the same context, seen
// through the core's type.
#include "morv_c.h"

#include <algorithm>
#include <cstddef>

#include "morv.h"

namespace {

// The C types only reserve the core's memory: they must hold its types.
template <class Reserved, class Core>
constexpr bool kHolds = sizeof(Reserved) >= sizeof(Core) && alignof(Reserved) % alignof(Core) == 0;
static_assert(kHolds<morv_context, morv::HashContext>);
static_assert(kHolds<morv_batch_context, morv::BatchContext>);
static_assert(MORV_BATCH_LANES == morv::BatchLanes);

morv::HashContext* Core(morv_context* ctx) { return reinterpret_cast<morv::HashContext*>(ctx); }
morv::BatchContext* Core(morv_batch_context* batch) { return reinterpret_cast<morv::BatchContext*>(batch); }
const std::uint8_t* Bytes(const void* data) { return static_cast<const std::uint8_t*>(data); }
using morv::MaxBytesPerCall;

}  // namespace

extern "C" {

int morv_init(morv_context* ctx, int digest_bits) { return morv::Init(Core(ctx), digest_bits); }

int morv_update(morv_context* ctx, const void* data, std::size_t byte_count) {
  const std::uint8_t* bytes = Bytes(data);
  for (; byte_count > MaxBytesPerCall; byte_count -= MaxBytesPerCall, bytes += MaxBytesPerCall) {
    if (morv::Update(Core(ctx), bytes, 8 * MaxBytesPerCall) != 0) return 1;
  }
  return morv::Update(Core(ctx), bytes, 8 * byte_count);
}

int morv_update_bits(morv_context* ctx, const void* data, std::size_t bit_count) {
  return morv::Update(Core(ctx), Bytes(data), bit_count);
}

int morv_final(morv_context* ctx, std::uint8_t* digest) { return morv::Final(Core(ctx), digest); }

int morv_hash(int digest_bits, const void* message, std::size_t byte_count, std::uint8_t* digest) {
  if (byte_count <= MaxBytesPerCall) {
    return morv::HashMessage(digest_bits, Bytes(message), 8 * byte_count, digest);
  }
  morv_context ctx;
  if (morv_init(&ctx, digest_bits) != 0) return 1;
  morv_update(&ctx, message, byte_count);
  return morv_final(&ctx, digest);
}

int morv_batch_init(morv_batch_context* batch, int lane, int digest_bits) {
  return morv::BatchInit(Core(batch), lane, digest_bits);
}

int morv_batch_update(morv_batch_context* batch, const void* const messages[MORV_BATCH_LANES],
                      const std::size_t bit_counts[MORV_BATCH_LANES]) {
  const std::uint8_t* bytes[morv::BatchLanes];
  std::transform(messages, messages + morv::BatchLanes, bytes, Bytes);
  return morv::BatchUpdate(Core(batch), bytes, bit_counts);
}

int morv_batch_final(morv_batch_context* batch, std::uint8_t* const digests[MORV_BATCH_LANES]) {
  return morv::BatchFinal(Core(batch), digests);
}

// The core's jobs hold typed pointers, so the C jobs are copied over a lane's
// worth at a time, the batches HashMessages makes anyway.
int morv_hash_messages(const morv_message_job* jobs, std::size_t count) {
  int result = 0;
  morv::MessageJob chunk[morv::BatchLanes];
  while (count > 0) {
    const std::size_t n = std::min<std::size_t>(count, morv::BatchLanes);
    std::transform(jobs, jobs + n, chunk, [](const morv_message_job& job) {
      return morv::MessageJob{job.digest_bits, Bytes(job.message), job.bit_count, job.digest};
    });
    result |= morv::HashMessages(chunk, n);
    jobs += n;
    count -= n;
  }
  return result;
}

const char* morv_version(void) { return MORV_VERSION; }

}  // extern "C"
