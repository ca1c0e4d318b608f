// morvsum and katcheck as users run them, one table row at a time: each row makes
// its files in a fresh folder, runs the real program there and compares standard
// output, standard error and the exit status byte for byte. The keys are described
// at the top of tests/data/morvsum.table.
#include <map>
#include <regex>

#include "test_util.h"

#ifdef MORV_MORVSUM
namespace morv::test {
namespace {

const std::map<std::string, fs::path> kPrograms = {{"morvsum", MORV_MORVSUM},
                                                   {"katcheck", MORV_KATCHECK}};
const std::map<std::string, Stdout> kStdoutTo = {
    {"", Stdout::Captured}, {"full", Stdout::Full}, {"closed", Stdout::Closed}};

std::string JoinFrom(const std::vector<std::string>& values, std::size_t first) {
  std::string joined;
  for (std::size_t i = first; i < values.size(); ++i) joined += values[i];
  return joined;
}

// Where line `number` (from 1) of the text starts; its end when the text is shorter.
std::size_t LineStart(const std::string& text, int number) {
  std::size_t at = 0;
  for (; number > 1 && at < text.size(); --number) {
    const std::size_t end = text.find('\n', at);
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return at;
}

// Makes the files and folders that the row names, in its order.
void MakeFiles(const TableRow& row) {
  for (const auto& [key, v] : row.fields) {
    const auto name = [&v = v] { return Utf8Path(v.at(0)); };
    if (key == "file") {
      WriteFile(name(), JoinFrom(v, 1));
    } else if (key == "hexfile") {
      const Bytes bytes = FromHex(JoinFrom(v, 1));
      WriteFile(name(), std::string(bytes.begin(), bytes.end()));
    } else if (key == "repeat") {
      std::string content = ReadFile(name()).value_or("");
      for (int i = std::stoi(v.at(1)); i > 0; --i) content += JoinFrom(v, 2);
      WriteFile(name(), content);
    } else if (key == "copy") {
      std::string text = ReadFile(fs::path(MORV_TEST_DATA) / v.at(1)).value();
      if (v.size() > 2) text.resize(LineStart(text, std::stoi(v[2]) + 1));
      WriteFile(name(), text);
    } else if (key == "edit") {
      std::string text = ReadFile(name()).value();
      const std::size_t at = LineStart(text, std::stoi(v.at(1)));
      WriteFile(name(), text.replace(at, text.find('\n', at) - at, JoinFrom(v, 2)));
    } else if (key == "dir") {
      fs::create_directory(name());
    } else if (key == "symlink") {
      fs::create_symlink(v.at(1), name());
    } else if (key != "run" && key != "stdin" && key != "stdout" && key != "stdout-to" &&
               key != "stdout-matches" && key != "stderr" && key != "status" &&
               key != "open-files" && key != "memory-limit" && key != "stdin-closed" &&
               key != "skip-on-windows") {
      ADD_FAILURE() << row.where << ": unknown key " << key;
    }
  }
}

// Why a limit of address space cannot be set here, or nullptr: a sanitizer's
// shadow memory alone takes terabytes of it, qemu-user's emulator shares it
// with the program, and Windows has no such limit.
#if defined(__has_feature)
#define MORV_HAS_FEATURE(x) __has_feature(x)
#else
#define MORV_HAS_FEATURE(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || MORV_HAS_FEATURE(address_sanitizer) || \
    MORV_HAS_FEATURE(thread_sanitizer) || MORV_HAS_FEATURE(memory_sanitizer)
constexpr const char* kNoMemoryLimit = "a sanitized build reserves terabytes of address space";
#elif defined(MORV_TARGET_EMULATOR)
constexpr const char* kNoMemoryLimit = "under qemu-user the emulator shares the program's address space";
#elif defined(_WIN32)
constexpr const char* kNoMemoryLimit = "Windows has no limit of a process's address space";
#else
constexpr const char* kNoMemoryLimit = nullptr;
#endif

// The address space, in KiB, that the program needs to start and print its
// version (to 64 KiB): a row's memory limit counts from there, so that it
// means the same whatever the build and the C library take.
long StartingKiB(const std::string& program) {
  static std::map<std::string, long> found;
  if (const auto it = found.find(program); it != found.end()) return it->second;
  long fails = 0, starts = 1 << 22;
  while (starts - fails > 64) {
    const long middle = (fails + starts) / 2;
    RunOptions options;
    options.addressSpaceKiB = middle;
    const bool started = RunProgram(TargetCommand(kPrograms.at(program), {"--version"}), options).status == 0;
    (started ? starts : fails) = middle;
  }
  return found[program] = starts;
}

class Table : public ::testing::TestWithParam<TableRow> {};

TEST_P(Table, Row) {
  const TableRow& row = GetParam();
  const std::vector<std::string>* run = row.Find("run");
  ASSERT_TRUE(run != nullptr && !run->empty()) << row.where << ": no program to run";
  if (kWindows && row.Find("skip-on-windows") != nullptr) {
    GTEST_SKIP() << row.Joined("skip-on-windows");
  }
  const bool memoryLimit = row.Find("memory-limit") != nullptr;
  if (memoryLimit && kNoMemoryLimit != nullptr) GTEST_SKIP() << kNoMemoryLimit;
  TempDir dir;
  MakeFiles(row);
  const std::string input = row.Joined("stdin");
  const ProgramRun r = RunProgram(TargetCommand(kPrograms.at(run->front()), {run->begin() + 1, run->end()}),
                                  {input, row.Find("stdin-closed") != nullptr,
                                   kStdoutTo.at(row.Joined("stdout-to")),
                                   std::stoi(row.Joined("open-files", "0")),
                                   memoryLimit ? StartingKiB(run->front()) + std::stol(row.Joined("memory-limit"))
                                               : 0});
  if (row.Find("stdout-matches") != nullptr) {
    const std::regex pattern(row.Joined("stdout-matches"));
    EXPECT_TRUE(std::regex_search(r.out, pattern, std::regex_constants::match_continuous)) << r.out;
  } else {
    EXPECT_EQ(r.out, row.Joined("stdout"));
  }
  EXPECT_EQ(r.err, row.Joined("stderr"));
  EXPECT_EQ(r.status, std::stoi(row.Joined("status", "0")));
}

INSTANTIATE_TEST_SUITE_P(Morvsum, Table,
                         ::testing::ValuesIn(ReadTable(MORV_TEST_DATA "/morvsum.table")), RowName);
INSTANTIATE_TEST_SUITE_P(Katcheck, Table,
                         ::testing::ValuesIn(ReadTable(MORV_TEST_DATA "/katcheck.table")), RowName);

}  // namespace
}  // namespace morv::test
#endif
