// Faults of the KAT inputs and of the file system, each with its message, its
// status and exactly what stays on disk: inputs cut at every marker, NUL and
// non-ASCII bytes, CRLF files, numbers at and beyond every limit, and, through
// the genkat program, a full disk and inputs or outputs that permissions close.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "kat.h"
#include "morv.h"
#include "test_util.h"

namespace morv::kat {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadFile;
using test::TempDir;
using test::ToHex;
using test::WriteFile;
using Generator = KatStatus (*)(int);

// One KAT kind as the files and messages name it.
struct Kind {
  std::string stem;  // "ShortMsgKAT"
  Generator generate;
  std::string generatorName;
  std::string finishedName;
  bool blankAfterHeader;

  std::string In() const { return stem + ".txt"; }
  std::string Out() const { return stem + "_256.txt"; }
  std::string Finished() const { return "finished " + finishedName + " for <256>\n"; }
  // The output's header for the values " MORV" and " Team".
  std::string OutHeader(const std::string& submitter = " Team") const {
    return "# " + Out() + "\n# Algorithm Name: MORV\n# Principal Submitter:" + submitter + "\n" +
           (blankAfterHeader ? "\n" : "");
  }
};

const Kind kShort{"ShortMsgKAT", genShortMsg, "genShortMsg", "ShortMsgKAT", false};
const Kind kLong{"LongMsgKAT", genLongMsg, "genLongMsg", "LongMsgKAT", true};
const Kind kExtremelyLong{"ExtremelyLongMsgKAT", genExtremelyLongMsg, "genExtremelyLongMsg",
                          "ExtremelyLongMsgKAT", true};
const Kind kMonteCarlo{"MonteCarlo", genMonteCarlo, "genMonteCarlo", "MonteCarloKAT", true};

const std::string kHeader = "# In.txt\n# Algorithm Name: MORV\n# Principal Submitter: Team\n\n";

std::string Md(const Bytes& message, std::size_t bits) {
  std::uint8_t digest[32];
  HashMessage(256, message.data(), bits, digest);
  return "MD = " + ToHex(digest, sizeof digest) + "\n";
}

// A short- or long-message record as the generator writes it: the short kind,
// the one without an empty line after its header, puts one before each record.
std::string Record(const Kind& kind, int bits, const Bytes& message) {
  std::string record = kind.blankAfterHeader ? "" : "\n";
  record += "Len = " + std::to_string(bits) + "\n";
  record += "Msg = " + (message.empty() ? std::string("00") : ToHex(message)) + "\n";
  return record + Md(message, static_cast<std::size_t>(bits));
}

struct Outcome {
  int status;
  std::string printed;
  std::optional<std::string> output;
};

// Runs the generator for 256 bits on the input in a fresh folder; checks that
// nothing but the input and the output is left there.
Outcome RunInFolder(const Kind& kind, const std::string& input) {
  TempDir dir;
  WriteFile(kind.In(), input);
  ::testing::internal::CaptureStdout();
  const int status = kind.generate(256);
  Outcome outcome{status, ::testing::internal::GetCapturedStdout(), ReadFile(kind.Out())};
  EXPECT_EQ(std::distance(fs::directory_iterator("."), {}), outcome.output ? 2 : 1);
  return outcome;
}

struct Row {
  std::string name;
  const Kind* kind;
  std::string input;
  int status;
  std::string printed;
  std::string output;

  friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
};

class Fault : public ::testing::TestWithParam<Row> {};

TEST_P(Fault, MessageStatusAndWhatStaysOnDisk) {
  const Row& row = GetParam();
  const Outcome outcome = RunInFolder(*row.kind, row.input);
  EXPECT_EQ(outcome.status, row.status);
  EXPECT_EQ(outcome.printed, row.printed);
  EXPECT_EQ(outcome.output, row.output);
}

std::string RowName(const ::testing::TestParamInfo<Row>& info) { return info.param.name; }

std::string MissingHeader(const Kind& kind, const char* what) {
  return kind.generatorName + ": Couldn't read " + what + "\n";
}

// Cut inside and right after each header marker: the same for every kind, up
// to what a kind does with a header and nothing after it.
std::vector<Row> HeaderCuts() {
  std::vector<Row> rows;
  const std::pair<const Kind*, std::pair<int, std::string>> afterHeader[] = {
      {&kShort, {Ok, kShort.Finished()}},
      {&kLong, {Ok, kLong.Finished()}},
      {&kExtremelyLong, {FieldMissing, "ERROR: unable to read 'Repeat' from <ExtremelyLongMsgKAT.txt>\n"}},
      {&kMonteCarlo, {FieldMissing, "ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n"}},
  };
  for (const auto& [kind, end] : afterHeader) {
    const std::string first = "# " + kind->Out() + "\n";
    rows.push_back({kind->stem + "CutInAlgorithmMarker", kind, "# In.txt\n# Algorithm Na", HeaderMissing,
                    MissingHeader(*kind, "Algorithm Name"), first});
    rows.push_back({kind->stem + "CutAfterAlgorithmMarker", kind, "# In.txt\n# Algorithm Name:", HeaderMissing,
                    MissingHeader(*kind, "Principal Submitter"), first + "# Algorithm Name:\n"});
    rows.push_back({kind->stem + "CutInSubmitterMarker", kind, "# In.txt\n# Algorithm Name: MORV\n# Principal",
                    HeaderMissing, MissingHeader(*kind, "Principal Submitter"),
                    first + "# Algorithm Name: MORV\n"});
    rows.push_back({kind->stem + "CutAfterSubmitterMarker", kind,
                    "# In.txt\n# Algorithm Name: MORV\n# Principal Submitter:", end.first, end.second,
                    kind->OutHeader("")});
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(HeaderCuts, Fault, ::testing::ValuesIn(HeaderCuts()), RowName);

// Cut inside and right after each record marker.
std::vector<Row> RecordCuts() {
  std::vector<Row> rows;
  for (const Kind* kind : {&kShort, &kLong}) {
    const std::string head = kind->OutHeader();
    const std::string invalidLen = "ERROR: invalid 'Len' in <" + kind->In() + ">\n";
    const std::string missingMsg = "ERROR: unable to read 'Msg' from <" + kind->In() + ">\n";
    const std::string first = Record(*kind, 8, {0x61});
    const std::string& name = kind->stem;
    rows.push_back({name + "CutInLenMarker", kind, kHeader + "Len =", Ok, kind->Finished(), head});
    rows.push_back({name + "CutAfterLenMarker", kind, kHeader + "Len = ", FieldInvalid, invalidLen, head});
    rows.push_back({name + "CutInMsgMarker", kind, kHeader + "Len = 8\nMsg", FieldMissing, missingMsg, head});
    // An empty field at the end of the input is all zero bytes.
    rows.push_back({name + "CutAfterMsgMarker", kind, kHeader + "Len = 8\nMsg = ", Ok, kind->Finished(),
                    head + Record(*kind, 8, {0x00})});
    rows.push_back({name + "CutInSecondLenMarker", kind, kHeader + "Len = 8\nMsg = 61\n\nLen", Ok,
                    kind->Finished(), head + first});
    rows.push_back({name + "CutAfterSecondLenMarker", kind, kHeader + "Len = 8\nMsg = 61\n\nLen = ",
                    FieldInvalid, invalidLen, head + first});
    rows.push_back({name + "CutInSecondMsgMarker", kind, kHeader + "Len = 8\nMsg = 61\nLen = 16\nMsg =",
                    FieldMissing, missingMsg, head + first});
  }
  const std::string xlHead = kExtremelyLong.OutHeader();
  const std::string in = "<ExtremelyLongMsgKAT.txt>\n";
  rows.push_back({"XlCutInRepeatMarker", &kExtremelyLong, kHeader + "Repeat", FieldMissing,
                  "ERROR: unable to read 'Repeat' from " + in, xlHead});
  rows.push_back({"XlCutAfterRepeatMarker", &kExtremelyLong, kHeader + "Repeat = ", FieldInvalid,
                  "ERROR: invalid 'Repeat' in " + in, xlHead});
  rows.push_back({"XlCutInTextMarker", &kExtremelyLong, kHeader + "Repeat = 1\nText =", FieldMissing,
                  "ERROR: unable to read 'Text' from " + in, xlHead});
  rows.push_back({"XlCutAfterTextMarker", &kExtremelyLong, kHeader + "Repeat = 1\nText = ", FieldInvalid,
                  "ERROR: invalid 'Text' in " + in, xlHead});
  rows.push_back({"XlCutInText", &kExtremelyLong, kHeader + "Repeat = 1\nText = " + std::string(40, 'a'),
                  FieldInvalid, "ERROR: invalid 'Text' in " + in, xlHead});
  rows.push_back({"McCutInSeedMarker", &kMonteCarlo, kHeader + "Seed =", FieldMissing,
                  "ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n", kMonteCarlo.OutHeader()});
  return rows;
}

INSTANTIATE_TEST_SUITE_P(RecordCuts, Fault, ::testing::ValuesIn(RecordCuts()), RowName);

// NUL and non-ASCII bytes: every byte is a character, none is white space or a
// digit unless C says so.
std::vector<Row> OddBytes() {
  using namespace std::string_literals;
  const std::string xlHead = kExtremelyLong.OutHeader();
  const std::string odd = "\0\xFF\xC3\xA9"s;  // NUL, 0xFF, and an e with an acute accent in UTF-8
  const std::string text = "ab" + odd + std::string(28, 'c') + odd + std::string(26, 'd');  // 64 bytes
  const Bytes textBytes(text.begin(), text.end());
  Bytes twice = textBytes;
  twice.insert(twice.end(), textBytes.begin(), textBytes.end());
  std::string accents;  // 32 characters of two bytes each in UTF-8: the length counts bytes
  for (int i = 0; i < 32; ++i) accents += "\xC3\xA9";
  const Bytes accentBytes(accents.begin(), accents.end());
  return {
      {"ShortNulBeforeLen", &kShort, kHeader + "Len = \0"s + "8\nMsg = 61\n", FieldInvalid,
       "ERROR: invalid 'Len' in <ShortMsgKAT.txt>\n", kShort.OutHeader()},
      {"ShortNulEndsMsg", &kShort, kHeader + "Len = 16\nMsg = 6\0"s + "1\n", Ok, kShort.Finished(),
       kShort.OutHeader() + Record(kShort, 16, {0x00, 0x06})},
      {"ShortNonAsciiBeforeMsgDigits", &kShort, kHeader + "Len = 8\nMsg = " + odd + "7f\n", Ok, kShort.Finished(),
       kShort.OutHeader() + Record(kShort, 8, {0x7F})},
      {"LongNulInsideMarker", &kLong, kHeader + "Len\0= 8\nMsg = 61\n"s, Ok, kLong.Finished(), kLong.OutHeader()},
      {"LongNonAsciiDigitsInLen", &kLong, kHeader + "Len = \xD9\xA3\nMsg = 61\n", FieldInvalid,
       "ERROR: invalid 'Len' in <LongMsgKAT.txt>\n", kLong.OutHeader()},
      {"LongHeaderValuesWithOddBytes", &kLong, "# Algorithm Name: MORV\n# Principal Submitter: " + odd + "\n",
       Ok, kLong.Finished(), kLong.OutHeader(" " + odd)},
      {"XlTextWithOddBytes", &kExtremelyLong, kHeader + "Repeat = 2\nText = " + text + "\n", Ok,
       kExtremelyLong.Finished(), xlHead + "Repeat = 2\nText = " + text + "\n" + Md(twice, 8 * twice.size())},
      {"XlNoBreakSpaceIsNoWhiteSpace", &kExtremelyLong, kHeader + "Repeat = \xA0" "5\nText = " + text + "\n",
       FieldInvalid, "ERROR: invalid 'Repeat' in <ExtremelyLongMsgKAT.txt>\n", xlHead},
      {"XlTextOf64BytesIn32Characters", &kExtremelyLong, kHeader + "Repeat = 1\nText = " + accents + "\n", Ok,
       kExtremelyLong.Finished(), xlHead + "Repeat = 1\nText = " + accents + "\n" + Md(accentBytes, 512)},
      {"XlTextOf63BytesIsShort", &kExtremelyLong, kHeader + "Repeat = 1\nText = " + accents.substr(1) + "\n",
       FieldInvalid, "ERROR: invalid 'Text' in <ExtremelyLongMsgKAT.txt>\n", xlHead},
      {"XlHeaderValuesWithOddBytes", &kExtremelyLong, "# Algorithm Name:" + odd + "\n# Principal Submitter: T\n",
       FieldMissing, "ERROR: unable to read 'Repeat' from <ExtremelyLongMsgKAT.txt>\n",
       "# ExtremelyLongMsgKAT_256.txt\n# Algorithm Name:" + odd + "\n# Principal Submitter: T\n\n"},
      {"McHeaderValuesWithOddBytes", &kMonteCarlo, "# Algorithm Name: MORV\n# Principal Submitter:" + odd + "\n",
       FieldMissing, "ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n", kMonteCarlo.OutHeader(odd)},
  };
}

INSTANTIATE_TEST_SUITE_P(OddBytes, Fault, ::testing::ValuesIn(OddBytes()), RowName);

// Bit lengths at and beyond each generator's limit, and numbers that do not
// fit 32 bits. A valid record before the one tested shows that it stays.
std::vector<Row> LenLimits() {
  std::vector<Row> rows;
  const struct {
    const Kind* kind;
    const char* text;
    int bits;  // -1: invalid
  } cases[] = {
      {&kShort, "-0", 0},          {&kShort, "34304", -1},       {&kShort, "34305", -1},
      {&kShort, "2147483647", -1}, {&kShort, "-2147483648", -1}, {&kShort, "-2147483649", -1},
      {&kShort, "99999999999999999999", -1},
      {&kLong, "0", 0},            {&kLong, "-1", -1},           {&kLong, "2048", 2048},
      {&kLong, "2049", 2049},      {&kLong, "+34304", 34304},    {&kLong, "2147483647", -1},
      {&kLong, "-2147483648", -1}, {&kLong, "2147483648", -1},   {&kLong, "4294967296", -1},
  };
  for (const auto& c : cases) {
    const Kind& kind = *c.kind;
    const Bytes message = test::RandomBytes(c.bits > 0 ? (static_cast<std::size_t>(c.bits) + 7) / 8 : 1, 42);
    const std::string input = kHeader + "Len = 8\nMsg = 61\nLen = " + c.text + "\nMsg = " + ToHex(message) + "\n";
    const std::string kept = kind.OutHeader() + Record(kind, 8, {0x61});
    std::string name = kind.stem + "Len" + c.text;
    std::replace(name.begin(), name.end(), '-', 'M');
    std::replace(name.begin(), name.end(), '+', 'P');
    if (c.bits < 0) {
      rows.push_back({name, &kind, input, FieldInvalid, "ERROR: invalid 'Len' in <" + kind.In() + ">\n", kept});
    } else {
      rows.push_back({name, &kind, input, Ok, kind.Finished(),
                      kept + Record(kind, c.bits, c.bits == 0 ? Bytes{} : message)});
    }
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(LenLimits, Fault, ::testing::ValuesIn(LenLimits()), RowName);

// Repeat counts at the ends of the 32-bit range and beyond, and texts as "%s"
// reads them. A count of 2147483647 would hash for minutes: that it is
// accepted shows in the Text being judged next.
std::vector<Row> RepeatAndText() {
  const std::string text(64, 't');
  const std::string head = kExtremelyLong.OutHeader();
  const std::string invalidRepeat = "ERROR: invalid 'Repeat' in <ExtremelyLongMsgKAT.txt>\n";
  const std::string invalidText = "ERROR: invalid 'Text' in <ExtremelyLongMsgKAT.txt>\n";
  const std::string done = kExtremelyLong.Finished();
  const std::string emptyMessage = "\nText = " + text + "\n" + Md({}, 0);
  const Bytes once(text.begin(), text.end());
  return {
      {"XlRepeatIntMin", &kExtremelyLong, kHeader + "Repeat = -2147483648\nText = " + text + "\n", Ok, done,
       head + "Repeat = -2147483648" + emptyMessage},
      {"XlRepeatMinusZero", &kExtremelyLong, kHeader + "Repeat = -0\nText = " + text + "\n", Ok, done,
       head + "Repeat = 0" + emptyMessage},
      {"XlRepeatIntMaxIsAccepted", &kExtremelyLong, kHeader + "Repeat = 2147483647\nText = short\n", FieldInvalid,
       invalidText, head},
      {"XlRepeatBelowIntMin", &kExtremelyLong, kHeader + "Repeat = -2147483649\nText = " + text + "\n",
       FieldInvalid, invalidRepeat, head},
      {"XlRepeatPlusOverflow", &kExtremelyLong, kHeader + "Repeat = +2147483648\nText = " + text + "\n",
       FieldInvalid, invalidRepeat, head},
      {"XlRepeatTwentyDigits", &kExtremelyLong, kHeader + "Repeat = 99999999999999999999\nText = " + text + "\n",
       FieldInvalid, invalidRepeat, head},
      {"XlText0ThenAWordOnTheNextLine", &kExtremelyLong, kHeader + "Repeat = 1\nText = \n" + text + "\n", Ok, done,
       head + "Repeat = 1\nText = " + text + "\n" + Md(once, 512)},
      {"XlText64AtTheEndOfInput", &kExtremelyLong, kHeader + "Repeat = 1\nText = " + text, Ok, done,
       head + "Repeat = 1\nText = " + text + "\n" + Md(once, 512)},
      {"XlText0AtTheEndOfInput", &kExtremelyLong, kHeader + "Repeat = 1\nText = \r\n", FieldInvalid, invalidText,
       head},
  };
}

INSTANTIATE_TEST_SUITE_P(RepeatAndText, Fault, ::testing::ValuesIn(RepeatAndText()), RowName);

// Monte Carlo outputs are compared with the output for an input that must give
// the same seed, as the chain is long.
TEST(MonteCarloSeed, ACutOrOddBytesReadAsTheEquivalentSeed) {
  using namespace std::string_literals;
  const struct {
    std::string input, equivalent;
  } rows[] = {
      {kHeader + "Seed = ", kHeader + "Seed = 00\n"},             // cut right after the marker
      {kHeader + "Seed = \0\xFF"s + "ab\n", kHeader + "Seed = ab\n"},  // skipped before the digits
      {kHeader + "Seed = ab\0"s + "cd\n", kHeader + "Seed = ab\n"},    // NUL ends the field
  };
  for (const auto& row : rows) {
    const Outcome cut = RunInFolder(kMonteCarlo, row.input);
    const Outcome equivalent = RunInFolder(kMonteCarlo, row.equivalent);
    EXPECT_EQ(cut.status, Ok);
    EXPECT_EQ(cut.printed, kMonteCarlo.Finished());
    ASSERT_TRUE(equivalent.output.has_value());
    EXPECT_NE(equivalent.output->find("\nj = 99\n"), std::string::npos);
    EXPECT_EQ(cut.output, equivalent.output) << row.input;
  }
}

const fs::path kSmallRun = fs::path(MORV_TEST_DATA) / "small-run";

std::string ToCrlf(const std::string& text) {
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return crlf;
}

// A CRLF copy of each known-answer input gives the known answer byte for byte.
TEST(Crlf, EveryKindGivesTheKnownAnswerOfItsLfInput) {
  for (const Kind* kind : {&kShort, &kLong, &kExtremelyLong, &kMonteCarlo}) {
    TempDir dir;
    WriteFile(kind->In(), ToCrlf(ReadFile(kSmallRun / "input" / kind->In()).value()));
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(kind->generate(224), Ok);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "finished " + kind->finishedName + " for <224>\n");
    const std::string out = kind->stem + "_224.txt";
    EXPECT_EQ(ReadFile(out), ReadFile(kSmallRun / "expected" / out)) << out;
  }
}

// The genkat program: exit codes, stdout and the files left behind.
struct ProgramRun {
  int exitCode;
  std::string printed;
};

// Runs genkat (or the given command that starts it) in the current folder.
ProgramRun RunGenkat(const std::string& genkat = MORV_GENKAT) {
  const fs::path log = fs::temp_directory_path() / ("morv-genkat-" + std::to_string(getpid()));
  const int status = std::system((genkat + " > " + log.string() + " 2>&1").c_str());
  ProgramRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(log).value_or("")};
  fs::remove(log);
  return run;
}

void CopySmallRunInputs() {
  for (const auto& entry : fs::directory_iterator(kSmallRun / "input")) {
    fs::copy_file(entry.path(), entry.path().filename());
  }
}

std::vector<std::string> OutputFiles() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename();
    if (name.find('_') != std::string::npos) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

const std::vector<std::string> kFilesFor224 = {"ExtremelyLongMsgKAT_224.txt", "LongMsgKAT_224.txt",
                                               "MonteCarlo_224.txt", "ShortMsgKAT_224.txt"};

TEST(Genkat, AFullDiskEndsTheRunWithStatus6) {
  TempDir dir;
  CopySmallRunInputs();
  fs::create_symlink("/dev/full", "ShortMsgKAT_256.txt");
  const ProgramRun run = RunGenkat();
  EXPECT_EQ(run.exitCode, 6);
  EXPECT_TRUE(run.printed.ends_with("finished MonteCarloKAT for <224>\nCouldn't write <ShortMsgKAT_256.txt>\n"))
      << run.printed;
  std::vector<std::string> expected = kFilesFor224;
  expected.push_back("ShortMsgKAT_256.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(OutputFiles(), expected);
  EXPECT_TRUE(fs::is_symlink("ShortMsgKAT_256.txt"));
  for (const std::string& name : kFilesFor224) {
    EXPECT_EQ(ReadFile(name), ReadFile(kSmallRun / "expected" / name)) << name;
  }
}

// Root reads and writes whatever the permissions say, so these runs drop to the
// user nobody with setpriv. genkat runs from a copy in the test's folder, so
// that the folders above the build tree need not be open to that user. Returns
// the command that starts it, or nothing when it cannot run so here.
std::optional<std::string> UnprivilegedGenkat() {
  if (geteuid() != 0) return MORV_GENKAT;
  fs::copy_file(MORV_GENKAT, "genkat");
  fs::permissions(".", fs::perms::all);
  const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups ./genkat";
  // With no inputs yet, a genkat that runs at all reports the first one missing.
  if (RunGenkat(command).printed != "Couldn't open <ShortMsgKAT.txt> for read\n") return std::nullopt;
  return command;
}

const char* const kNoUnprivilegedRun =
    "running as root, and setpriv cannot run genkat as the user nobody here (setpriv missing, "
    "or genkat needs files that user cannot read)";

TEST(Genkat, PermissionsThatCloseAFileEndTheRunWithStatus1) {
  const struct {
    std::string closed;  // the file made unreadable or unwritable
    bool isOutput;
    std::string lastLine;
    std::size_t filesBefore;  // output files written before the failure
  } rows[] = {
      {"ShortMsgKAT.txt", false, "Couldn't open <ShortMsgKAT.txt> for read\n", 0},
      {"LongMsgKAT.txt", false, "Couldn't open <LongMsgKAT.txt> for read\n", 1},
      {"ExtremelyLongMsgKAT.txt", false, "Couldn't open <ExtremelyLongMsgKAT.txt> for read\n", 2},
      {"MonteCarlo.txt", false, "Couldn't open <MonteCarlo.txt> for read\n", 3},
      {"LongMsgKAT_224.txt", true, "Couldn't open <LongMsgKAT_224.txt> for write\n", 1},
  };
  for (const auto& row : rows) {
    TempDir dir;
    const std::optional<std::string> genkat = UnprivilegedGenkat();
    if (!genkat) GTEST_SKIP() << kNoUnprivilegedRun;
    CopySmallRunInputs();
    if (row.isOutput) WriteFile(row.closed, "old\n");
    fs::permissions(row.closed, row.isOutput ? fs::perms::owner_read : fs::perms::none);
    fs::permissions(".", fs::perms::all);  // the outputs are written here
    const ProgramRun run = RunGenkat(*genkat);
    EXPECT_EQ(run.exitCode, 1) << row.closed;
    EXPECT_TRUE(run.printed.ends_with(row.lastLine)) << run.printed;
    EXPECT_EQ(std::count(run.printed.begin(), run.printed.end(), '\n'), row.filesBefore + 1) << run.printed;
    std::vector<std::string> outputs = OutputFiles();
    if (row.isOutput) {
      EXPECT_EQ(ReadFile(row.closed), "old\n");  // the closed output is left as it was
      outputs.erase(std::remove(outputs.begin(), outputs.end(), row.closed), outputs.end());
    }
    EXPECT_EQ(outputs.size(), row.filesBefore) << row.closed;
    for (const std::string& name : outputs) {
      EXPECT_EQ(ReadFile(name), ReadFile(kSmallRun / "expected" / name)) << name;
    }
  }
}

TEST(Genkat, AFolderClosedToWritingCreatesNoFile) {
  TempDir dir;
  const std::optional<std::string> genkat = UnprivilegedGenkat();
  if (!genkat) GTEST_SKIP() << kNoUnprivilegedRun;
  CopySmallRunInputs();
  fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                           fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const ProgramRun run = RunGenkat(*genkat);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.printed, "Couldn't open <ShortMsgKAT_224.txt> for write\n");
  EXPECT_TRUE(OutputFiles().empty());
}

}  // namespace
}  // namespace morv::kat
