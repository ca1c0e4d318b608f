// morvsum's standard streams where a table cannot reach them: the end of input
// typed on a terminal, and each output line in one write, so that runs in
// parallel into one pipe never tear a line. Both need what only POSIX systems
// have: a pseudo-terminal, and strace.
#include "test_util.h"

#ifdef _WIN32
namespace morv::test {
namespace {

TEST(MorvsumStreams, OneEndOfInputOnATerminalEndsIt) {
  GTEST_SKIP() << "Windows has no pseudo-terminal to type on";
}

TEST(MorvsumStreams, EachLineGoesOutInOneWrite) { GTEST_SKIP() << "Windows has no strace"; }

}  // namespace
}  // namespace morv::test
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace morv::test {
namespace {

// "hello", Enter and one Ctrl-D on a terminal: the digest, and exit 0 at once.
TEST(MorvsumStreams, OneEndOfInputOnATerminalEndsIt) {
  TempDir dir;
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
  const std::string keyboard = ptsname(terminal);
  std::vector<std::string> command = TargetCommand(MORV_MORVSUM);
  command.insert(command.end(), {"-l", "256"});
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    const int in = open(keyboard.c_str(), O_RDONLY), out = open("out", O_WRONLY | O_CREAT, 0600);
    if (in < 0 || out < 0 || dup2(in, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(127);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  ASSERT_EQ(write(terminal, "hello\n\x04", 7), 7);
  int status = 0;
  for (int tries = 0; tries < 50 && waitpid(pid, &status, WNOHANG) == 0; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (kill(pid, SIGKILL) == 0) waitpid(pid, &status, 0);
  close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "still reading after Ctrl-D";
  EXPECT_EQ(ReadFile("out"), "0500bf7c623641b709d10e230c7031da4066230c1428602bb83618f0b8262388  -\n");
}

// Also with several workers: only the first thread writes, a line at a time.
TEST(MorvsumStreams, EachLineGoesOutInOneWrite) {
  if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed (Debian: strace)";
  TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 40; ++i) {
    files.push_back("file" + std::to_string(i));
    WriteFile(files.back(), std::string(static_cast<std::size_t>(i), 'x'));
  }
  for (const char* threads : {"--threads=1", "--threads=3"}) {
    // A sanitized build's leak check cannot run under a tracer: off for this one run.
    std::vector<std::string> command = {"/usr/bin/strace", "-f", "-o", "trace", "-e", "trace=write",
                                        "-E", "ASAN_OPTIONS=detect_leaks=0"};
    for (const std::string& word : TargetCommand(MORV_MORVSUM, {threads, "-l", "2048"})) {
      command.push_back(word);
    }
    command.insert(command.end(), files.begin(), files.end());
    const ProgramRun run = RunProgram(command);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string trace = ReadFile("trace").value_or("");
    std::size_t writes = 0;
    for (std::size_t at = 0; (at = trace.find("write(1, ", at)) != std::string::npos; ++at) ++writes;
    EXPECT_EQ(writes, 40u) << threads << "\n" << trace;
  }
}

}  // namespace
}  // namespace morv::test
#endif
