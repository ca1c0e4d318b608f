#include "file_lanes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "file_io.h"

namespace morv::files {

FileLanes::FileLanes() : chunks_(new Chunk[BatchLanes]) {}

void FileLanes::Start(int i, FileJob* job, int fd) {
  Lane& lane = lanes_[i];
  lane.job = job;
  lane.fd = fd;
  lane.next = lane.end = 0;
  ++busy_;
  if (job->digestBits > kMaxLaneDigestBits) {
    Init(&lane.wide, job->digestBits);
  } else {
    BatchInit(&batch_, i, job->digestBits);
  }
}

void FileLanes::Step(FileJob* (&ended)[BatchLanes], int (&endedFds)[BatchLanes]) {
  std::uint8_t* digests[BatchLanes] = {};
  std::size_t step = SIZE_MAX;
  for (int i = 0; i < BatchLanes; ++i) {
    Lane& lane = lanes_[i];
    if (lane.job == nullptr) continue;
    const bool wide = lane.job->digestBits > kMaxLaneDigestBits;
    if (lane.next == lane.end) {
      const long n = ReadSome(lane.fd, chunks_[i].bytes, sizeof chunks_[i].bytes);
      if (n > 0) {
        lane.next = 0;
        lane.end = static_cast<std::size_t>(n);
      } else {
        if (n < 0) {
          lane.job->err = errno;
        } else if (wide) {
          Final(&lane.wide, lane.job->digest.data());
        } else {
          digests[i] = lane.job->digest.data();
        }
        ended[i] = lane.job;
        endedFds[i] = lane.fd;
        lane.job = nullptr;
        --busy_;
        continue;
      }
    }
    if (wide) {  // no lanes to keep pace with
      Update(&lane.wide, chunks_[i].bytes + lane.next, 8 * (lane.end - lane.next));
      lane.next = lane.end;
    } else {
      step = std::min(step, lane.end - lane.next);
    }
  }
  const std::uint8_t* pieces[BatchLanes] = {};
  std::size_t bitCounts[BatchLanes] = {};
  for (int i = 0; i < BatchLanes; ++i) {
    Lane& lane = lanes_[i];
    if (lane.job == nullptr || lane.next == lane.end) continue;
    pieces[i] = chunks_[i].bytes + lane.next;
    bitCounts[i] = 8 * step;
    lane.next += step;
  }
  BatchUpdate(&batch_, pieces, bitCounts);
  BatchFinal(&batch_, digests);
}

}  // namespace morv::files
