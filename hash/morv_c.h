/* The C interface of morv, for C (C99 and later), C++ and any language with a
 * foreign function interface. The same core as morv.h, with C linkage and the
 * morv_ prefix: a context that the caller keeps (on the stack, say), integer
 * results, nothing allocated, no global mutable state.
 *
 * Every call returns 0 on success and 1 for a call it refuses, as the core
 * does; a refused call writes nothing. Digest lengths from 0 to 512 bits use
 * the 512-bit state, longer ones the 1024-bit state. A digest of digest_bits
 * bits takes (digest_bits + 7) / 8 bytes; a message of n bits is held in
 * (n + 7) / 8 bytes, its partial last byte in the most significant bits.
 */
#ifndef MORV_C_H
#define MORV_C_H

#include <stddef.h>
#include <stdint.h>

#include "morv_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The state of one message. Its size and alignment are the core's context's
 * (a static_assert in the library proves it); its words are private. A
 * context may be copied to fork a message. */
typedef struct morv_context {
  uint64_t words_[37];
} morv_context;

/* Starts a message. Refused for a negative digest length. */
MORV_API int morv_init(morv_context *ctx, int digest_bits);

/* Adds byte_count bytes to the message, on a context that morv_init set up
 * (the core refuses one whose state width it cannot tell). After a partial
 * byte (morv_update_bits) only morv_final may follow. */
MORV_API int morv_update(morv_context *ctx, const void *data, size_t byte_count);

/* Adds the first bit_count bits of data, most significant first in each byte.
 * A bit count that is not a multiple of 8 makes this the message's last
 * piece. Refused as morv_update is. */
MORV_API int morv_update_bits(morv_context *ctx, const void *data, size_t bit_count);

/* Writes the digest; only morv_init makes the context usable again. Refused
 * as morv_update is. */
MORV_API int morv_final(morv_context *ctx, uint8_t *digest);

/* The digest of a whole message of byte_count bytes, in one call. Refused for
 * a negative digest length. */
MORV_API int morv_hash(int digest_bits, const void *message, size_t byte_count, uint8_t *digest);

/* Many messages at once, one per lane of the CPU's vector unit: each lane is a
 * 512-bit state with its own digest length (0 to 512 bits) and its own
 * message, and gives what morv_init, morv_update_bits and morv_final give. */
#define MORV_BATCH_LANES 8

typedef struct morv_batch_context {
  uint64_t words_[160];
} morv_batch_context;

/* Starts a message in lane 0 to 7. Refused for another lane or a digest
 * length outside 0 to 512. */
MORV_API int morv_batch_init(morv_batch_context *batch, int lane, int digest_bits);

/* Each lane whose message pointer is not null takes the next bit_counts[i]
 * bits of its message (only a message's last piece may end in a partial
 * byte); the other lanes stay as they are. */
MORV_API int morv_batch_update(morv_batch_context *batch, const void *const messages[MORV_BATCH_LANES],
                               const size_t bit_counts[MORV_BATCH_LANES]);

/* Finishes each lane whose digest pointer is not null; morv_batch_init starts
 * it again. */
MORV_API int morv_batch_final(morv_batch_context *batch, uint8_t *const digests[MORV_BATCH_LANES]);

/* One message for morv_hash_messages: its digest length, its bits, and the
 * buffer for its digest. */
typedef struct morv_message_job {
  int digest_bits;
  const void *message;
  size_t bit_count;
  uint8_t *digest;
} morv_message_job;

/* The digest of each of count jobs, eight at a time on the lanes (digests
 * over 512 bits one at a time). Refused when a job has a negative digest
 * length: that job's digest is not written, the others are. */
MORV_API int morv_hash_messages(const morv_message_job *jobs, size_t count);

/* The library's version, such as "1.0.0". */
MORV_API const char *morv_version(void);

#ifdef __cplusplus
}
#endif

#endif
