// Files hashed by several workers at once, each with its own lanes, and every
// outcome handed back in the order the files were queued, on the thread that
// queued them: the output of any number of workers is that of one.
//
// The calling thread is the first worker: it hashes whenever it waits for an
// outcome, and with one worker it does all the work, so that no other thread
// runs. Outcomes finished after an earlier one that is still being hashed wait
// for it in a window of bounded size; when the window is full, the workers
// that have nothing else to take wait too, so one huge early file leaves only
// its own lane busy until it ends.
//
// Running out of memory on the calling thread throws std::bad_alloc out of
// any call, and the queue is then left to its destructor, which reports
// nothing more. No other thread allocates: a worker gets its lanes before it
// starts, and one that cannot get them, or a thread, is not started.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "file_lanes.h"

namespace morv::cli {

class DigestQueue {
 public:
  // err: 0 and digest, or the errno of the failed open or read and nullptr.
  using Report = std::function<void(int err, const std::uint8_t* digest)>;

  // The most workers a queue runs: more time-share the same cores.
  static constexpr int kMaxWorkers = 256;
  // Finished files that may wait for an earlier one, per worker: enough to
  // keep every lane busy while files of unequal sizes end out of order.
  static constexpr std::size_t kWindowPerWorker = 64;

  // workers: 1 to kMaxWorkers, this thread included.
  explicit DigestQueue(int workers);
  // Returns once every report and step has run, unless an exception is
  // leaving the caller: then only the files that the workers hold are
  // finished, unreported.
  ~DigestQueue();
  DigestQueue(const DigestQueue&) = delete;
  DigestQueue& operator=(const DigestQueue&) = delete;

  // Hashes the file to digestBits bits (at most 65536) and then calls report,
  // once every earlier report and step has run. Regular files go to the
  // workers; "-", terminals, pipes and folders are read here, on their own,
  // once everything before them is done.
  void Hash(const char* name, int digestBits, Report report);
  // Runs step once every earlier report and step has run.
  void Then(const std::function<void()>& step);
  // Hashes here, with the workers, and returns once every report and step
  // queued so far has run.
  void ReportAllQueued();

 private:
  using FileJob = files::FileJob;

  // For the lanes. Take: the next queued file, each worker's fair share of
  // the files in hand. OpenFile: the descriptor is counted among those the
  // workers hold; when descriptors ran out, files::kTryLater if holdingFiles,
  // otherwise it waits for another worker to close a file and opens again,
  // and fails only when no other worker holds one.
  FileJob* Take(int busyLanes);
  int OpenFile(FileJob& job, bool holdingFiles);
  void CloseFile(int fd);
  void Done(FileJob* job);
  // The queue as the lanes' files::FileSource.
  class Source {
   public:
    explicit Source(DigestQueue& queue) : queue_(queue) {}
    FileJob* Take(int busyLanes) { return queue_.Take(busyLanes); }
    int OpenFile(FileJob& job, bool holdingFiles) { return queue_.OpenFile(job, holdingFiles); }
    void CloseFile(int fd) { queue_.CloseFile(fd); }
    void Done(FileJob* job) { queue_.Done(job); }

   private:
    DigestQueue& queue_;
  };
  // One round of these lanes on the queue's files.
  bool Round(files::FileLanes& lanes);

  struct Entry {
    FileJob job;
    bool isFile = false;  // false: a step, done when queued
    Report report;
  };
  // Queues a file for the workers (a step when name is nullptr) once the
  // window has room for it.
  void Push(const char* name, int digestBits, Report report);
  // Runs the reports of the finished entries at the front, in order.
  void ReportFinished(std::unique_lock<std::mutex>& lock);
  // Hashes here, and reports, until the window holds at most `keep` entries.
  void DrainTo(std::size_t keep);
  // Starts a worker with lanes of its own, unless there is no memory or
  // thread for it: then fewer workers do it all.
  void StartWorker();
  void Work(files::FileLanes& lanes);

  std::vector<Entry> window_;  // a ring; entry i is window_[i % size]
  std::size_t first_ = 0;      // the oldest entry not yet reported
  std::size_t next_ = 0;       // one past the newest
  std::size_t nextToTake_ = 0;
  int queued_ = 0;             // files not yet taken
  int taken_ = 0;              // files taken and not done
  int heldFiles_ = 0;          // descriptors the workers hold or are opening
  unsigned long closes_ = 0;   // files closed so far
  int wanted_;                 // workers, this thread included
  int workers_ = 1;            // this thread and those started
  bool stopping_ = false;      // no file is taken any more
  std::mutex mutex_;
  std::condition_variable queuedOrStopping_, entryDone_, fileClosed_;
  files::FileLanes lanes_;  // this thread's
  std::vector<std::thread> threads_;
};

}  // namespace morv::cli
