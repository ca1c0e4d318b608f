#include "hash_files.h"

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "file_io.h"
#include "file_lanes.h"
#include "hasher.h"

namespace morv::files {
namespace {

// The files in the order named, to one reader.
class FileList {
 public:
  explicit FileList(std::vector<FileJob>& jobs) : jobs_(jobs) {}

  FileJob* Take(int /*busyLanes*/) { return next_ < jobs_.size() ? &jobs_[next_++] : nullptr; }

  int OpenFile(FileJob& job, bool holdingFiles) {
    const int fd = OpenForReading(job.name.c_str());
    job.err = fd < 0 ? errno : 0;
    if (fd < 0 && holdingFiles && OutOfDescriptors(job.err)) return kTryLater;
    return fd;
  }

  static void CloseFile(int fd) { files::CloseFile(fd); }
  static void Done(FileJob* job) { job->done = true; }

 private:
  std::vector<FileJob>& jobs_;
  std::size_t next_ = 0;
};

}  // namespace

std::vector<FileDigest> HashFiles(std::span<const std::string> names, int digestBits) {
  if (digestBits < 0 || digestBits > kMaxFileDigestBits) {
    throw std::invalid_argument("digestBits: from 0 to 65536");
  }
  std::vector<FileJob> jobs(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    jobs[i].name = names[i];
    jobs[i].digestBits = digestBits;
    jobs[i].digest.resize(digestBytes(digestBits));
  }
  std::vector<FileDigest> outcomes(names.size());
  FileList list(jobs);
  FileLanes lanes;
  while (lanes.Round(list)) {
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    outcomes[i].err = jobs[i].err;
    if (jobs[i].err == 0) outcomes[i].digest = std::move(jobs[i].digest);
  }
  return outcomes;
}

}  // namespace morv::files
