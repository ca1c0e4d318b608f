// Hashing a whole file, streamed through a fixed buffer.
#pragma once

#include <cstdint>

namespace morv::cli {

// The longest digest the checksum command makes, in bits.
inline constexpr int kMaxDigestBits = 65536;

// Hashes the file `name` ("-" is standard input) to digestBits bits (at most
// kMaxDigestBits) in digest. Returns 0, or the errno of the failed open or read.
int DigestFile(const char* name, int digestBits, std::uint8_t* digest);

}  // namespace morv::cli
