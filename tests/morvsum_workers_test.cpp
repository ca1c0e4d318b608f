// morvsum on many files with several workers, where a table would be too long:
// any number of workers prints what one prints, in both modes; -c on a check
// file of many lines gives each line's result in its place; and the default
// number of workers follows the CPUs the process may use.
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <utility>

#include "test_util.h"

namespace morv::test {
namespace {

// 300 files of 0 to 300 KiB (a few of 2 MiB), with names that cannot be
// opened and a folder among them: the arguments, in a scrambled order.
std::vector<std::string> MakeFiles() {
  std::mt19937 random(11);
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) {
    names.push_back(std::to_string(i) + ".f");
    const std::size_t size = i % 50 == 7 ? 2 << 20 : random() % (300 << 10);
    const Bytes bytes = RandomBytes(size, static_cast<std::uint32_t>(i));
    WriteFile(names.back(), std::string(bytes.begin(), bytes.end()));
  }
  fs::create_directory("folder");
  names.insert(names.begin() + 40, {"missing", "folder"});
  names.insert(names.begin() + 200, {"missing2", "3.f"});
  std::shuffle(names.begin() + 100, names.end(), random);
  return names;
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(MorvsumWorkers, AnyNumberOfWorkersPrintsWhatOnePrints) {
  TempDir dir;
  const std::vector<std::string> files = MakeFiles();
  for (const char* length : {"-l512", "-l1024"}) {
    const ProgramRun one = RunProgram(MORV_MORVSUM, With({"--threads=1", length}, files));
    ASSERT_EQ(one.status, 1);
    ASSERT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 301);
    for (const char* threads : {"--threads=2", "--threads=3", "--threads=9"}) {
      const ProgramRun many = RunProgram(MORV_MORVSUM, With({threads, length}, files));
      EXPECT_EQ(many.out, one.out) << threads << " " << length;
      EXPECT_EQ(many.err, one.err) << threads << " " << length;
      EXPECT_EQ(many.status, 1);
    }
  }
}

// The check file is hashing mode's output; then some files change, some go.
TEST(MorvsumWorkers, CheckGivesEachLineItsResultInItsPlace) {
  TempDir dir;
  std::vector<std::string> files;
  for (const std::string& name : MakeFiles()) {
    if (fs::is_regular_file(name) && std::find(files.begin(), files.end(), name) == files.end())
      files.push_back(name);
  }
  const ProgramRun sums = RunProgram(MORV_MORVSUM, With({"--threads=1", "--tag"}, files));
  ASSERT_EQ(sums.status, 0) << sums.err;
  WriteFile("sums", sums.out);
  std::string expected, messages;
  int unreadable = 0, mismatched = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (i % 37 == 5) {
      fs::remove(files[i]);
      expected.append(files[i]).append(": FAILED open or read\n");
      messages.append("morvsum: ").append(files[i]).append(": No such file or directory\n");
      ++unreadable;
    } else if (i % 41 == 9) {
      WriteFile(files[i], "changed");
      expected.append(files[i]).append(": FAILED\n");
      ++mismatched;
    } else {
      expected.append(files[i]).append(": OK\n");
    }
  }
  ASSERT_GT(mismatched, 1);
  messages.append("morvsum: WARNING: ").append(std::to_string(unreadable)).append(" listed files could not be read\n");
  messages.append("morvsum: WARNING: ").append(std::to_string(mismatched)).append(" computed checksums did NOT match\n");
  for (const char* threads : {"--threads=1", "--threads=4"}) {
    const ProgramRun check = RunProgram(MORV_MORVSUM, {threads, "-c", "sums"});
    EXPECT_EQ(check.out, expected) << threads;
    EXPECT_EQ(check.err, messages) << threads;
    EXPECT_EQ(check.status, 1) << threads;
  }
}

// Runs the test, and the programs it starts, on its first CPUs only.
class OnCpus {
 public:
  explicit OnCpus(int count) {
    sched_getaffinity(0, sizeof all_, &all_);
    CPU_ZERO(&some_);
    for (int cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&some_) < count; ++cpu) {
      if (CPU_ISSET(cpu, &all_)) CPU_SET(cpu, &some_);
    }
    ok_ = CPU_COUNT(&some_) == count && sched_setaffinity(0, sizeof some_, &some_) == 0;
  }
  ~OnCpus() { sched_setaffinity(0, sizeof all_, &all_); }
  bool ok() const { return ok_; }

 private:
  cpu_set_t all_, some_;
  bool ok_;
};

// The threads that morvsum starts on 40 files, by default: its workers but this one.
int ThreadsStarted(const std::vector<std::string>& command) {
  for (int i = 0; i < 40; ++i) WriteFile(std::to_string(i) + ".f", std::string(1000, 'x'));
  std::vector<std::string> args = command;
  for (int i = 0; i < 40; ++i) args.push_back(std::to_string(i) + ".f");
  const ProgramRun run = RunProgram(args.front(), {args.begin() + 1, args.end()});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string trace = ReadFile("trace").value_or("");
  int started = 0;
  for (std::size_t at = 0; (at = trace.find("clone", at)) != std::string::npos; ++at) {
    started += trace.compare(at, 6, "clone(") == 0 || trace.compare(at, 7, "clone3(") == 0;
  }
  return started;
}

// A sanitized build's leak check cannot run under a tracer: off for these runs.
const std::vector<std::string> kTraced = {"/usr/bin/strace", "-f", "-o", "trace", "-e", "trace=clone,clone3",
                                          "-E", "ASAN_OPTIONS=detect_leaks=0", MORV_MORVSUM};

TEST(MorvsumWorkers, DefaultWorkersAreTheCpusOfTheAffinityMask) {
  if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed (Debian: strace)";
  TempDir dir;
  for (const int cpus : {1, 2}) {
    const OnCpus on(cpus);
    if (!on.ok()) GTEST_SKIP() << "this machine gives the test fewer than " << cpus << " CPUs";
    EXPECT_EQ(ThreadsStarted(kTraced), cpus - 1) << cpus << " CPUs";
  }
}

// In a mount namespace of its own, the test sets the quota that the process's
// control group seems to have: cpu.max holds "QUOTA PERIOD", here of 100 ms.
TEST(MorvsumWorkers, DefaultWorkersFollowTheControlGroupsCpuQuota) {
  if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed (Debian: strace)";
  TempDir dir;
  const std::vector<std::string> unshare = {"/usr/bin/unshare", "-m", "sh", "-ec",
                                            "mount -t tmpfs quota /sys/fs/cgroup\n"
                                            "group=/sys/fs/cgroup$(sed -n 's/^0:://p' /proc/self/cgroup)\n"
                                            "mkdir -p $group && echo \"$1 100000\" > $group/cpu.max\n"
                                            "shift && exec \"$@\"",
                                            "sh"};
  if (RunProgram(unshare.front(), With({unshare.begin() + 1, unshare.end()}, {"max", "/bin/true"})).status != 0)
    GTEST_SKIP() << "no mount namespace for the test here (needs root and unshare)";
  const OnCpus on(2);
  if (!on.ok()) GTEST_SKIP() << "this machine gives the test fewer than 2 CPUs";
  for (const auto& [quota, threads] : {std::pair{"50000", 0}, {"100000", 0}, {"100001", 1}, {"max", 1}}) {
    EXPECT_EQ(ThreadsStarted(With(With(unshare, {quota}), kTraced)), threads) << "quota " << quota;
  }
}

}  // namespace
}  // namespace morv::test
