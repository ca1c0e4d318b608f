// Starting a program on POSIX systems: fork, the streams redirected to files,
// and execvp, so that an emulator named without its folder is found on PATH.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_util.h"

namespace morv::test {
namespace {

// In the child: makes `fd` the file at `path`, opened with `flags`.
void Redirect(int fd, const std::string& path, int flags) {
  const int opened = open(path.c_str(), flags, 0600);
  if (opened < 0 || dup2(opened, fd) < 0) _exit(127);
  close(opened);
}

// In the child: a limit of `resource`, soft and hard.
bool Limit(int resource, rlim_t value) {
  const rlimit limit{value, value};
  return setrlimit(resource, &limit) == 0;
}

}  // namespace

int RunWithStreams(const std::vector<std::string>& command, const std::string& io,
                   const RunOptions& options) {
  std::vector<std::string> words = command;
  words[0] = fs::path(command[0]).filename().string();
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  if (fork() == 0) {
    if (options.stdinClosed) {
      close(STDIN_FILENO);
    } else {
      Redirect(STDIN_FILENO, io + ".in", O_RDONLY);
    }
    const int outFlags = O_WRONLY | O_CREAT | O_TRUNC;
    if (options.stdoutTo == Stdout::Closed) close(STDOUT_FILENO);
    if (options.stdoutTo != Stdout::Closed)
      Redirect(STDOUT_FILENO, options.stdoutTo == Stdout::Full ? "/dev/full" : io + ".out", outFlags);
    Redirect(STDERR_FILENO, io + ".err", outFlags);
    close_range(3, ~0U, 0);
    if (options.openFiles != 0 && !Limit(RLIMIT_NOFILE, static_cast<rlim_t>(options.openFiles))) _exit(127);
    if (options.addressSpaceKiB != 0 && !Limit(RLIMIT_AS, static_cast<rlim_t>(options.addressSpaceKiB) << 10))
      _exit(127);
    execvp(command[0].c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  wait(&status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool RunningAsRoot() { return geteuid() == 0; }

}  // namespace morv::test
