// The genkat program as users run it: the sixteen files and stdout of a known
// run byte for byte, exit codes, and the driver's order and early stop.
#include <sys/wait.h>

#include <filesystem>

#include "test_util.h"

namespace morv::test {
namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode;
  std::string printed;
  std::string errors;
};

RunResult RunGenkat() {
  const int status = std::system(MORV_GENKAT " > stdout.out 2> stderr.out");
  RunResult r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile("stdout.out").value_or(""),
              ReadFile("stderr.out").value_or("")};
  fs::remove("stdout.out");
  fs::remove("stderr.out");
  return r;
}

const fs::path kSmallRun = fs::path(MORV_TEST_DATA) / "small-run";

void CopyInputs() {
  for (const auto& entry : fs::directory_iterator(kSmallRun / "input")) {
    fs::copy_file(entry.path(), entry.path().filename());
  }
}

TEST(Genkat, SmallRunMatchesTheKnownAnswersByteForByte) {
  TempDir dir;
  CopyInputs();
  const RunResult r = RunGenkat();
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(kSmallRun / "expected")) {
    const std::string name = entry.path().filename();
    if (name == "stdout.txt") {
      EXPECT_EQ(r.printed, ReadFile(entry.path()));
      continue;
    }
    ++files;
    EXPECT_EQ(ReadFile(name), ReadFile(entry.path())) << name;
  }
  EXPECT_EQ(files, 16);
}

TEST(Genkat, ANewRunReplacesOldOutputFiles) {
  TempDir dir;
  CopyInputs();
  WriteFile("ShortMsgKAT_224.txt", std::string(100000, 'x'));
  EXPECT_EQ(RunGenkat().exitCode, 0);
  EXPECT_EQ(ReadFile("ShortMsgKAT_224.txt"), ReadFile(kSmallRun / "expected" / "ShortMsgKAT_224.txt"));
}

// The first failing generator ends the whole run; its status is the exit code.
TEST(Genkat, StopsAtTheFirstFailureWithItsStatus) {
  const struct {
    const char* remove;
    std::string append;  // text appended to MonteCarlo.txt's header
    int exitCode;
    std::string lastLine;
    int filesWritten;
  } rows[] = {
      {"ShortMsgKAT.txt", "", 1, "Couldn't open <ShortMsgKAT.txt> for read\n", 0},
      {"LongMsgKAT.txt", "", 1, "Couldn't open <LongMsgKAT.txt> for read\n", 1},
      {"ExtremelyLongMsgKAT.txt", "", 1, "Couldn't open <ExtremelyLongMsgKAT.txt> for read\n", 2},
      {"MonteCarlo.txt", "", 1, "Couldn't open <MonteCarlo.txt> for read\n", 3},
  };
  for (const auto& row : rows) {
    TempDir dir;
    CopyInputs();
    fs::remove(row.remove);
    const RunResult r = RunGenkat();
    EXPECT_EQ(r.exitCode, row.exitCode) << row.remove;
    EXPECT_TRUE(r.printed.ends_with(row.lastLine)) << r.printed;
    EXPECT_EQ(std::count(r.printed.begin(), r.printed.end(), '\n'), row.filesWritten + 1);
    int outputs = 0;
    for (const auto& entry : fs::directory_iterator(".")) outputs += entry.path().string().find('_') != std::string::npos;
    EXPECT_EQ(outputs, row.filesWritten);
  }
}

TEST(Genkat, ASeedlessMonteCarloInputEndsTheRunWithStatus3) {
  TempDir dir;
  CopyInputs();
  WriteFile("MonteCarlo.txt", "# Algorithm Name: MORV\n# Principal Submitter: T\n\n");
  const RunResult r = RunGenkat();
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.printed.ends_with("finished ExtremelyLongMsgKAT for <224>\n"
                                  "ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n"));
  EXPECT_EQ(ReadFile("MonteCarlo_224.txt"),
            "# MonteCarlo_224.txt\n# Algorithm Name: MORV\n# Principal Submitter: T\n\n");
  EXPECT_FALSE(fs::exists("ShortMsgKAT_256.txt"));
}

}  // namespace
}  // namespace morv::test
