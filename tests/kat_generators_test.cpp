// Each generator run in a folder of its own: outputs that cannot be opened or
// written, and byte-exact outputs of small hand-made inputs. The input faults,
// row by row, are in kat_faults_test.cpp.
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
      {"# Algorithm Name: M\r\r\n# Principal Submitter: T\r", " M\r\n# Principal Submitter: T\n"},
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
