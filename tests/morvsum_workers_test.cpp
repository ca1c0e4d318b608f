// morvsum on many files with several workers, where a table would be too long:
// any number of workers prints what one prints, in both modes; -c on a check
// file of many lines gives each line's result in its place; and, traced (Linux
// only: it needs strace, taskset and control groups), each line goes out in one
// write and the default number of workers follows the CPUs the process may use.
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <random>
#include <string_view>
#include <utility>

#include "test_util.h"

namespace morv::test {
namespace {

// 300 files of 0 to 300 KiB (a few of 2 MiB), with names that cannot be
// opened and a folder among them, in a scrambled order; the last one again.
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
  names.insert(names.begin() + 200, "missing2");
  std::shuffle(names.begin() + 100, names.end(), random);
  names.push_back("3.f");
  return names;
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Hashing mode with any number of workers prints what one prints, at either
// width; -c on its output, after some files changed and some went, gives each
// line's result in its place.
TEST(MorvsumWorkers, AnyNumberPrintWhatOnePrintsAndCheckInPlace) {
  TempDir dir;
  std::vector<std::string> files = MakeFiles();
  for (const char* length : {"-l512", "-l1024"}) {
    const ProgramRun one = RunProgram(TargetCommand(MORV_MORVSUM, With({"--threads=1", length}, files)));
    ASSERT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 301);
    for (const char* threads : {"--threads=2", "--threads=3", "--threads=9"}) {
      const ProgramRun many = RunProgram(TargetCommand(MORV_MORVSUM, With({threads, length}, files)));
      EXPECT_EQ(many.out, one.out) << threads << " " << length;
      EXPECT_EQ(many.err, one.err) << threads << " " << length;
      EXPECT_EQ(many.status, 1);
    }
  }
  std::erase_if(files, [](const std::string& f) { return !fs::is_regular_file(f); });
  files.pop_back();  // its name is listed twice
  const ProgramRun sums = RunProgram(TargetCommand(MORV_MORVSUM, With({"--threads=1", "--tag"}, files)));
  ASSERT_EQ(sums.status, 0) << sums.err;
  WriteFile("sums", sums.out);
  std::string expected, messages;
  int gone = 0, changed = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const bool goes = i % 37 == 5, changes = !goes && i % 41 == 9;
    if (goes) fs::remove(files[i]);
    if (changes) WriteFile(files[i], "changed");
    gone += goes, changed += changes;
    expected.append(files[i]).append(goes ? ": FAILED open or read\n" : changes ? ": FAILED\n" : ": OK\n");
    if (goes) messages.append("morvsum: ").append(files[i]).append(": No such file or directory\n");
  }
  messages.append("morvsum: WARNING: " + std::to_string(gone) + " listed files could not be read\n")
      .append("morvsum: WARNING: " + std::to_string(changed) + " computed checksums did NOT match\n");
  for (const char* threads : {"--threads=1", "--threads=4"}) {
    const ProgramRun check = RunProgram(TargetCommand(MORV_MORVSUM, {threads, "-c", "sums"}));
    EXPECT_EQ(check.out, expected) << threads;
    EXPECT_EQ(check.err, messages) << threads;
    EXPECT_EQ(check.status, 1) << threads;
  }
}

#ifdef _WIN32
TEST(MorvsumWorkers, EachLineGoesOutInOneWrite) { GTEST_SKIP() << "Windows has no strace"; }
TEST(MorvsumWorkers, DefaultWorkersAreTheCpusOfTheAffinityMask) {
  GTEST_SKIP() << "Windows has no taskset or strace to set and count them";
}
TEST(MorvsumWorkers, DefaultWorkersFollowTheControlGroupsCpuQuota) {
  GTEST_SKIP() << "Windows has no control groups";
}
#else
// How many times morvsum on 40 files of 0 to 39 bytes, run after `prefix`,
// made each of the calls, traced with strace -f. A sanitized build's leak check
// cannot run under a tracer: off for these runs.
int Calls(const std::vector<std::string>& prefix, const std::vector<std::string>& args,
          std::initializer_list<std::string_view> calls) {
  std::vector<std::string> command = With(prefix, {"/usr/bin/strace", "-f", "-o", "trace", "-e",
                                                   "trace=clone,clone3,write", "-E", "ASAN_OPTIONS=detect_leaks=0"});
  command = With(command, TargetCommand(MORV_MORVSUM, args));
  for (int i = 0; i < 40; ++i) WriteFile(command.emplace_back(std::to_string(i) + ".f"), std::string(i, 'x'));
  const ProgramRun run = RunProgram(command);
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string trace = ReadFile("trace").value_or("");
  int made = 0;
  for (const std::string_view call : calls) {
    for (std::size_t at = 0; (at = trace.find(call, at)) != std::string::npos; ++at) ++made;
  }
  return made;
}

// The threads that morvsum starts by default on CPUs 0 and 1 (or 0 alone): its
// workers but this one.
int ThreadsStarted(std::vector<std::string> prefix, const char* cpus) {
  return Calls(With(prefix, {"/usr/bin/taskset", "-c", cpus}), {}, {"clone(", "clone3("});
}

// Under qemu-user the trace would hold the emulator's own threads too.
bool CanTrace() {
  return access("/usr/bin/strace", X_OK) == 0 && sysconf(_SC_NPROCESSORS_ONLN) >= 2 &&
         TargetCommand(MORV_MORVSUM).size() == 1;
}
constexpr const char* kCannotTrace = "needs strace (Debian: strace), 2 CPUs and a native build";

// Each output line in one write, so that runs in parallel into one pipe never
// tear a line; also with several workers, as only the first thread writes.
TEST(MorvsumWorkers, EachLineGoesOutInOneWrite) {
  if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed (Debian: strace)";
  TempDir dir;
  EXPECT_EQ(Calls({}, {"--threads=1", "-l", "2048"}, {"write(1, "}), 40);
  EXPECT_EQ(Calls({}, {"--threads=3", "-l", "2048"}, {"write(1, "}), 40);
}

TEST(MorvsumWorkers, DefaultWorkersAreTheCpusOfTheAffinityMask) {
  if (!CanTrace()) GTEST_SKIP() << kCannotTrace;
  TempDir dir;
  EXPECT_EQ(ThreadsStarted({}, "0"), 0);
  EXPECT_EQ(ThreadsStarted({}, "0,1"), 1);
}

// In a user and mount namespace of its own (no privilege needed), the test sets
// what the process's control group's cpu.max seems to hold ("QUOTA PERIOD"),
// and a quota of one CPU above the hierarchy's root, which binds nothing. A
// quota that cannot be read is none.
TEST(MorvsumWorkers, DefaultWorkersFollowTheControlGroupsCpuQuota) {
  if (!CanTrace()) GTEST_SKIP() << kCannotTrace;
  TempDir dir;
  const std::vector<std::string> unshare = {"/usr/bin/unshare", "-r", "-m", "sh", "-ec",
                                            "mount -t tmpfs quota /sys/fs && echo '1 100000' > /sys/fs/cpu.max\n"
                                            "group=/sys/fs/cgroup$(sed -n 's/^0:://p' /proc/self/cgroup)\n"
                                            "mkdir -p $group && echo \"$1\" > $group/cpu.max\n"
                                            "shift && exec \"$@\"",
                                            "sh"};
  if (RunProgram(With(unshare, {"max", "/bin/true"})).status != 0)
    GTEST_SKIP() << "no user and mount namespace for the test here (unshare -r -m)";
  const std::pair<const char*, int> kThreadsByQuota[] = {
      {"50000 100000", 0}, {"100000 100000", 0}, {"100001 100000", 1}, {"max 100000", 1},
      {"0 100000", 1},     {"-1 100000", 1},     {"50000x 100000", 1}, {"50000 0", 1},
      {"1", 1}};
  for (const auto& [quota, threads] : kThreadsByQuota) {
    EXPECT_EQ(ThreadsStarted(With(unshare, {quota}), "0,1"), threads) << "cpu.max " << quota;
  }
}
#endif

}  // namespace
}  // namespace morv::test
