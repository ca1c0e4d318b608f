// katcheck as users run it: the known small run passes, files built from the
// independent known answers pass at every digest length, and a changed digit,
// a truncated record or records out of order are reported at the right line.
#include <sys/wait.h>

#include <filesystem>
#include <map>

#include "known_answers.h"
#include "test_util.h"

namespace morv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kExpected = fs::path(MORV_TEST_DATA) / "small-run" / "expected";

struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

// Runs katcheck in the current folder; messages show it as "katcheck".
ToolRun Katcheck(const std::string& args) {
  const std::string command =
      std::string(MORV_KATCHECK) + " " + args + " > stdout.out 2> stderr.out";
  const int status = std::system(command.c_str());
  ToolRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile("stdout.out").value_or(""),
            ReadFile("stderr.out").value_or("")};
  for (std::size_t at; (at = r.err.find(MORV_KATCHECK)) != std::string::npos;) {
    r.err.replace(at, std::string(MORV_KATCHECK).size(), "katcheck");
  }
  fs::remove("stdout.out");
  fs::remove("stderr.out");
  return r;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// The known file's lines, to change and write under the same name.
std::vector<std::string> KnownLines(const std::string& name) {
  return Lines(ReadFile(kExpected / name).value());
}

std::string Flip(char digit) { return digit == '0' ? "1" : "0"; }

TEST(Katcheck, PassesTheSixteenFilesOfTheSmallRun) {
  TempDir dir;
  std::string args;
  std::string expected;
  const std::pair<const char*, int> kinds[] = {
      {"ShortMsgKAT", 11}, {"LongMsgKAT", 4}, {"ExtremelyLongMsgKAT", 1}, {"MonteCarlo", 100}};
  for (const int bits : {224, 256, 384, 512}) {
    for (const auto& [kind, records] : kinds) {
      const std::string name = std::string(kind) + "_" + std::to_string(bits) + ".txt";
      fs::copy_file(kExpected / name, name);
      args += " " + name;
      expected +=
          name + ": OK, " + std::to_string(records) + (records == 1 ? " record\n" : " records\n");
    }
  }
  const ToolRun r = Katcheck(args);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");  // no progress line: standard error is not a terminal
}

// One changed digit is one mismatching record, named by the line of its
// "MD = " field with both digests; the Monte Carlo chain goes on from the
// computed digest, so the records after it still match.
TEST(Katcheck, NamesTheLineOfAChangedDigit) {
  const struct {
    std::string name;
    int changedLine;   // 1-based
    int reportedLine;  // the record's "MD = " line
    std::string record;
    std::string summary;
  } rows[] = {
      {"ShortMsgKAT_224.txt", 23, 23, "Len = 9", "1 of 11 records"},
      {"ShortMsgKAT_512.txt", 22, 23, "Len = 9", "1 of 11 records"},  // the message
      {"LongMsgKAT_384.txt", 10, 10, "Len = 2061", "1 of 4 records"},
      {"ExtremelyLongMsgKAT_256.txt", 7, 7, "Repeat = 3", "1 of 1 records"},
      {"MonteCarlo_384.txt", 155, 155, "j = 49", "1 of 100 records"},
      {"MonteCarlo_224.txt", 305, 305, "j = 99", "1 of 100 records"},
  };
  for (const auto& row : rows) {
    TempDir dir;
    std::vector<std::string> lines = KnownLines(row.name);
    std::string& changed = lines[static_cast<std::size_t>(row.changedLine - 1)];
    ASSERT_TRUE(changed.rfind("MD = ", 0) == 0 || changed.rfind("Msg = ", 0) == 0) << row.name;
    const std::string known = lines[static_cast<std::size_t>(row.reportedLine - 1)];
    changed.replace(changed.size() - 3, 1, Flip(changed[changed.size() - 3]));
    WriteFile(row.name, Join(lines));

    const ToolRun r = Katcheck(row.name);
    EXPECT_EQ(r.exitCode, 1) << row.name;
    const std::string file = lines[static_cast<std::size_t>(row.reportedLine - 1)];
    // The computed digest is the known one when the digest itself was changed.
    const std::string computed =
        row.changedLine == row.reportedLine ? "  computed " + known + "\n" : "";
    const std::string header = row.name + ":" + std::to_string(row.reportedLine) +
                               ": mismatch in record " + row.record + "\n  file     " + file + "\n";
    EXPECT_EQ(r.out.rfind(header + computed, 0), 0u) << row.name << "\n" << r.out;
    EXPECT_EQ(Lines(r.out).size(), 4u) << row.name;
    EXPECT_NE(r.out.find(row.name + ": FAILED, " + row.summary + " did not match\n"),
              std::string::npos)
        << row.name;
    EXPECT_EQ(r.err, "") << row.name;
  }
}

// Files that are not in a KAT layout: the records before the fault are
// checked, the fault is named with its line, and the exit status is 2.
TEST(Katcheck, NamesTheLineOfALayoutFault) {
  const struct {
    const char* what;
    std::string name;
    std::vector<std::string> (*change)(std::vector<std::string>);
    std::string message;
  } rows[] = {
      {"a truncated record", "ShortMsgKAT_256.txt",
       [](std::vector<std::string> l) {
         l.resize(14);
         return l;
       },
       "ShortMsgKAT_256.txt:14: the file ends inside a record: \"MD = \" is missing"},
      {"a truncated digest", "LongMsgKAT_224.txt",
       [](std::vector<std::string> l) {
         l[12].resize(31);
         return l;
       },
       "LongMsgKAT_224.txt:13: 26 digits, where the file's first \"MD = \" has 56"},
      {"fields out of order", "ShortMsgKAT_384.txt",
       [](std::vector<std::string> l) {
         std::swap(l[9], l[10]);
         return l;
       },
       "ShortMsgKAT_384.txt:10: \"Msg = \" expected, found \"MD = "},
      {"Monte Carlo records out of order", "MonteCarlo_256.txt",
       [](std::vector<std::string> l) {
         std::swap(l[15], l[18]);  // the "j = " and "MD = " lines of j = 3 and j = 4
         std::swap(l[16], l[19]);
         return l;
       },
       "MonteCarlo_256.txt:16: j = 4 where j = 3 was expected"},
      {"a Monte Carlo chain cut short", "MonteCarlo_512.txt",
       [](std::vector<std::string> l) {
         l.resize(155);
         return l;
       },
       "MonteCarlo_512.txt:155: the chain ends after 50 of its 100 records"},
      {"a Monte Carlo record too many", "MonteCarlo_224.txt",
       [](std::vector<std::string> l) {
         l.push_back("j = 100");
         return l;
       },
       "MonteCarlo_224.txt:306: a line after the chain's 100 records"},
      {"a short seed", "MonteCarlo_384.txt",
       [](std::vector<std::string> l) {
         l[4].pop_back();
         return l;
       },
       "MonteCarlo_384.txt:5: the seed must have 256 hexadecimal digits"},
      {"a text of 63 characters", "ExtremelyLongMsgKAT_512.txt",
       [](std::vector<std::string> l) {
         l[5].pop_back();
         return l;
       },
       "ExtremelyLongMsgKAT_512.txt:6: the text must be 64 characters without blanks"},
      {"a message of the wrong length", "ShortMsgKAT_224.txt",
       [](std::vector<std::string> l) {
         l[9] += "00";
         return l;
       },
       "ShortMsgKAT_224.txt:10: 1 bits take 2 hexadecimal digits"},
      {"a digit that is not hexadecimal", "ShortMsgKAT_224.txt",
       [](std::vector<std::string> l) {
         l[6].back() = 'G';
         return l;
       },
       "ShortMsgKAT_224.txt:7: an \"MD = \" field must be an even number of hexadecimal digits"},
      {"not a KAT file", "notes.txt",
       [](std::vector<std::string>) {
         return std::vector<std::string>{"# notes", "hello"};
       },
       "notes.txt:2: \"Len = \", \"Repeat = \" or \"Seed = \" expected, found \"hello\""},
      {"an empty file", "empty.txt",
       [](std::vector<std::string>) { return std::vector<std::string>{}; },
       "empty.txt: no KAT records in the file"},
  };
  for (const auto& row : rows) {
    TempDir dir;
    const bool known = fs::exists(kExpected / row.name);
    WriteFile(row.name,
              Join(row.change(known ? KnownLines(row.name) : std::vector<std::string>{})));
    const ToolRun r = Katcheck(row.name);
    EXPECT_EQ(r.exitCode, 2) << row.what;
    EXPECT_EQ(r.err.rfind("katcheck: " + row.message, 0), 0u) << row.what << "\n" << r.err;
    EXPECT_EQ(r.out.find("OK"), std::string::npos) << row.what;
  }
}

// Message records stand alone: their order does not matter.
TEST(Katcheck, AcceptsMessageRecordsInAnyOrder) {
  TempDir dir;
  std::vector<std::string> lines = KnownLines("ShortMsgKAT_256.txt");
  std::swap_ranges(lines.begin() + 4, lines.begin() + 8, lines.end() - 4);  // first and last
  WriteFile("ShortMsgKAT_256.txt", Join(lines));
  const ToolRun r = Katcheck("ShortMsgKAT_256.txt");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "ShortMsgKAT_256.txt: OK, 11 records\n");
}

// KAT files written from the independent known answers, one per digest length
// with message records and one with extremely long records: the digest length
// comes from the "MD = " fields, up to the 1024-bit state and beyond.
TEST(Katcheck, PassesFilesOfTheIndependentKnownAnswers) {
  TempDir dir;
  std::map<std::string, std::string> files;
  for (const KnownAnswer& v : LoadKnownAnswers()) {
    if (v.digestBits <= 0 || v.digestBits % 8 != 0) continue;
    std::ostringstream name, record;
    if (v.streamed) {
      name << "ExtremelyLongMsgKAT_" << v.digestBits << ".txt";
      record << "Repeat = " << v.count << "\nText = " << std::string(v.message.begin(), v.message.end())
             << "\nMD = " << v.digest << "\n";
    } else {
      name << "ShortMsgKAT_" << v.digestBits << ".txt";
      record << "\nLen = " << v.count << "\nMsg = " << (v.message.empty() ? "00" : ToHex(v.message))
             << "\nMD = " << v.digest << "\n";
    }
    files[name.str()] += record.str();
  }
  ASSERT_TRUE(files.count("ShortMsgKAT_2048.txt") && files.count("ExtremelyLongMsgKAT_1024.txt"));
  std::string args;
  for (const auto& [name, content] : files) {
    WriteFile(name, "# " + name + "\n" + content);
    args += " " + name;
  }
  const ToolRun r = Katcheck(args);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(Lines(r.out).size(), files.size());
  EXPECT_EQ(r.out.find("FAILED"), std::string::npos);
}

TEST(Katcheck, ExitStatusIsTheWorstOfAllFiles) {
  TempDir dir;
  fs::copy_file(kExpected / "LongMsgKAT_256.txt", "good.txt");
  std::vector<std::string> lines = KnownLines("ShortMsgKAT_256.txt");
  lines[6].back() = lines[6].back() == '0' ? '1' : '0';
  WriteFile("changed.txt", Join(lines));
  fs::create_directory("folder");

  EXPECT_EQ(Katcheck("good.txt").exitCode, 0);
  EXPECT_EQ(Katcheck("good.txt changed.txt").exitCode, 1);
  const ToolRun r = Katcheck("changed.txt missing.txt folder good.txt");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err,
            "katcheck: missing.txt: No such file or directory\n"
            "katcheck: folder: Is a directory\n");
  EXPECT_NE(r.out.find("good.txt: OK, 4 records\n"), std::string::npos);

  const ToolRun usage = Katcheck("");
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_EQ(usage.err,
            "katcheck: missing file operand\nTry 'katcheck --help' for more information.\n");
}

}  // namespace
}  // namespace morv::test
