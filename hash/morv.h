// morv: a hash of any message length in bits to any digest length, built on a
// tweakable block transform. Digest lengths up to 512 bits use a 512-bit state,
// longer ones a 1024-bit state.
//
// The core interface is C-like: a plain context that the caller keeps on the
// stack, integer results, no heap, no global mutable state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "morv_export.h"

namespace morv {

// The 128-bit tweak. T0 counts the bytes of the current block type processed so
// far; T1 holds the block type and the flags for the next block.
struct Tweak {
  std::uint64_t T0;
  std::uint64_t T1;
};

// T1 masks. The block type sits in T1 bits 56-61.
inline constexpr std::uint64_t FlagFinal = std::uint64_t{1} << 63;
inline constexpr std::uint64_t FlagFirst = std::uint64_t{1} << 62;
inline constexpr std::uint64_t FlagBitPad = std::uint64_t{1} << 55;
inline constexpr std::uint64_t TypeConfig = std::uint64_t{4} << 56;
inline constexpr std::uint64_t TypeMessage = std::uint64_t{48} << 56;
inline constexpr std::uint64_t TypeOutput = std::uint64_t{63} << 56;

struct ContextHeader {
  std::size_t digestBits;     // digest length in bits given to Init
  std::size_t bufferedBytes;  // message bytes held in buffer, 0..block size
  Tweak tweak;
};

struct Ctx512 {
  ContextHeader header;
  std::uint64_t chain[8];
  std::uint8_t buffer[64];  // the last block is always held here for Final
};

struct Ctx1024 {
  ContextHeader header;
  std::uint64_t chain[16];
  std::uint8_t buffer[128];
};

union WidthContext {
  Ctx512 ctx512;
  Ctx1024 ctx1024;
};

// The record callers hold. stateWidth is 512 or 1024 once Init has run; Update
// and Final select the width from its bits 8 and 9.
struct HashContext {
  int stateWidth;
  WidthContext widthContext;
};

// The bytes that hold a digest of digestBits bits, which Final writes: the
// core's, the C++ layer's and the C interface's one rule.
constexpr std::size_t digestBytes(std::size_t digestBits) noexcept { return (digestBits + 7) / 8; }

// One call takes at most SIZE_MAX bits: a longer run of bytes (possible only
// where size_t has 32 bits) goes in pieces of at most this many whole bytes.
inline constexpr std::size_t MaxBytesPerCall = SIZE_MAX / 8;

// All calls return 0 on success. Init and HashMessage return 1 for a negative
// digest length and then write nothing; Update and Final return 1, leaving the
// context unchanged, when stateWidth selects no width.
//
// Calling order: Init, any number of Update calls (only the last may have a
// bit count that is not a multiple of 8), Final once. After Final, only Init
// makes the context usable again. The digest buffer holds digestBytes(digestBits)
// bytes; a message of n bits occupies (n + 7) / 8 bytes, its partial last byte
// in the most significant bits.
MORV_API int Init(HashContext* ctx, int digestBits);
MORV_API int Update(HashContext* ctx, const std::uint8_t* message, std::size_t bitCount);
MORV_API int Final(HashContext* ctx, std::uint8_t* digest);
MORV_API int HashMessage(int digestBits, const std::uint8_t* message, std::size_t bitCount,
                         std::uint8_t* digest);

// The width operations behind the interface, one chaining mode for both widths.
MORV_API int Init512(Ctx512* ctx, std::size_t digestBits);
MORV_API int Update512(Ctx512* ctx, const std::uint8_t* bytes, std::size_t byteCount);
MORV_API int Final512(Ctx512* ctx, std::uint8_t* digest);
MORV_API int Init1024(Ctx1024* ctx, std::size_t digestBits);
MORV_API int Update1024(Ctx1024* ctx, const std::uint8_t* bytes, std::size_t byteCount);
MORV_API int Final1024(Ctx1024* ctx, std::uint8_t* digest);

// Many independent messages at once, one per lane of the CPU's vector unit:
// each lane is a 512-bit state with its own digest length (0 to 512 bits) and
// its own message, and the lanes' blocks go through the transform together.
// Every lane gives exactly what Init, Update and Final give for its message.
// Longer digests use the 1024-bit state, which has no lanes: HashMessages
// hashes them one at a time, and BatchInit refuses them.
inline constexpr int BatchLanes = 8;

struct BatchContext {
  Ctx512 lanes[BatchLanes];
};

// Starts a message in lane 0..7. Returns 1 for another lane or a digest
// length outside 0..512, and then changes nothing.
MORV_API int BatchInit(BatchContext* batch, int lane, int digestBits);
// Every lane whose message pointer is not null takes the next bitCounts[i]
// bits of its message, under Update's rules (only a message's last piece may
// end in a partial byte); the other lanes stay as they are. Lanes of unequal
// pieces run together for as many blocks as they share, then alone.
MORV_API int BatchUpdate(BatchContext* batch, const std::uint8_t* const messages[BatchLanes],
                         const std::size_t bitCounts[BatchLanes]);
// Finishes every lane whose digest pointer is not null, as Final does; a
// finished lane is used again after BatchInit.
MORV_API int BatchFinal(BatchContext* batch, std::uint8_t* const digests[BatchLanes]);

// One message of HashMessages and the buffer of digestBytes for its digest.
struct MessageJob {
  int digestBits;
  const std::uint8_t* message;
  std::size_t bitCount;
  std::uint8_t* digest;
};

// HashMessage for each of count jobs, eight at a time on the lanes. Returns 1
// when a job has a negative digest length (its digest is not written, the
// others are), else 0.
MORV_API int HashMessages(const MessageJob* jobs, std::size_t count);

// The lane kernels that BatchUpdate and HashMessages choose from on this CPU,
// widest first, joined by '+', such as "avx512+avx512vl": "avx512" (8 lanes),
// "avx512vl" or "avx2" (4 lanes), and "scalar" (one lane after the other on
// KernelName(512)), named only where the CPU has no other. Each stretch of
// blocks runs on the narrowest that takes all the messages working in it, and
// one or two messages run one at a time on every CPU.
MORV_API const char* BatchKernelName();

// The name of the kernel that processes blocks of the state width (512 or
// 1024) on this CPU: "portable", or an optimised kernel's name such as
// "x86-64". Every kernel gives the same digests. nullptr for other widths.
MORV_API const char* KernelName(int stateWidth);

}  // namespace morv
