#include "progress.h"

#include <cstdio>

#include "system.h"

namespace morv::cli {

Progress::Progress(const char* name) : name_(name), enabled_(IsTerminal(stderr)) {}

Progress::~Progress() {
  if (enabled_ && shownPercent_ >= 0) std::fputs("\r\033[K", stderr);
}

void Progress::Show(long long done, long long total) {
  if (!enabled_ || total <= 0) return;
  const int percent = static_cast<int>(100 * done / total);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  std::fflush(stdout);
  std::fprintf(stderr, "\r%s: %d%%", name_, percent);
  std::fflush(stderr);
}

}  // namespace morv::cli
