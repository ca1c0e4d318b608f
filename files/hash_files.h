// Many files hashed on one thread, eight at a time on the lanes of the batch
// interface, in the memory of eight chunks whatever the files' sizes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morv::files {

// The outcome for one file: its digest, or the errno of the failed open or
// read and no digest.
struct FileDigest {
  int err = 0;
  std::vector<std::uint8_t> digest;
};

// The longest digest HashFiles makes, in bits.
inline constexpr int kMaxFileDigestBits = 65536;

// The outcomes of the files named (UTF-8), in their order, for digests of
// digestBits bits (0 to kMaxFileDigestBits, else std::invalid_argument; the
// last byte of a length that is no multiple of 8 as the core leaves it). A name may be given more than once. Every file is
// closed when it returns. Opens fewer files at once when descriptors run out,
// failing a file with EMFILE or ENFILE only when it holds no other. Throws
// std::bad_alloc before it opens any file when memory runs short.
std::vector<FileDigest> HashFiles(std::span<const std::string> names, int digestBits);

}  // namespace morv::files
