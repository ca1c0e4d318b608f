// One reader's lanes: eight files hashed side by side on the batch interface,
// each read in chunks, a lane refilled with the next file as soon as its file
// ends. Digests longer than the lanes make get a context of their own in the
// lane, so a reader takes every file. The files come from a FileSource: a
// list (HashFiles) or morvsum's queue, which hands them to several readers.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "morv.h"

namespace morv::files {

// The longest digest that the batch interface's lanes make, in bits.
inline constexpr int kMaxLaneDigestBits = 512;

// A file to hash and, once hashed, its outcome.
struct FileJob {
  std::string name;
  int digestBits = 0;
  int err = 0;                       // the errno of the failed open or read, else 0
  std::vector<std::uint8_t> digest;  // digestBytes(digestBits) bytes
  bool done = false;                 // err and digest are set
};

// A source's OpenFile result when descriptors ran out while the caller holds
// files: the lanes open again once one of theirs is closed.
inline constexpr int kTryLater = -2;

// Where the lanes take their files from and hand them back to. Take: the next
// file, or nullptr when there is none or a reader that holds busyLanes files
// should leave it to one that holds fewer. OpenFile: a descriptor for the
// job's file, or -1 with job.err set, or kTryLater (only when holdingFiles).
// Done: the job's outcome is set. (A concept, not virtual calls: a sanitizer
// checks every virtual call with a pipe, which a low limit of descriptors
// denies.)
template <class Source>
concept FileSource = requires(Source& source, FileJob& job, int n, bool holdingFiles) {
  { source.Take(n) } -> std::same_as<FileJob*>;
  { source.OpenFile(job, holdingFiles) } -> std::same_as<int>;
  source.CloseFile(n);
  source.Done(&job);
};

class FileLanes {
 public:
  // Allocates the chunks (std::bad_alloc when there is no memory for them);
  // nothing the lanes do after that allocates.
  FileLanes();

  // Fills the free lanes with files taken from the source, reads the next
  // chunk of each lane whose chunk is hashed, and hashes as many bytes of every
  // lane as the lane with the fewest left has: the lanes' blocks then run side
  // by side on the vector unit, where pieces of unequal lengths would leave the
  // longest to the scalar kernel. A file that ended (or failed) is finished,
  // closed and handed back to the source. False when no lane had a file to read.
  template <FileSource Source>
  bool Round(Source& source);

 private:
  template <FileSource Source>
  void Fill(Source& source);
  // Lane i starts on the job's file, open as fd.
  void Start(int i, FileJob* job, int fd);
  // Reads and hashes one round of the busy lanes; frees the lanes whose file
  // ended or failed and gives their jobs and descriptors.
  void Step(FileJob* (&ended)[BatchLanes], int (&endedFds)[BatchLanes]);

  struct Lane {
    FileJob* job = nullptr;  // nullptr: the lane is free
    int fd = -1;
    std::size_t next = 0, end = 0;  // the bytes of its chunk still to hash
    HashContext wide{};             // for a digest beyond kMaxLaneDigestBits
  };
  Lane lanes_[BatchLanes];
  int busy_ = 0;
  FileJob* waiting_ = nullptr;  // taken, and to be opened once one of our files is closed
  BatchContext batch_{};
  // A lane never holds more of its file than one chunk, however large the
  // file. Page-aligned: a chunk that starts off a cache line costs the kernel's
  // copy and every block's loads a line more (a third more time in all).
  struct alignas(4096) Chunk {
    std::uint8_t bytes[1 << 16];
  };
  std::unique_ptr<Chunk[]> chunks_;  // one a lane
};

template <FileSource Source>
void FileLanes::Fill(Source& source) {
  for (int i = 0; i < BatchLanes; ++i) {
    while (lanes_[i].job == nullptr) {
      FileJob* job = waiting_ != nullptr ? std::exchange(waiting_, nullptr) : source.Take(busy_);
      if (job == nullptr) return;
      const int fd = source.OpenFile(*job, busy_ > 0);
      if (fd == kTryLater) {
        waiting_ = job;
        return;
      }
      if (fd < 0) {
        source.Done(job);
        continue;
      }
      Start(i, job, fd);
    }
  }
}

template <FileSource Source>
bool FileLanes::Round(Source& source) {
  Fill(source);
  if (busy_ == 0) return false;
  FileJob* ended[BatchLanes] = {};
  int endedFds[BatchLanes] = {};
  Step(ended, endedFds);
  for (int i = 0; i < BatchLanes; ++i) {
    if (ended[i] == nullptr) continue;
    source.CloseFile(endedFds[i]);
    source.Done(ended[i]);
  }
  return true;
}

}  // namespace morv::files
