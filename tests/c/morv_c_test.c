/* The C interface from C, against the independent known answers: each vector
 * through the one-shot call, through init, update, update_bits and final (a
 * copied context finishing the message), through the batch context's lanes and
 * through morv_hash_messages; the refusals; the contexts' size and alignment
 * against the core's; the version.
 *
 *   morv_c_test tests/data/hash_vectors.txt VERSION
 */
#include <morv/morv_c.h>

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The core's layout, from core_layout.cpp. */
extern const size_t morv_core_context_size, morv_core_context_align;
extern const size_t morv_core_batch_size, morv_core_batch_align;

enum { kMaxBytes = 512, kMaxVectors = 128, kGuard = 0xA5 };

typedef struct {
  int digest_bits;
  int streamed; /* count repetitions of the 64-byte message */
  size_t count; /* the message's bits, or the repetitions */
  uint8_t message[kMaxBytes];
  uint8_t digest[kMaxBytes];
  int line;
} vector;

static int passed, failed;

static void check(int ok, int line, const char *what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    printf("FAIL: line %d: %s\n", line, what);
  }
}

static size_t digest_bytes(int digest_bits) { return ((size_t)digest_bits + 7) / 8; }

/* "-" is no bytes. */
static size_t from_hex(const char *hex, uint8_t *out) {
  size_t n = 0;
  unsigned byte;
  if (strcmp(hex, "-") == 0) return 0;
  while (n < kMaxBytes && sscanf(hex + 2 * n, "%2x", &byte) == 1) out[n++] = (uint8_t)byte;
  return n;
}

/* A buffer of guard bytes receives the digest: exactly its bytes change. */
static void fresh(uint8_t *buffer) { memset(buffer, kGuard, kMaxBytes); }
static int is_digest(const uint8_t *buffer, const vector *v) {
  size_t n = digest_bytes(v->digest_bits), i;
  for (i = n; i < kMaxBytes; ++i) {
    if (buffer[i] != kGuard) return 0;
  }
  return memcmp(buffer, v->digest, n) == 0;
}
static int untouched(const uint8_t *buffer) {
  size_t i;
  for (i = 0; i < kMaxBytes; ++i) {
    if (buffer[i] != kGuard) return 0;
  }
  return 1;
}

static size_t load(const char *path, vector *vectors) {
  char text[2 * kMaxBytes + 256], message[2 * kMaxBytes + 1], digest[2 * kMaxBytes + 1];
  size_t n = 0;
  int streamed = 0, line = 0;
  FILE *file = fopen(path, "r");
  if (file == NULL) {
    perror(path);
    exit(2);
  }
  while (fgets(text, sizeof text, file) != NULL && n < kMaxVectors) {
    vector *v = &vectors[n];
    unsigned long count;
    int fields;
    ++line;
    if (strncmp(text, "# Streamed", 10) == 0) streamed = 1;
    if (text[0] == '#' || text[0] == '\n') continue;
    fields = streamed ? sscanf(text, "%d %1024s %lu %1024s", &v->digest_bits, message, &count, digest)
                      : sscanf(text, "%d %lu %1024s %1024s", &v->digest_bits, &count, message, digest);
    if (fields != 4) {
      printf("%s:%d: not a known answer\n", path, line);
      exit(2);
    }
    v->streamed = streamed;
    v->count = count;
    v->line = line;
    from_hex(message, v->message);
    from_hex(digest, v->digest);
    ++n;
  }
  fclose(file);
  return n;
}

static void check_streamed(const vector *v) {
  morv_context ctx;
  uint8_t out[kMaxBytes];
  size_t i;
  int result = morv_init(&ctx, v->digest_bits);
  for (i = 0; i < v->count; ++i) result |= morv_update(&ctx, v->message, 64);
  fresh(out);
  result |= morv_final(&ctx, out);
  check(result == 0 && is_digest(out, v), v->line, "init, update per chunk, final");
}

/* The whole bytes in two pieces, the second on a copy of the context, then the
 * partial byte; and all bits in one morv_update_bits. */
static void check_message(const vector *v) {
  morv_context ctx, copy;
  uint8_t out[kMaxBytes];
  const size_t bytes = v->count / 8, half = bytes / 2;
  int result;
  if (v->count % 8 == 0) {
    fresh(out);
    check(morv_hash(v->digest_bits, v->message, bytes, out) == 0 && is_digest(out, v), v->line,
          "morv_hash");
  }
  result = morv_init(&ctx, v->digest_bits);
  result |= morv_update(&ctx, v->message, half);
  copy = ctx;
  result |= morv_update(&copy, v->message + half, bytes - half);
  result |= morv_update_bits(&copy, v->message + bytes, v->count % 8);
  fresh(out);
  result |= morv_final(&copy, out);
  check(result == 0 && is_digest(out, v), v->line, "init, update, a copy, update_bits, final");

  result = morv_init(&ctx, v->digest_bits);
  result |= morv_update_bits(&ctx, v->message, v->count);
  fresh(out);
  result |= morv_final(&ctx, out);
  check(result == 0 && is_digest(out, v), v->line, "init, update_bits, final");
}

/* The messages of digests up to 512 bits, eight lanes at a time: their whole
 * bytes in one update, their partial byte in a second. */
static void check_batch(const vector *vectors, size_t n) {
  static uint8_t out[MORV_BATCH_LANES][kMaxBytes];
  morv_batch_context batch;
  const vector *in_lane[MORV_BATCH_LANES];
  const void *messages[MORV_BATCH_LANES];
  size_t bit_counts[MORV_BATCH_LANES];
  uint8_t *digests[MORV_BATCH_LANES];
  size_t i = 0;
  while (i < n) {
    int lanes = 0, lane, result = 0;
    for (; i < n && lanes < MORV_BATCH_LANES; ++i) {
      if (vectors[i].streamed || vectors[i].digest_bits > 512) continue;
      in_lane[lanes] = &vectors[i];
      result |= morv_batch_init(&batch, lanes, vectors[i].digest_bits);
      ++lanes;
    }
    if (lanes == 0) break;
    for (lane = 0; lane < MORV_BATCH_LANES; ++lane) {
      messages[lane] = lane < lanes ? in_lane[lane]->message : NULL;
      bit_counts[lane] = lane < lanes ? in_lane[lane]->count / 8 * 8 : 0;
      digests[lane] = lane < lanes ? out[lane] : NULL;
      fresh(out[lane]);
    }
    result |= morv_batch_update(&batch, messages, bit_counts);
    for (lane = 0; lane < lanes; ++lane) {
      messages[lane] = in_lane[lane]->message + in_lane[lane]->count / 8;
      bit_counts[lane] = in_lane[lane]->count % 8;
    }
    result |= morv_batch_update(&batch, messages, bit_counts);
    result |= morv_batch_final(&batch, digests);
    for (lane = 0; lane < lanes; ++lane) {
      check(result == 0 && is_digest(out[lane], in_lane[lane]), in_lane[lane]->line, "the batch's lanes");
    }
    for (lane = lanes; lane < MORV_BATCH_LANES; ++lane) {
      check(untouched(out[lane]), 0, "a lane without a digest pointer was written");
    }
  }
}

/* Every message in one call, any digest length, with a refused job among them. */
static void check_hash_messages(const vector *vectors, size_t n) {
  static uint8_t out[kMaxVectors + 1][kMaxBytes];
  static morv_message_job jobs[kMaxVectors + 1];
  size_t i, count = 0;
  for (i = 0; i < n; ++i) {
    if (vectors[i].streamed) continue;
    jobs[count].digest_bits = vectors[i].digest_bits;
    jobs[count].message = vectors[i].message;
    jobs[count].bit_count = vectors[i].count;
    jobs[count].digest = out[count];
    fresh(out[count]);
    ++count;
  }
  jobs[count].digest_bits = -1;
  jobs[count].message = vectors[0].message;
  jobs[count].bit_count = 8;
  jobs[count].digest = out[count];
  fresh(out[count]);
  check(morv_hash_messages(jobs, count + 1) == 1, 0, "morv_hash_messages with a negative digest length");
  check(untouched(out[count]), 0, "morv_hash_messages wrote a refused job's digest");
  for (i = 0, count = 0; i < n; ++i) {
    if (vectors[i].streamed) continue;
    check(is_digest(out[count++], &vectors[i]), vectors[i].line, "morv_hash_messages");
  }
}

static void check_refusals(void) {
  morv_context ctx;
  morv_batch_context batch;
  uint8_t out[kMaxBytes];
  fresh(out);
  check(morv_hash(-1, "abc", 3, out) == 1 && untouched(out), 0, "morv_hash refuses a negative length");
  memset(&ctx, 0xFF, sizeof ctx); /* a state width of neither kind */
  check(morv_init(&ctx, -8) == 1, 0, "morv_init refuses a negative length");
  check(morv_update(&ctx, "abc", 3) == 1 && morv_update_bits(&ctx, "abc", 3) == 1, 0,
        "an update refuses a context of no width");
  check(morv_final(&ctx, out) == 1 && untouched(out), 0, "morv_final refuses a context of no width");
  check(morv_batch_init(&batch, MORV_BATCH_LANES, 256) == 1 && morv_batch_init(&batch, -1, 256) == 1, 0,
        "morv_batch_init refuses a lane outside 0..7");
  check(morv_batch_init(&batch, 0, 513) == 1 && morv_batch_init(&batch, 0, -1) == 1, 0,
        "morv_batch_init refuses a digest length outside 0..512");
}

/* C99 has no alignof: the offset of a member after one char is its alignment. */
struct context_after_char {
  char c;
  morv_context member;
};
struct batch_after_char {
  char c;
  morv_batch_context member;
};

static void check_layout(void) {
  check(sizeof(morv_context) >= morv_core_context_size &&
            offsetof(struct context_after_char, member) % morv_core_context_align == 0,
        0, "morv_context holds the core's context");
  check(sizeof(morv_batch_context) >= morv_core_batch_size &&
            offsetof(struct batch_after_char, member) % morv_core_batch_align == 0,
        0, "morv_batch_context holds the core's batch context");
  printf("morv_context: %lu bytes aligned to %lu, the core's %lu aligned to %lu\n",
         (unsigned long)sizeof(morv_context), (unsigned long)offsetof(struct context_after_char, member),
         (unsigned long)morv_core_context_size, (unsigned long)morv_core_context_align);
}

int main(int argc, char **argv) {
  static vector vectors[kMaxVectors];
  size_t n, i;
  if (argc != 3) {
    fputs("usage: morv_c_test HASH_VECTORS VERSION\n", stderr);
    return 2;
  }
  n = load(argv[1], vectors);
  if (n < 50) {
    printf("%s: only %lu known answers\n", argv[1], (unsigned long)n);
    return 2;
  }
  for (i = 0; i < n; ++i) {
    if (vectors[i].streamed) {
      check_streamed(&vectors[i]);
    } else {
      check_message(&vectors[i]);
    }
  }
  check_batch(vectors, n);
  check_hash_messages(vectors, n);
  check_refusals();
  check_layout();
  check(strcmp(morv_version(), argv[2]) == 0, 0, "morv_version");
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
