#include "digest_queue.h"

#include <algorithm>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

#include "digest_file.h"
#include "file_io.h"
#include "hasher.h"
#include "system.h"

namespace morv::cli {

DigestQueue::DigestQueue(int workers)
    : window_(kWindowPerWorker * static_cast<std::size_t>(workers)), wanted_(workers) {
  threads_.reserve(static_cast<std::size_t>(workers - 1));
}

DigestQueue::~DigestQueue() {
  if (std::uncaught_exceptions() == 0) ReportAllQueued();
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queuedOrStopping_.notify_all();
  fileClosed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void DigestQueue::Hash(const char* name, int digestBits, Report report) {
  if (CanReadAhead(name)) {
    Push(name, digestBits, std::move(report));
    return;
  }
  ReportAllQueued();
  std::vector<std::uint8_t> digest(digestBytes(digestBits));
  const int err = DigestFile(name, digestBits, digest.data());
  report(err, err == 0 ? digest.data() : nullptr);
}

void DigestQueue::Then(const std::function<void()>& step) {
  Push(nullptr, 0, [step](int, const std::uint8_t*) { step(); });
}

void DigestQueue::ReportAllQueued() { DrainTo(0); }

void DigestQueue::Push(const char* name, int digestBits, Report report) {
  DrainTo(window_.size() - 1);
  std::unique_lock lock(mutex_);
  // What may run out of memory comes before the entry counts, which leaves
  // the queue as it was. The entry is free: no worker looks at it.
  Entry& entry = window_[next_ % window_.size()];
  if (name != nullptr) {
    entry.job.name = name;
    entry.job.digest.resize(digestBytes(digestBits));
  }
  ++next_;
  entry.isFile = name != nullptr;
  entry.report = std::move(report);
  entry.job.done = !entry.isFile;
  if (entry.isFile) {
    entry.job.digestBits = digestBits;
    entry.job.err = 0;
    ++queued_;
    // One more worker starts each time as many files wait as there are workers
    // (the calling thread among them).
    if (workers_ < wanted_ && queued_ >= workers_) StartWorker();
    queuedOrStopping_.notify_one();
  }
  ReportFinished(lock);
}

void DigestQueue::StartWorker() {
  try {
    auto lanes = std::make_unique<files::FileLanes>();
    threads_.emplace_back([this, lanes = std::move(lanes)] { Work(*lanes); });
    ++workers_;
  } catch (const std::bad_alloc&) {
    wanted_ = workers_;
  } catch (const std::system_error&) {
    wanted_ = workers_;
  }
}

void DigestQueue::ReportFinished(std::unique_lock<std::mutex>& lock) {
  for (; first_ != next_ && window_[first_ % window_.size()].job.done; ++first_) {
    Entry& entry = window_[first_ % window_.size()];
    const Report report = std::move(entry.report);
    lock.unlock();
    report(entry.job.err, entry.job.err == 0 ? entry.job.digest.data() : nullptr);
    lock.lock();
  }
  nextToTake_ = std::max(nextToTake_, first_);
}

void DigestQueue::DrainTo(std::size_t keep) {
  std::unique_lock lock(mutex_);
  for (;;) {
    ReportFinished(lock);
    if (next_ - first_ <= keep) return;
    lock.unlock();
    const bool hashed = Round(lanes_);
    lock.lock();
    // Nothing to hash here: wait for another worker to finish the oldest file.
    if (!hashed && queued_ == 0 && !window_[first_ % window_.size()].job.done) entryDone_.wait(lock);
  }
}

void DigestQueue::Work(files::FileLanes& lanes) {
  for (;;) {
    if (Round(lanes)) continue;
    std::unique_lock lock(mutex_);
    while (queued_ == 0 && !stopping_) queuedOrStopping_.wait(lock);
    if (queued_ == 0 || stopping_) return;
  }
}

bool DigestQueue::Round(files::FileLanes& lanes) {
  Source source(*this);
  return lanes.Round(source);
}

files::FileJob* DigestQueue::Take(int busyLanes) {
  const std::lock_guard lock(mutex_);
  // Each worker's fair share of the files in hand, so that all workers get some.
  const int share = (queued_ + taken_ + workers_ - 1) / workers_;
  if (queued_ == 0 || stopping_ || busyLanes >= share) return nullptr;
  while (!window_[nextToTake_ % window_.size()].isFile) ++nextToTake_;
  --queued_;
  ++taken_;
  return &window_[nextToTake_++ % window_.size()].job;
}

int DigestQueue::OpenFile(FileJob& job, bool holdingFiles) {
  std::unique_lock lock(mutex_);
  for (;;) {
    // Counted before it is opened, so that another worker whose open fails
    // meanwhile waits for this file rather than give up.
    ++heldFiles_;
    const unsigned long closesBefore = closes_;
    lock.unlock();
    const int fd = files::OpenForReading(job.name.c_str());
    job.err = fd < 0 ? errno : 0;
    lock.lock();
    if (fd >= 0) return fd;
    --heldFiles_;
    fileClosed_.notify_all();
    if (!files::OutOfDescriptors(job.err)) return -1;
    if (holdingFiles) return files::kTryLater;
    // Once the queue stops, this thread's own lanes may never close theirs.
    while (closes_ == closesBefore && heldFiles_ > 0 && !stopping_) fileClosed_.wait(lock);
    if (closes_ == closesBefore) return -1;
  }
}

void DigestQueue::CloseFile(int fd) {
  files::CloseFile(fd);
  const std::lock_guard lock(mutex_);
  --heldFiles_;
  ++closes_;
  fileClosed_.notify_all();
}

void DigestQueue::Done(FileJob* job) {
  const std::lock_guard lock(mutex_);
  job->done = true;
  --taken_;
  entryDone_.notify_one();
}

}  // namespace morv::cli
