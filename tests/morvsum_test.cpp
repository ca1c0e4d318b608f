// morvsum as users run it: digests against the independent known answers,
// streaming, the output formats, and the coreutils behaviour of its options,
// messages and exit codes, --check above all.
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "morv.h"
#include "known_answers.h"
#include "test_util.h"

namespace morv::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
}

// Runs morvsum in the current folder with the (shell-quoted) arguments and the
// given standard input. Messages show the program as "morvsum", whatever the
// path it was started by.
ToolRun Morvsum(const std::string& args, const std::string& input = "") {
  WriteFile("stdin.in", input);
  const std::string command =
      std::string(MORV_MORVSUM) + " " + args + " < stdin.in > stdout.out 2> stderr.out";
  const int status = std::system(command.c_str());
  ToolRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile("stdout.out").value_or(""),
            ReadFile("stderr.out").value_or("")};
  ReplaceAll(r.out, MORV_MORVSUM, "morvsum");
  ReplaceAll(r.err, MORV_MORVSUM, "morvsum");
  for (const char* name : {"stdin.in", "stdout.out", "stderr.out"}) fs::remove(name);
  return r;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The digest as morvsum prints it, from the library.
std::string Hex(const std::string& content, int digestBits) {
  Bytes digest(static_cast<std::size_t>(digestBits) / 8);
  HashMessage(digestBits, reinterpret_cast<const std::uint8_t*>(content.data()), 8 * content.size(),
              digest.data());
  return Lower(ToHex(digest));
}

// A folder with the files that the tables name, and their digests for "{key}"
// placeholders.
class Fixture {
 public:
  Fixture() {
    const std::pair<const char*, const char*> files[] = {
        {"a", "hello\n"}, {"b", "x"}, {"back\\slash", "y"}, {"new\nline", "z"}, {"c\rr", "r"}};
    for (const auto& [name, content] : files) WriteFile(name, content);
    fs::create_directory("d");
    values_ = {{"{a}", Hex("hello\n", 512)}, {"{a256}", Hex("hello\n", 256)},
               {"{b}", Hex("x", 512)},       {"{b256}", Hex("x", 256)},
               {"{y}", Hex("y", 512)},       {"{z}", Hex("z", 512)},
               {"{r}", Hex("r", 512)},       {"{a8}", Hex("hello\n", 8)}};
    std::string upper = values_["{a}"];
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    values_["{A}"] = upper;
  }
  std::string Expand(std::string text) const {
    for (const auto& [key, value] : values_) ReplaceAll(text, key, value);
    return text;
  }

 private:
  TempDir dir_;
  std::map<std::string, std::string> values_;
};

// The whole-byte cases of the independent known answers, hashed from files:
// one run per digest length with all of its messages.
TEST(Morvsum, MatchesTheIndependentKnownAnswers) {
  TempDir dir;
  std::map<int, std::pair<std::string, std::string>> runs;  // bits -> (arguments, expected output)
  int files = 0;
  for (const KnownAnswer& v : LoadKnownAnswers()) {
    if (v.digestBits <= 0 || v.digestBits % 8 != 0 || (!v.streamed && v.count % 8 != 0)) continue;
    std::string content(v.message.begin(), v.message.end());
    if (v.streamed) {
      std::string repeated;
      for (std::size_t i = 0; i < v.count; ++i) repeated += content;
      content = repeated;
    }
    const std::string name = std::string("m") + std::to_string(++files);
    WriteFile(name, content);
    runs[v.digestBits].first += " " + name;
    runs[v.digestBits].second += Lower(v.digest) + "  " + name + "\n";
  }
  ASSERT_GE(runs.size(), 6u);
  ASSERT_TRUE(runs.count(1024) && runs.count(2048));
  for (const auto& [bits, run] : runs) {
    const ToolRun r = Morvsum("-l " + std::to_string(bits) + run.first);
    EXPECT_EQ(r.exitCode, 0) << bits;
    EXPECT_EQ(r.out, run.second) << bits;
  }
}

// Files much longer than the read buffer, from a file and from standard input,
// give the one-shot digest, for both state widths.
TEST(Morvsum, StreamsLongInputsToTheOneShotDigest) {
  TempDir dir;
  const Bytes bytes = RandomBytes(3 * 65536 + 1001, 8);
  const std::string content(bytes.begin(), bytes.end());
  WriteFile("big", content);
  for (const int bits : {256, 1024}) {
    const std::string hex = Hex(content, bits);
    const std::string length = "-l " + std::to_string(bits);
    EXPECT_EQ(Morvsum(length + " big").out, hex + "  big\n");
    EXPECT_EQ(Morvsum(length, content).out, hex + "  -\n");
    EXPECT_EQ(Morvsum(length + " - big", content).out, hex + "  -\n" + hex + "  big\n");
  }
}

TEST(Morvsum, PrintsTheCoreutilsLineFormats) {
  const struct {
    std::string args;
    std::string out;
  } rows[] = {
      {"a b", "{a}  a\n{b}  b\n"},
      {"-b a", "{a} *a\n"},
      {"--tag a", "MORV-512 (a) = {a}\n"},
      {"--tag -l 256 a b", "MORV-256 (a) = {a256}\nMORV-256 (b) = {b256}\n"},
      {"-l 8 a", "{a8}  a\n"},
      // Backslashes, line ends and carriage returns are escaped, with a
      // backslash before the line.
      {"'back\\slash' 'new\nline' 'c\rr'",
       "\\{y}  back\\\\slash\n\\{z}  new\\nline\n\\{r}  c\\rr\n"},
      {"--tag 'new\nline'", "\\MORV-512 (new\\nline) = {z}\n"},
      // -z ends lines with NUL and escapes nothing.
      {"-z a 'new\nline'", "{a}  a\0{z}  new\nline\0"s},
      {"-z --tag 'back\\slash'", "MORV-512 (back\\slash) = {y}\0"s},
  };
  for (const auto& row : rows) {
    Fixture fixture;
    const ToolRun r = Morvsum(row.args);
    EXPECT_EQ(r.exitCode, 0) << row.args;
    EXPECT_EQ(r.out, fixture.Expand(row.out)) << row.args;
    EXPECT_EQ(r.err, "") << row.args;
  }
}

TEST(Morvsum, ReportsUnreadableFilesAndGoesOn) {
  Fixture fixture;
  const ToolRun r = Morvsum("nofile d 'no file' \"it's\" 'no\nfile' a");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, fixture.Expand("{a}  a\n"));
  // Names quoted as a shell would need them.
  EXPECT_EQ(r.err,
            "morvsum: nofile: No such file or directory\n"
            "morvsum: d: Is a directory\n"
            "morvsum: 'no file': No such file or directory\n"
            "morvsum: \"it's\": No such file or directory\n"
            "morvsum: 'no'$'\\n''file': No such file or directory\n");
}

TEST(Morvsum, DigestLengthOption) {
  const struct {
    std::string args;
    int exitCode;
    std::size_t hexDigits;  // of the printed digest
    std::string err;
  } rows[] = {
      {"-l 8 a", 0, 2, ""},
      {"-l 0 a", 0, 128, ""},  // the default
      {"--length=1024 a", 0, 256, ""},
      {"-l 2048 a", 0, 512, ""},
      {"-l 65536 a", 0, 16384, ""},
      {"-l 7 a", 1, 0, "morvsum: invalid length: '7'\nmorvsum: length is not a multiple of 8\n"},
      {"-l 65544 a", 1, 0,
       "morvsum: invalid length: '65544'\nmorvsum: maximum digest length for 'MORV' is 65536 "
       "bits\n"},
      {"-l abc a", 1, 0, "morvsum: invalid length: 'abc'\n"},
      {"-l -8 a", 1, 0, "morvsum: invalid length: '-8'\n"},
      {"-l", 1, 0,
       "morvsum: option requires an argument -- 'l'\nTry 'morvsum --help' for more information.\n"},
  };
  for (const auto& row : rows) {
    Fixture fixture;
    const ToolRun r = Morvsum(row.args);
    EXPECT_EQ(r.exitCode, row.exitCode) << row.args;
    EXPECT_EQ(r.err, row.err) << row.args;
    EXPECT_EQ(r.out.empty() ? 0 : r.out.find(' '), row.hexDigits) << row.args;
  }
}

TEST(Morvsum, UsageErrorsExitWithOne) {
  const struct {
    std::string args;
    std::string message;
  } rows[] = {
      {"--bogus", "unrecognized option '--bogus'"},
      {"-q", "invalid option -- 'q'"},
      {"-c --tag", "the --tag option is meaningless when verifying checksums"},
      {"-c -b", "the --binary and --text options are meaningless when verifying checksums"},
      {"--tag -t", "--tag does not support --text mode"},
      {"-c -z", "the --zero option is not supported when verifying checksums"},
      {"--ignore-missing",
       "the --ignore-missing option is meaningful only when verifying checksums"},
      {"--quiet", "the --quiet option is meaningful only when verifying checksums"},
      {"--status", "the --status option is meaningful only when verifying checksums"},
      {"--strict", "the --strict option is meaningful only when verifying checksums"},
      {"-w", "the --warn option is meaningful only when verifying checksums"},
  };
  for (const auto& row : rows) {
    TempDir dir;
    const ToolRun r = Morvsum(row.args + " x");
    EXPECT_EQ(r.exitCode, 1) << row.args;
    EXPECT_EQ(r.out, "") << row.args;
    EXPECT_EQ(r.err, "morvsum: " + row.message + "\nTry 'morvsum --help' for more information.\n")
        << row.args;
  }
}

TEST(Morvsum, HelpAndVersion) {
  TempDir dir;
  const ToolRun help = Morvsum("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: morvsum [OPTION]... [FILE]...\n", 0), 0u);
  for (const char* option : {"--check", "--length=BITS", "--tag", "--zero", "--ignore-missing",
                             "--quiet", "--status", "--strict", "--warn"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  const ToolRun version = Morvsum("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("morvsum (morv) ", 0), 0u);
}

// --check, case by case as coreutils behaves. Each row's check file is "sums".
TEST(Morvsum, CheckBehavesAsCoreutils) {
  const struct {
    const char* what;
    std::string sums;       // the check file's content
    std::string arguments;  // after -c
    std::string out;
    std::string err;
    int exitCode;
    std::string input = "";
  } rows[] = {
      {"untagged lines", "{a}  a\n{b}  b\n", "sums", "a: OK\nb: OK\n", "", 0},
      {"tagged lines of two lengths", "MORV-512 (a) = {a}\nMORV-256 (b) = {b256}\n", "sums",
       "a: OK\nb: OK\n", "", 0},
      {"mixed formats, upper case, CRLF, a comment and '*'", "#x\n{A} *a\r\nMORV-512 (a)= {a}\n",
       "sums", "a: OK\na: OK\n", "", 0},
      {"a mismatch", "{b}  a\n{b}  b\n", "sums", "a: FAILED\nb: OK\n",
       "morvsum: WARNING: 1 computed checksum did NOT match\n", 1},
      {"two mismatches", "{b}  a\nMORV-512 (a) = {b}\n", "sums", "a: FAILED\na: FAILED\n",
       "morvsum: WARNING: 2 computed checksums did NOT match\n", 1},
      {"--quiet prints failures only", "{b}  a\n{b}  b\n", "--quiet sums", "a: FAILED\n",
       "morvsum: WARNING: 1 computed checksum did NOT match\n", 1},
      {"--quiet, all good", "{a}  a\n", "--quiet sums", "", "", 0},
      {"--status, a mismatch", "{b}  a\n{b}  b\n", "--status sums", "", "", 1},
      {"--status, all good", "{a}  a\n", "--status sums", "", "", 0},
      {"a missing file", "{a}  missing\n{b}  b\n", "sums", "missing: FAILED open or read\nb: OK\n",
       "morvsum: missing: No such file or directory\n"
       "morvsum: WARNING: 1 listed file could not be read\n",
       1},
      {"--status still names a missing file", "{a}  missing\n", "--status sums", "",
       "morvsum: missing: No such file or directory\n", 1},
      {"--ignore-missing", "{a}  missing\n{b}  b\n", "--ignore-missing sums", "b: OK\n", "", 0},
      {"--ignore-missing with nothing verified", "{a}  missing\n", "--ignore-missing sums", "",
       "morvsum: sums: no file was verified\n", 1},
      {"a directory", "{a}  d\n", "sums", "d: FAILED open or read\n",
       "morvsum: d: Is a directory\nmorvsum: WARNING: 1 listed file could not be read\n", 1},
      {"an improperly formatted line", "{a}  a\ngarbage\n", "sums", "a: OK\n",
       "morvsum: WARNING: 1 line is improperly formatted\n", 0},
      {"--strict with a bad line", "{a}  a\ngarbage\n", "--strict sums", "a: OK\n",
       "morvsum: WARNING: 1 line is improperly formatted\n", 1},
      {"--warn names bad lines", "{a}  a\ngarbage\n\nMORV-7 (a) = ab\n", "--warn sums", "a: OK\n",
       "morvsum: sums: 2: improperly formatted MORV checksum line\n"
       "morvsum: sums: 4: improperly formatted MORV checksum line\n"
       "morvsum: WARNING: 2 lines are improperly formatted\n",
       0},
      {"--status --strict", "{a}  a\ngarbage\n", "--status --strict sums", "", "", 1},
      {"no proper line at all", "garbage\n\nMORV-256 (a) = {a}\n", "sums", "",
       "morvsum: sums: no properly formatted checksum lines found\n", 1},
      {"escaped names", "\\{y}  back\\\\slash\n\\MORV-512 (new\\nline) = {z}\n", "sums",
       "back\\slash: OK\n\\new\\nline: OK\n", "", 0},
      {"an unknown escape", "\\{y}  back\\slash\n", "sums", "",
       "morvsum: sums: no properly formatted checksum lines found\n", 1},
      {"the reversed form, decided by the first line", "{a} a\n{a}  a\n", "sums",
       "a: OK\n a: FAILED open or read\n",
       "morvsum: ' a': No such file or directory\n"
       "morvsum: WARNING: 1 listed file could not be read\n",
       1},
      {"a listed '-' is standard input", "{a}  -\n", "sums", "-: OK\n", "", 0, "hello\n"},
      {"several check files", "{a}  a\n", "sums nosums sums", "a: OK\na: OK\n",
       "morvsum: nosums: No such file or directory\n", 1},
      {"a directory as check file", "", "d", "", "morvsum: d: read error\n", 1},
  };
  for (const auto& row : rows) {
    Fixture fixture;
    WriteFile("sums", fixture.Expand(row.sums));
    const ToolRun r = Morvsum("-c " + row.arguments, row.input);
    EXPECT_EQ(r.out, fixture.Expand(row.out)) << row.what;
    EXPECT_EQ(r.err, row.err) << row.what;
    EXPECT_EQ(r.exitCode, row.exitCode) << row.what;
  }
}

TEST(Morvsum, CheckReadsStandardInputWhereNoLineMayNameIt) {
  Fixture fixture;
  ToolRun r = Morvsum("-c", fixture.Expand("{a}  a\n"));
  EXPECT_EQ(r.out, "a: OK\n");
  EXPECT_EQ(r.exitCode, 0);
  r = Morvsum("-c -", fixture.Expand("{a}  -\n"));
  EXPECT_EQ(r.err, "morvsum: 'standard input': no properly formatted checksum lines found\n");
  EXPECT_EQ(r.exitCode, 1);
}

// Whatever morvsum prints, morvsum -c accepts: every length, both formats,
// names that need escaping.
TEST(Morvsum, ChecksWhatItPrints) {
  Fixture fixture;
  const std::string files = "a b 'back\\slash' 'new\nline' 'c\rr'";
  for (const std::string format : {"", "--tag "}) {
    for (const int bits : {8, 224, 512, 1000, 1024, 2048}) {
      const std::string args = format + "-l " + std::to_string(bits) + " " + files;
      const ToolRun printed = Morvsum(args);
      ASSERT_EQ(printed.exitCode, 0) << args;
      WriteFile("sums", printed.out);
      const ToolRun checked = Morvsum("-c sums");
      EXPECT_EQ(checked.exitCode, 0) << args << "\n" << checked.err;
      EXPECT_EQ(checked.out, "a: OK\nb: OK\nback\\slash: OK\n\\new\\nline: OK\nc\rr: OK\n") << args;
    }
  }
}

}  // namespace
}  // namespace morv::test
