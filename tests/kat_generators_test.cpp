// Each generator run in a folder of its own: every failure row with its message,
// status and what stays on disk; the bad-input rules; byte-exact small outputs.
#include <filesystem>

#include "kat.h"
#include "morv.h"
#include "test_util.h"

namespace morv::kat {
namespace {

using test::Bytes;
using test::ReadFile;
using test::TempDir;
using test::ToHex;
using test::WriteFile;
using Generator = KatStatus (*)(int);

struct Outcome {
  int status;
  std::string printed;
};

Outcome RunGenerator(Generator generate, int digestBits) {
  ::testing::internal::CaptureStdout();
  const int status = generate(digestBits);
  return {status, ::testing::internal::GetCapturedStdout()};
}

const std::string kHeader = "# In.txt\n# Algorithm Name: MORV\n# Principal Submitter: Team\n\n";

std::string Md(int digestBits, const Bytes& message, std::size_t bits) {
  std::uint8_t digest[64];
  HashMessage(digestBits, message.data(), bits, digest);
  return "MD = " + ToHex(digest, static_cast<std::size_t>(digestBits) / 8) + "\n";
}

const Bytes kText(64, 'a');

// One row: what the input folder holds, and what the generator must do with it.
struct Row {
  const char* name;
  Generator generate;
  const char* inName;
  std::optional<std::string> input;  // nullopt: the input file is absent
  int status;
  std::string printed;
  std::optional<std::string> output;  // nullopt: no output file

  friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
};

std::vector<Row> FailureRows() {
  const std::string head256 = "# Algorithm Name: MORV\n# Principal Submitter: Team\n";
  auto header = [&](const char* outName, bool blank) {
    return std::string("# ") + outName + "\n" + head256 + (blank ? "\n" : "");
  };
  const std::string shortOut = header("ShortMsgKAT_256.txt", false);
  const std::string longOut = header("LongMsgKAT_256.txt", true);
  const std::string xlOut = header("ExtremelyLongMsgKAT_256.txt", true);
  const std::string mcOut = header("MonteCarlo_256.txt", true);
  const Bytes empty;
  const std::string text(64, 'a');
  return {
      {"ShortNoInput", genShortMsg, "ShortMsgKAT.txt", std::nullopt, 1,
       "Couldn't open <ShortMsgKAT.txt> for read\n", std::nullopt},
      {"ShortNoAlgorithmName", genShortMsg, "ShortMsgKAT.txt", "# Principal Submitter: T\n", 2,
       "genShortMsg: Couldn't read Algorithm Name\n", "# ShortMsgKAT_256.txt\n"},
      {"ShortNoSubmitter", genShortMsg, "ShortMsgKAT.txt", "# Algorithm Name: MORV\nLen = 0\n", 2,
       "genShortMsg: Couldn't read Principal Submitter\n",
       "# ShortMsgKAT_256.txt\n# Algorithm Name: MORV\n"},
      {"ShortLastMsgMissing", genShortMsg, "ShortMsgKAT.txt", kHeader + "Len = 0\nMsg = 00\n\nLen = 8\n", 3,
       "ERROR: unable to read 'Msg' from <ShortMsgKAT.txt>\n",
       shortOut + "\nLen = 0\nMsg = 00\n" + Md(256, empty, 0)},
      {"ShortLenNotANumber", genShortMsg, "ShortMsgKAT.txt", kHeader + "Len = x\nMsg = 00\n", 5,
       "ERROR: invalid 'Len' in <ShortMsgKAT.txt>\n", shortOut},
      {"ShortLenAboveLimit", genShortMsg, "ShortMsgKAT.txt", kHeader + "Len = 0\nLen = 2049\nMsg = 00\n", 5,
       "ERROR: invalid 'Len' in <ShortMsgKAT.txt>\n", shortOut + "\nLen = 0\nMsg = 00\n" + Md(256, empty, 0)},
      {"ShortLenNegative", genShortMsg, "ShortMsgKAT.txt", kHeader + "Len = -1\nMsg = 00\n", 5,
       "ERROR: invalid 'Len' in <ShortMsgKAT.txt>\n", shortOut},
      {"ShortLenOverflows", genShortMsg, "ShortMsgKAT.txt", kHeader + "Len = 4294967304\nMsg = 00\n", 5,
       "ERROR: invalid 'Len' in <ShortMsgKAT.txt>\n", shortOut},
      {"ShortLenAtEnd", genShortMsg, "ShortMsgKAT.txt", kHeader + "Len = ", 5,
       "ERROR: invalid 'Len' in <ShortMsgKAT.txt>\n", shortOut},
      {"ShortNoRecords", genShortMsg, "ShortMsgKAT.txt", kHeader, 0,
       "finished ShortMsgKAT for <256>\n", shortOut},
      {"LongNoInput", genLongMsg, "LongMsgKAT.txt", std::nullopt, 1,
       "Couldn't open <LongMsgKAT.txt> for read\n", std::nullopt},
      {"LongNoAlgorithmName", genLongMsg, "LongMsgKAT.txt", "", 2,
       "genLongMsg: Couldn't read Algorithm Name\n", "# LongMsgKAT_256.txt\n"},
      {"LongNoSubmitter", genLongMsg, "LongMsgKAT.txt", "# Algorithm Name: MORV\n", 2,
       "genLongMsg: Couldn't read Principal Submitter\n", "# LongMsgKAT_256.txt\n# Algorithm Name: MORV\n"},
      {"LongMsgMissing", genLongMsg, "LongMsgKAT.txt", kHeader + "Len = 8\nMsg = 61\nLen = 16\n", 3,
       "ERROR: unable to read 'Msg' from <LongMsgKAT.txt>\n",
       longOut + "Len = 8\nMsg = 61\n" + Md(256, {0x61}, 8)},
      {"LongLenAboveLimit", genLongMsg, "LongMsgKAT.txt", kHeader + "Len = 34305\nMsg = 00\n", 5,
       "ERROR: invalid 'Len' in <LongMsgKAT.txt>\n", longOut},
      {"LongNoRecords", genLongMsg, "LongMsgKAT.txt", kHeader, 0, "finished LongMsgKAT for <256>\n", longOut},
      {"XlNoInput", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt", std::nullopt, 1,
       "Couldn't open <ExtremelyLongMsgKAT.txt> for read\n", std::nullopt},
      {"XlNoAlgorithmName", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt", "# Algorithm Name MORV\n", 2,
       "genExtremelyLongMsg: Couldn't read Algorithm Name\n", "# ExtremelyLongMsgKAT_256.txt\n"},
      {"XlNoSubmitter", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt", "# Algorithm Name: MORV\n", 2,
       "genExtremelyLongMsg: Couldn't read Principal Submitter\n",
       "# ExtremelyLongMsgKAT_256.txt\n# Algorithm Name: MORV\n"},
      {"XlNoRepeat", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt", kHeader + "Text = " + text + "\n", 3,
       "ERROR: unable to read 'Repeat' from <ExtremelyLongMsgKAT.txt>\n", xlOut},
      {"XlNoText", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt", kHeader + "Repeat = 1\n", 3,
       "ERROR: unable to read 'Text' from <ExtremelyLongMsgKAT.txt>\n", xlOut},
      {"XlRepeatNotANumber", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt",
       kHeader + "Repeat = many\nText = " + text + "\n", 5,
       "ERROR: invalid 'Repeat' in <ExtremelyLongMsgKAT.txt>\n", xlOut},
      {"XlRepeatOverflows", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt",
       kHeader + "Repeat = 2147483648\nText = " + text + "\n", 5,
       "ERROR: invalid 'Repeat' in <ExtremelyLongMsgKAT.txt>\n", xlOut},
      {"XlText63", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt",
       kHeader + "Repeat = 1\nText = " + text.substr(1) + "\n", 5,
       "ERROR: invalid 'Text' in <ExtremelyLongMsgKAT.txt>\n", xlOut},
      {"XlText65", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt",
       kHeader + "Repeat = 1\nText = " + text + "b\n", 5, "ERROR: invalid 'Text' in <ExtremelyLongMsgKAT.txt>\n",
       xlOut},
      {"XlTextEmpty", genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt", kHeader + "Repeat = 1\nText = \n", 5,
       "ERROR: invalid 'Text' in <ExtremelyLongMsgKAT.txt>\n", xlOut},
      {"McNoInput", genMonteCarlo, "MonteCarlo.txt", std::nullopt, 1,
       "Couldn't open <MonteCarlo.txt> for read\n", std::nullopt},
      {"McNoAlgorithmName", genMonteCarlo, "MonteCarlo.txt", "Seed = 00\n", 2,
       "genMonteCarlo: Couldn't read Algorithm Name\n", "# MonteCarlo_256.txt\n"},
      {"McNoSubmitter", genMonteCarlo, "MonteCarlo.txt", "# Algorithm Name: MORV\n", 2,
       "genMonteCarlo: Couldn't read Principal Submitter\n", "# MonteCarlo_256.txt\n# Algorithm Name: MORV\n"},
      {"McNoSeed", genMonteCarlo, "MonteCarlo.txt", kHeader + "Seed 00\n", 3,
       "ERROR: unable to read 'Seed' from <MonteCarlo.txt>\n", mcOut},
  };
}

class FailureRow : public ::testing::TestWithParam<Row> {};

TEST_P(FailureRow, MessageStatusAndWhatStaysOnDisk) {
  const Row& row = GetParam();
  TempDir dir;
  if (row.input) WriteFile(row.inName, *row.input);
  const Outcome outcome = RunGenerator(row.generate, 256);
  EXPECT_EQ(outcome.status, row.status);
  EXPECT_EQ(outcome.printed, row.printed);
  std::string outName = row.inName;
  outName.replace(outName.find(".txt"), 4, "_256.txt");
  EXPECT_EQ(ReadFile(outName), row.output);
  // Nothing else appears in the folder.
  const auto entries = std::distance(std::filesystem::directory_iterator("."), {});
  EXPECT_EQ(entries, (row.input ? 1 : 0) + (row.output ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Generators, FailureRow, ::testing::ValuesIn(FailureRows()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OutputFile, ThatCannotBeOpenedIsReportedAndTheInputIsLeftAlone) {
  const std::pair<Generator, const char*> rows[] = {{genShortMsg, "ShortMsgKAT"},
                                                    {genLongMsg, "LongMsgKAT"},
                                                    {genExtremelyLongMsg, "ExtremelyLongMsgKAT"},
                                                    {genMonteCarlo, "MonteCarlo"}};
  for (const auto& [generate, stem] : rows) {
    TempDir dir;
    const std::string outName = std::string(stem) + "_384.txt";
    WriteFile(std::string(stem) + ".txt", kHeader);
    std::filesystem::create_directory(outName);
    const Outcome outcome = RunGenerator(generate, 384);
    EXPECT_EQ(outcome.status, FileOpenFailed);
    EXPECT_EQ(outcome.printed, "Couldn't open <" + outName + "> for write\n");
    EXPECT_TRUE(std::filesystem::is_directory(outName));
  }
}

TEST(OutputFile, AFullDiskIsAFailedWriteNotAFinishedFile) {
  const std::pair<Generator, std::string> rows[] = {
      {genShortMsg, "ShortMsgKAT"}, {genLongMsg, "LongMsgKAT"},
      {genExtremelyLongMsg, "ExtremelyLongMsgKAT"}, {genMonteCarlo, "MonteCarlo"}};
  for (const auto& [generate, stem] : rows) {
    TempDir dir;
    WriteFile(stem + ".txt", kHeader + "Len = 8\nMsg = 61\nRepeat = 1\nText = " + std::string(64, 'a') +
                                 "\nSeed = 00\n");
    std::filesystem::create_symlink("/dev/full", stem + "_224.txt");
    const Outcome outcome = RunGenerator(generate, 224);
    EXPECT_EQ(outcome.status, FileWriteFailed) << stem;
    EXPECT_EQ(outcome.printed, "Couldn't write <" + stem + "_224.txt>\n");
  }
}

// Byte-exact outputs of small hand-made inputs.
struct Exact {
  const char* name;
  std::string input;
  std::string output;  // with the digest lines as computed from the messages
};

std::string RunShort(const std::string& input, int digestBits = 224) {
  TempDir dir;
  WriteFile("ShortMsgKAT.txt", input);
  const Outcome outcome = RunGenerator(genShortMsg, digestBits);
  EXPECT_EQ(outcome.status, Ok);
  return ReadFile("ShortMsgKAT_" + std::to_string(digestBits) + ".txt").value_or("<none>");
}

TEST(HeaderCopy, ValuesAreCopiedWholeAndCrlfIsCleaned) {
  const std::string longValue(1 << 20, 'v');
  const struct {
    std::string in, out;
  } rows[] = {
      {"# Algorithm Name: MORV\n# Principal Submitter: A B\n", " MORV\n# Principal Submitter: A B\n"},
      {"junk # # Algorithm Name:X\n\n\n  # Principal Submitter:Y", "X\n# Principal Submitter:Y\n"},
      {"# Algorithm Name:\n# Principal Submitter:\n", "\n# Principal Submitter:\n"},
      {"# Algorithm Name: M\r\n# Principal Submitter: T\r\n", " M\n# Principal Submitter: T\n"},
      {"# Algorithm Name: M\r\r\n# Principal Submitter: T\r", " M\r\n# Principal Submitter: T\r\n"},
      {"# Algorithm Name:" + longValue + "\n# Principal Submitter: T\n",
       longValue + "\n# Principal Submitter: T\n"},
      {std::string("# Algorithm Name: \0\xFF\xE9", 21) + "\n# Principal Submitter: T\n",
       std::string(" \0\xFF\xE9", 4) + "\n# Principal Submitter: T\n"},
      {"# Algorithm Name: A # Principal Submitter: B\n# Principal Submitter: C\n",
       " A # Principal Submitter: B\n# Principal Submitter: C\n"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(RunShort(row.in), "# ShortMsgKAT_224.txt\n# Algorithm Name:" + row.out)
        << row.in.substr(0, 60);
  }
}

TEST(ShortMsg, RecordLayoutAndFieldRules) {
  const std::string in = kHeader +
                         "Len = 0\nMsg = 00\n\n"
                         "Len = 1\nMsg = 80\n\n\n\n"
                         "Len = 3\nMsg = ff\n"
                         "xLen = +0016\r\nMsg =   abc\r\n"
                         "Len = 8\nMsg = \n"
                         "Len = 8\nLen = 16\nMsg = 1234\n";
  const std::string expected =
      "# ShortMsgKAT_224.txt\n# Algorithm Name: MORV\n# Principal Submitter: Team\n"
      "\nLen = 0\nMsg = 00\n" + Md(224, {}, 0) +
      "\nLen = 1\nMsg = 80\n" + Md(224, {0x80}, 1) +
      "\nLen = 3\nMsg = FF\n" + Md(224, {0xE0}, 3) +
      "\nLen = 16\nMsg = 0ABC\n" + Md(224, {0x0A, 0xBC}, 16) +
      "\nLen = 8\nMsg = 00\n" + Md(224, {0x00}, 8) +
      // A record without its field takes the next record's field.
      "\nLen = 8\nMsg = 34\n" + Md(224, {0x34}, 8);
  EXPECT_EQ(RunShort(in), expected);
}

TEST(ShortMsg, ARecordOf2048BitsFillsTheBuffer) {
  const Bytes message = test::RandomBytes(256, 8);
  const std::string out = RunShort(kHeader + "Len = 2048\nMsg = " + ToHex(message) + "\n", 512);
  EXPECT_NE(out.find("Msg = " + ToHex(message) + "\n" + Md(512, message, 2048)), std::string::npos);
}

TEST(LongMsg, RecordsFollowWithoutEmptyLines) {
  TempDir dir;
  const Bytes big = test::RandomBytes(4288, 9);
  WriteFile("LongMsgKAT.txt", kHeader + "Len = 34304\nMsg = " + ToHex(big) + "\n\nLen = 2061\nMsg = " +
                                  ToHex(big).substr(0, 516) + "\n");
  ASSERT_EQ(RunGenerator(genLongMsg, 384).status, Ok);
  const Bytes part(big.begin(), big.begin() + 258);
  EXPECT_EQ(ReadFile("LongMsgKAT_384.txt"),
            "# LongMsgKAT_384.txt\n# Algorithm Name: MORV\n# Principal Submitter: Team\n\n"
            "Len = 34304\nMsg = " + ToHex(big) + "\n" + Md(384, big, 34304) +
            "Len = 2061\nMsg = " + ToHex(part) + "\n" + Md(384, part, 2061));
}

// The streamed digest equals the one-shot digest of the text repeated R times;
// zero and negative counts hash the empty message.
TEST(ExtremelyLongMsg, StreamEqualsTheRepeatedTextAndCountsAsRead) {
  const std::string text = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno";
  const struct {
    std::string repeat;
    int shown, count;
  } rows[] = {{"3", 3, 3}, {"+0002", 2, 2}, {"1", 1, 1}, {"0", 0, 0}, {"-7", -7, 0}};
  for (const auto& row : rows) {
    TempDir dir;
    WriteFile("ExtremelyLongMsgKAT.txt", kHeader + "Repeat = " + row.repeat + "\r\nText = " + text + "\r\n");
    EXPECT_EQ(RunGenerator(genExtremelyLongMsg, 512).printed, "finished ExtremelyLongMsgKAT for <512>\n");
    Bytes message;
    for (int i = 0; i < row.count; ++i) message.insert(message.end(), text.begin(), text.end());
    EXPECT_EQ(ReadFile("ExtremelyLongMsgKAT_512.txt"),
              "# ExtremelyLongMsgKAT_512.txt\n# Algorithm Name: MORV\n# Principal Submitter: Team\n\n"
              "Repeat = " + std::to_string(row.shown) + "\nText = " + text + "\n" +
                  Md(512, message, 8 * message.size()));
  }
}

// The chain computed directly: hash, then the digest in front of the old
// message's first 128 - D bytes.
TEST(MonteCarlo, ChainMatchesADirectComputation) {
  for (const int digestBits : {224, 512}) {
    TempDir dir;
    WriteFile("MonteCarlo.txt", kHeader + "Seed = abc\n");
    ASSERT_EQ(RunGenerator(genMonteCarlo, digestBits).status, Ok);
    const std::string out = ReadFile("MonteCarlo_" + std::to_string(digestBits) + ".txt").value();

    const std::size_t d = static_cast<std::size_t>(digestBits) / 8;
    Bytes message(128, 0);
    message[126] = 0x0A;
    message[127] = 0xBC;
    EXPECT_NE(out.find("\n\nSeed = " + ToHex(message) + "\n\nj = 0\n"), std::string::npos);
    Bytes digest(d);
    for (int i = 0; i < 1000; ++i) {
      HashMessage(digestBits, message.data(), 1024, digest.data());
      Bytes next(digest);
      next.insert(next.end(), message.begin(), message.end() - static_cast<std::ptrdiff_t>(d));
      if (i == 0) {  // the second message: the first digest, then the seed's first 128 - D bytes
        EXPECT_EQ(Bytes(next.begin() + static_cast<std::ptrdiff_t>(d), next.end()),
                  Bytes(message.begin(), message.begin() + 128 - static_cast<std::ptrdiff_t>(d)));
      }
      message = next;
    }
    EXPECT_NE(out.find("\nj = 0\nMD = " + ToHex(digest) + "\n"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 305);
    EXPECT_NE(out.find("\nj = 99\nMD = "), std::string::npos);
  }
}

}  // namespace
}  // namespace morv::kat
