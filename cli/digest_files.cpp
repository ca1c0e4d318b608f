#include "digest_files.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "morv.h"
#include "platform.h"

namespace morv::cli {
namespace {

// Each lane reads its file in chunks of this size, so that a lane never holds
// more of a file than one chunk, however large the file.
constexpr std::size_t kChunkBytes = 1 << 16;

// How far the lanes may run ahead of the first file still being hashed: the
// results of files finished after it wait for it here, in a ring.
constexpr int kWindow = 64;

struct Result {
  bool done;
  int err;
  std::uint8_t digest[kMaxLaneDigestBits / 8];
};

bool ForTheLanes(const char* name) {
  if (std::strcmp(name, "-") == 0) return false;
  return KindOfFile(name) != FileKind::Other;  // open reports a missing file
}

ssize_t ReadChunk(int fd, std::uint8_t* chunk) {
  ssize_t n;
  do {
    n = read(fd, chunk, kChunkBytes);
  } while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

int DigestFiles(const char* const* names, int count, int digestBits, const FileResult& result) {
  static std::uint8_t chunks[BatchLanes][kChunkBytes];
  static Result results[kWindow];
  BatchContext batch;
  int fds[BatchLanes], files[BatchLanes];  // the lane's file and its index; fd -1: a free lane
  std::fill_n(fds, BatchLanes, -1);
  int next = 0, reported = 0, busy = 0;
  bool stopped = false;

  for (;;) {
    for (int lane = 0; lane < BatchLanes; ++lane) {
      while (fds[lane] < 0 && !stopped && next < count && next < reported + kWindow) {
        if (!ForTheLanes(names[next])) {
          stopped = true;
          break;
        }
        Result& r = results[next % kWindow];
        r.done = false;
        r.err = 0;
        const int fd = OpenForReading(names[next]);
        if (fd < 0) {
          r = {true, errno, {}};
        } else {
          fds[lane] = fd;
          files[lane] = next;
          BatchInit(&batch, lane, digestBits);
          ++busy;
        }
        ++next;
      }
    }

    // A chunk for each busy lane; a lane at the end of its file is finished.
    const std::uint8_t* pieces[BatchLanes] = {};
    std::size_t bitCounts[BatchLanes] = {};
    std::uint8_t* digests[BatchLanes] = {};
    for (int lane = 0; lane < BatchLanes; ++lane) {
      if (fds[lane] < 0) continue;
      Result& r = results[files[lane] % kWindow];
      const ssize_t n = ReadChunk(fds[lane], chunks[lane]);
      if (n > 0) {
        pieces[lane] = chunks[lane];
        bitCounts[lane] = 8 * static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0) {
        r = {true, errno, {}};
      } else {
        digests[lane] = r.digest;
        r.done = true;
      }
      close(fds[lane]);
      fds[lane] = -1;
      --busy;
    }
    BatchUpdate(&batch, pieces, bitCounts);
    BatchFinal(&batch, digests);

    for (; reported < next && results[reported % kWindow].done; ++reported) {
      const Result& r = results[reported % kWindow];
      result(names[reported], r.err, r.err == 0 ? r.digest : nullptr);
    }
    if (busy == 0 && (stopped || next == count)) return reported;
  }
}

}  // namespace morv::cli
