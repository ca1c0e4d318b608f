// Runs the genkat program on each case folder in data/genkat (the layout is in
// its README) and compares everything the run leaves behind, byte for byte.
#include <algorithm>
#include <set>
#include <sstream>

#include "test_util.h"

namespace morv::test {
namespace {

const fs::path kCases = fs::path(MORV_TEST_DATA) / "genkat";

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code noFolder;
  for (const auto& entry : fs::directory_iterator(folder, noFolder))
    names.insert(entry.path().filename().string());
  return names;
}

std::vector<std::string> Cases() {
  std::vector<std::string> cases;
  for (const std::string& name : Names(kCases))
    if (fs::is_directory(kCases / name)) cases.push_back(name);
  return cases;
}

class GenkatCase : public ::testing::TestWithParam<std::string> {};

TEST_P(GenkatCase, Run) {
  const fs::path folder = kCases / GetParam();
  if (const auto reason = ReadFile(folder / "skip-on-windows"); kWindows && reason) {
    GTEST_SKIP() << *reason;
  }
  const std::string setup = ReadFile(folder / "setup").value_or("");
  TempDir scratch;
  std::vector<std::string> command = TargetCommand(MORV_GENKAT);
  // Root reads and writes whatever the permissions say, so these cases run genkat
  // as the user nobody, from a copy that this user can reach.
  const fs::path copy = FreshTempPath("morv-genkat");
  if (setup.find("nobody") != std::string::npos && RunningAsRoot()) {
    fs::copy_file(MORV_GENKAT, copy, fs::copy_options::overwrite_existing);
    fs::permissions(".", fs::perms::all);
    command = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    for (const std::string& word : TargetCommand(copy)) command.push_back(word);
    // In the still empty folder, a genkat that runs at all misses its first input.
    if (RunProgram(command).out != "Couldn't open <ShortMsgKAT.txt> for read\n") {
      fs::remove(copy);
      GTEST_SKIP() << "running as root, and setpriv cannot run genkat as the user nobody here "
                      "(setpriv missing, or the user cannot run the copy in "
                   << copy.parent_path() << ")";
    }
  }
  std::set<std::string> expected = Names(folder / "in");
  for (const std::string& name : expected) fs::copy_file(folder / "in" / name, name);
  RunOptions options;
  std::istringstream lines(setup);
  for (std::string line, verb, a, b; std::getline(lines, line);) {
    std::istringstream(line) >> verb >> a >> b;
    if (verb == "symlink") fs::create_symlink(a, b), expected.insert(b);
    if (verb == "mkdir") fs::create_directory(a), expected.insert(a);
    if (verb == "chmod") fs::permissions(b, static_cast<fs::perms>(std::stoi(a, nullptr, 8)));
    if (verb == "stdout") options.stdoutTo = a == "full" ? Stdout::Full : Stdout::Closed;
    if (verb == "fail-read") {
      if (!fs::exists("/usr/bin/strace")) GTEST_SKIP() << "strace is not installed (Debian: strace)";
      // A sanitized build's leak check cannot run under a tracer.
      command.insert(command.begin(), {"/usr/bin/strace", "-qq", "-o", "/dev/null", "-P", fs::absolute(a).string(),
                                       "-e", "trace=read", "-e", "inject=read:error=EIO:when=" + b, "-E",
                                       "ASAN_OPTIONS=detect_leaks=0"});
    }
  }

  const ProgramRun run = RunProgram(command, options);
  fs::remove(copy);
  // genkat writes in text mode, as the platform does it.
  EXPECT_EQ(run.out, TextMode(ReadFile(folder / "stdout").value()));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(std::to_string(run.status) + "\n", ReadFile(folder / "status"));
  for (const std::string& name : Names(folder / "out")) {
    EXPECT_EQ(ReadFile(name), TextMode(ReadFile(folder / "out" / name).value())) << name;
    expected.insert(name);
  }
  EXPECT_EQ(Names("."), expected) << "the files in the folder after the run";
}

INSTANTIATE_TEST_SUITE_P(Data, GenkatCase, ::testing::ValuesIn(Cases()), [](const auto& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

}  // namespace
}  // namespace morv::test
