// What the test suites share: bytes and hex, files, a scratch folder, running
// a program, and reading case tables. Starting a program differs by system:
// process_posix.cpp and process_windows.cpp.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morv::test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Hex text in either case; "-" stands for no bytes.
Bytes FromHex(std::string_view hex);
// Upper-case hex; "-" for no bytes.
std::string ToHex(const std::uint8_t* p, std::size_t n);
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

Bytes RandomBytes(std::size_t n, std::uint32_t seed);

// The path that UTF-8 text names (a std::string would be taken in the ANSI
// code page on Windows).
inline fs::path Utf8Path(std::string_view name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

// Binary by default; in text mode, as the platform reads and writes text.
std::optional<std::string> ReadFile(const fs::path& path, bool textMode = false);
void WriteFile(const fs::path& path, std::string_view content, bool textMode = false);

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// What a C stream in text mode writes for these bytes: on Windows each "\n"
// becomes "\r\n"; elsewhere nothing changes.
std::string TextMode(std::string_view text);

// A name in the temporary folder that nothing has yet, for this process.
fs::path FreshTempPath(std::string_view prefix);

// A fresh folder that the test works in; the previous working folder comes back after.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  fs::path previous_;
};

// Where a program's standard output goes.
enum class Stdout { Captured, Full, Closed };

struct ProgramRun {
  int status;  // the exit status, or 128 + the signal that ended the program
  std::string out;
  std::string err;
};

struct RunOptions {
  std::string_view input;  // on standard input
  bool stdinClosed = false;
  Stdout stdoutTo = Stdout::Captured;
  int openFiles = 0;  // when not 0, the program's limit of open descriptors (not on Windows)
  long addressSpaceKiB = 0;  // when not 0, the program's limit of address space (not on Windows)
};

// The words that start a program built for the target, then args: its path
// or, in a cross build for another Linux host, the emulator (qemu-user, from
// MORV_TARGET_EMULATOR) told to run it with argv[0] its file name.
std::vector<std::string> TargetCommand(const fs::path& program, const std::vector<std::string>& args = {});

// Runs command[0] in the current folder, with argv[0] its file name and the
// other words after it, and no descriptor open but the three streams.
ProgramRun RunProgram(const std::vector<std::string>& command, const RunOptions& options = {});

// The system's part of RunProgram (process_posix.cpp, process_windows.cpp):
// runs the command with its streams on the files `io` + ".in", ".out" and
// ".err", and returns its exit status.
int RunWithStreams(const std::vector<std::string>& command, const std::string& io,
                   const RunOptions& options);

// Whether the tests run as root, whom permissions do not stop.
bool RunningAsRoot();

// A row of a case table. A table file is a list of rows, each starting with a
// "[name]" line, then one field a line: a key, then its values, each a bare word
// or a "quoted" string with the escapes \n \r \t \0 \\ and \xHH (a quote is
// \x22). A line that starts with a blank adds its values to the field above.
// Empty lines and lines starting with '#' are passed over.
struct TableRow {
  std::string name;   // letters, digits and '_' only, for the test's name
  std::string where;  // "file:line" of the row, for messages
  std::vector<std::pair<std::string, std::vector<std::string>>> fields;

  // The values of the first field with this key, or nullptr.
  const std::vector<std::string>* Find(std::string_view key) const;
  // The values of that field joined into one string, or `absent` without it.
  std::string Joined(std::string_view key, std::string_view absent = "") const;

  friend void PrintTo(const TableRow& row, std::ostream* os) { *os << row.where; }
};

std::vector<TableRow> ReadTable(const fs::path& path);

// Names the parameterised test after its row.
inline std::string RowName(const ::testing::TestParamInfo<TableRow>& info) {
  return info.param.name;
}

}  // namespace morv::test
