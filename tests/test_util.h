// What the test suites share: bytes and hex, files, a scratch folder, running
// a program, and reading case tables.
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

std::optional<std::string> ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, std::string_view content);

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
  int openFiles = 0;  // when not 0, the program's limit of open descriptors
};

// Runs the program at `path` in the current folder, as argv[0] = its file name
// followed by args, with no descriptor open but the three streams.
ProgramRun RunProgram(const fs::path& path, const std::vector<std::string>& args,
                      const RunOptions& options = {});

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
