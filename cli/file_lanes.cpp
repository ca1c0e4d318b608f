#include "file_lanes.h"

#include <cerrno>
#include <utility>

#include "digest_queue.h"
#include "system.h"

namespace morv::cli {

FileLanes::FileLanes() : chunks_(new Chunk[BatchLanes]) {}

void FileLanes::Fill(DigestQueue& queue) {
  for (int i = 0; i < BatchLanes; ++i) {
    Lane& lane = lanes_[i];
    while (lane.job == nullptr) {
      FileJob* job = waiting_ != nullptr ? std::exchange(waiting_, nullptr) : queue.Take(busy_);
      if (job == nullptr) return;
      const int fd = queue.OpenFile(*job, busy_ > 0);
      if (fd == DigestQueue::kTryLater) {
        waiting_ = job;
        return;
      }
      if (fd < 0) {
        queue.Done(job);
        continue;
      }
      lane.job = job;
      lane.fd = fd;
      ++busy_;
      if (job->digestBits > kMaxLaneDigestBits) {
        Init(&lane.wide, job->digestBits);
      } else {
        BatchInit(&batch_, i, job->digestBits);
      }
    }
  }
}

bool FileLanes::Round(DigestQueue& queue) {
  Fill(queue);
  if (busy_ == 0) return false;
  const std::uint8_t* pieces[BatchLanes] = {};
  std::size_t bitCounts[BatchLanes] = {};
  std::uint8_t* digests[BatchLanes] = {};
  FileJob* ended[BatchLanes] = {};
  for (int i = 0; i < BatchLanes; ++i) {
    Lane& lane = lanes_[i];
    if (lane.job == nullptr) continue;
    std::uint8_t* chunk = chunks_[i].bytes;
    const long n = ReadSome(lane.fd, chunk, sizeof chunks_[i].bytes);
    const bool wide = lane.job->digestBits > kMaxLaneDigestBits;
    if (n > 0) {
      const std::size_t bits = 8 * static_cast<std::size_t>(n);
      if (wide) {
        Update(&lane.wide, chunk, bits);
      } else {
        pieces[i] = chunk;
        bitCounts[i] = bits;
      }
      continue;
    }
    if (n < 0) {
      lane.job->err = errno;
    } else if (wide) {
      Final(&lane.wide, lane.job->digest.data());
    } else {
      digests[i] = lane.job->digest.data();
    }
    queue.CloseFile(lane.fd);
    ended[i] = std::exchange(lane.job, nullptr);
    --busy_;
  }
  BatchUpdate(&batch_, pieces, bitCounts);
  BatchFinal(&batch_, digests);
  for (FileJob* job : ended) {
    if (job != nullptr) queue.Done(job);
  }
  return true;
}

}  // namespace morv::cli
