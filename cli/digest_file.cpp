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
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;) {
    Update(&ctx, buffer, 8 * n);
  }
  if (std::ferror(in.get())) return errno != 0 ? errno : EIO;
  Final(&ctx, digest);
  return 0;
}

}  // namespace morv::cli
