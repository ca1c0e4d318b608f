// Linux: the calls themselves; the CPU count from the affinity mask and the
// control groups' quota.
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "diagnostics.h"
#include "system.h"

namespace morv::cli {
namespace {

int AffinityCpuCount() {
  // A mask of more CPUs than cpu_set_t holds needs a larger set.
  for (int cpus = CPU_SETSIZE; cpus <= (1 << 16); cpus *= 2) {
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (set == nullptr) break;
    const std::size_t size = CPU_ALLOC_SIZE(cpus);
    const int got = sched_getaffinity(0, size, set);
    const int count = got == 0 ? CPU_COUNT_S(size, set) : 0;
    CPU_FREE(set);
    if (got == 0) return count;
    if (errno != EINVAL) break;
  }
  return static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
}

// The CPUs that a quota of `quota` microseconds every `period` keeps busy,
// rounded up; INT_MAX for no quota ("max", -1) or none that can be read.
int QuotaCpus(const std::string& quota, long long period) {
  long long q = 0;
  const auto [end, error] = std::from_chars(quota.data(), quota.data() + quota.size(), q);
  if (error != std::errc() || end != quota.data() + quota.size() || q <= 0 || period <= 0) return INT_MAX;
  return static_cast<int>(std::min<long long>(q / period + (q % period != 0), INT_MAX));
}

// cgroup v2: "cpu.max" holds "QUOTA PERIOD". v1: "cpu.cfs_quota_us" and "cpu.cfs_period_us".
int GroupCpus(const std::string& dir, bool v1) {
  std::string quota;
  long long period = 0;
  if (v1) {
    std::ifstream(dir + "/cpu.cfs_quota_us") >> quota;
    std::ifstream(dir + "/cpu.cfs_period_us") >> period;
  } else {
    std::ifstream(dir + "/cpu.max") >> quota >> period;
  }
  return QuotaCpus(quota, period);
}

// Whether a comma-separated list of v1 controllers holds "cpu".
bool NamesCpu(std::string_view controllers) {
  for (std::size_t start = 0; start <= controllers.size();) {
    const std::size_t end = std::min(controllers.find(',', start), controllers.size());
    if (controllers.substr(start, end - start) == "cpu") return true;
    start = end + 1;
  }
  return false;
}

// The smallest quota of the process's control groups and their parents (a
// parent's quota binds its children too). A container sees its own group as
// the root of the hierarchy, where the walk up ends.
int QuotaCpuCount() {
  int cpus = INT_MAX;
  std::ifstream groups("/proc/self/cgroup");
  for (std::string line; std::getline(groups, line);) {
    // "0::/path" for v2, "N:cpu,cpuacct:/path" for v1's CPU controller.
    const std::size_t first = line.find(':'), second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string_view controllers(line.data() + first + 1, second - first - 1);
    const bool v1 = !controllers.empty();
    if (v1 && !NamesCpu(controllers)) continue;
    const std::string root = v1 ? "/sys/fs/cgroup/cpu" : "/sys/fs/cgroup";
    for (std::string dir = root + line.substr(second + 1);; dir.resize(dir.rfind('/'))) {
      while (dir.size() > root.size() && dir.back() == '/') dir.pop_back();
      cpus = std::min(cpus, GroupCpus(dir, v1));
      if (dir.size() <= root.size()) break;
    }
  }
  return cpus;
}

}  // namespace

void StartProgram(int& /*argc*/, char**& argv) { programName = argv[0]; }

bool IsOpen(std::FILE* stream) { return fcntl(fileno(stream), F_GETFD) != -1; }

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

const char* ErrorText(int errnum) { return std::strerror(errnum); }

int UsableCpuCount() { return std::max(1, std::min(AffinityCpuCount(), QuotaCpuCount())); }

bool CanReadAhead(const char* name) {
  struct stat info;
  if (std::strcmp(name, "-") == 0) return false;
  return stat(name, &info) != 0 || S_ISREG(info.st_mode);
}

}  // namespace morv::cli
