// The WebAssembly module's exports: the core interface over one scratch
// context and fixed buffers in the module's memory. The JavaScript side keeps
// each hash object's context as bytes and copies it in and out around a call,
// so the module owns no object, has nothing to free, and its memory does not
// grow with the number of objects or the length of a message.
#include <cstddef>
#include <cstdint>

#include "morv.h"

namespace {

// Messages pass through the input buffer in pieces of at most this size.
constexpr std::size_t kInputBytes = 64 * 1024;
constexpr std::size_t kMaxDigestBytes = 65536 / 8;

morv::HashContext scratch;
std::uint8_t input[kInputBytes];
std::uint8_t digest[kMaxDigestBytes];

}  // namespace

#define MORV_WASM_EXPORT(name) extern "C" __attribute__((export_name(name)))

MORV_WASM_EXPORT("context") morv::HashContext* Context() { return &scratch; }
MORV_WASM_EXPORT("contextBytes") std::size_t ContextBytes() { return sizeof scratch; }
MORV_WASM_EXPORT("input") std::uint8_t* Input() { return input; }
MORV_WASM_EXPORT("inputBytes") std::size_t InputBytes() { return kInputBytes; }
MORV_WASM_EXPORT("digest") std::uint8_t* Digest() { return digest; }
// The longest digest the package offers: its bits are the limit of digest lengths.
MORV_WASM_EXPORT("digestBytes") std::size_t DigestBytes() { return kMaxDigestBytes; }

// Each returns the core's result: 0 on success.
MORV_WASM_EXPORT("init") int InitScratch(int digestBits) { return morv::Init(&scratch, digestBits); }
MORV_WASM_EXPORT("update") int UpdateScratch(std::size_t bitCount) {
  return morv::Update(&scratch, input, bitCount);
}
MORV_WASM_EXPORT("final") int FinalScratch() { return morv::Final(&scratch, digest); }
MORV_WASM_EXPORT("hashInput") int HashInput(int digestBits, std::size_t bitCount) {
  return morv::HashMessage(digestBits, input, bitCount, digest);
}
