// A progress line on standard error for the slow checks, shown only when
// standard error is a terminal; rewritten in place, and erased at the end.
#pragma once

namespace morv::cli {

class Progress {
 public:
  explicit Progress(const char* name);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Show(long long done, long long total);

 private:
  const char* name_;
  bool enabled_;
  int shownPercent_ = -1;
};

}  // namespace morv::cli
