#include "digest_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "morv.h"

namespace morv::cli {

int DigestFile(const char* name, int digestBits, std::uint8_t* digest) {
  const bool isStdin = std::strcmp(name, "-") == 0;
  std::FILE* in = isStdin ? stdin : std::fopen(name, "rb");
  if (in == nullptr) return errno;

  // Static: one buffer serves every file, and 64 KiB is large for a stack.
  static std::uint8_t buffer[1 << 16];
  HashContext ctx;
  Init(&ctx, digestBits);
  errno = 0;
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
    Update(&ctx, buffer, 8 * n);
  }
  const int readError = std::ferror(in) ? (errno != 0 ? errno : EIO) : 0;
  if (isStdin) {
    std::clearerr(in);  // "-" may be named again
  } else {
    std::fclose(in);
  }
  if (readError != 0) return readError;
  Final(&ctx, digest);
  return 0;
}

}  // namespace morv::cli
