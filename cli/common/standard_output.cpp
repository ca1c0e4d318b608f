#include "standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "diagnostics.h"
#include "system.h"

namespace morv::cli {
namespace {

int writeFailureStatus = EXIT_FAILURE;

// As coreutils' close_stdout: a write that failed during the run is reported
// without a reason unless the descriptor itself is bad (a closed stdout); a
// failure of the final flush, with its reason.
void CheckStdout() {
  const bool failedBefore = std::ferror(stdout) != 0;
  errno = 0;
  const bool flushFailed = std::fflush(stdout) != 0;
  const int flushErrno = errno;
  if (!failedBefore && !flushFailed) return;
  const bool badDescriptor = !IsOpen(stdout);
  Error(flushFailed ? flushErrno : badDescriptor ? EBADF : 0, "write error");
  std::_Exit(writeFailureStatus);
}

}  // namespace

void UseCheckedStdout(int failureStatus) {
  // Room for the longest line, a 65536-bit digest and a long name, in one write.
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOLBF, sizeof buffer);
  writeFailureStatus = failureStatus;
  std::atexit(CheckStdout);
}

}  // namespace morv::cli
