// Hashing many files at once, one per lane of the library's batch interface.
#pragma once

#include <cstdint>
#include <functional>

namespace morv::cli {

// The longest digest that the lanes make, in bits; longer ones go one file at
// a time through DigestFile.
inline constexpr int kMaxLaneDigestBits = 512;

// Called once per file, in the order of the names: 0 and the digest, or the
// errno of the failed open or read and nullptr.
using FileResult = std::function<void(const char* name, int err, const std::uint8_t* digest)>;

// Hashes names[0], names[1], ... to digestBits bits (at most
// kMaxLaneDigestBits) on the lanes, as long as they name regular files or
// files that cannot be opened, and reports each. Stops before "-" and before
// any other kind of file (a terminal, a pipe, a folder), which the caller reads
// on its own, so that such a file is only read once every file before it has
// its line. Returns how many names it reported.
int DigestFiles(const char* const* names, int count, int digestBits, const FileResult& result);

}  // namespace morv::cli
