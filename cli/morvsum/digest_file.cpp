#include "digest_file.h"

#include <cerrno>

#include "input_file.h"
#include "morv.h"

namespace morv::cli {

int DigestFile(const char* name, int digestBits, std::uint8_t* digest) {
  const InputFile in(name);
  if (in.get() == nullptr) return in.openError();

  // Static: one buffer serves every file, and 64 KiB is large for a stack.
  static std::uint8_t buffer[1 << 16];
  HashContext ctx;
  Init(&ctx, digestBits);
  errno = 0;
  // A short read is the end (or an error): reading on after it would wait for a
  // second end of input on a terminal.
  for (std::size_t n = sizeof buffer; n == sizeof buffer;) {
    n = std::fread(buffer, 1, sizeof buffer, in.get());
    Update(&ctx, buffer, 8 * n);
  }
  if (std::ferror(in.get())) return errno != 0 ? errno : EIO;
  Final(&ctx, digest);
  return 0;
}

}  // namespace morv::cli
