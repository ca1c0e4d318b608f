// morvsum's standard input where a table cannot reach it: the end of input
// typed on a terminal, which needs what only POSIX systems have, a
// pseudo-terminal. (Each output line in one write: morvsum_workers_test.cpp.)
#include "test_util.h"

#ifdef _WIN32
namespace morv::test {
namespace {

TEST(MorvsumStreams, OneEndOfInputOnATerminalEndsIt) {
  GTEST_SKIP() << "Windows has no pseudo-terminal to type on";
}

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

}  // namespace
}  // namespace morv::test
#endif
