// Runs the cases of data/text_helpers.table: each row calls one of genkat's text
// helpers on an input and says what the call returns, stores, writes and leaves unread.
#include <algorithm>
#include <cstring>
#include <map>

#include "kat.h"
#include "test_util.h"

namespace morv::kat {
namespace {

// What the row's call did, under the table's keys.
std::map<std::string, std::string> Call(const test::TableRow& row) {
  const std::vector<std::string>& call = *row.Find("call");
  const std::string& helper = call.at(0);
  const int n = helper.ends_with("Field") || helper == "ReadWordOfLength" ? std::stoi(call[1]) : 0;
  const char* marker = call.back().c_str();  // or the label
  std::map<std::string, std::string> got;
  test::TempDir dir;
  // genkat opens its files in text mode (OpenFiles); so are they
  // written and read here, and the row's bytes are what it reads and writes.
  const bool textMode = helper == "CopyHeader";
  test::WriteFile("In.txt", row.Joined("input"), textMode);
  KatFiles files;
  files.in.reset(std::fopen("In.txt", textMode ? "r" : "rb"));
  files.out.reset(std::fopen("Out_224.txt", textMode ? "w" : "wb"));
  std::FILE* in = files.in.get();

  if (helper == "SeekMarker") {
    got["result"] = std::to_string(SeekMarker(in, marker));
  } else if (helper == "ReadHexField") {
    std::uint8_t bytes[80];
    std::memset(bytes, 0xEE, sizeof bytes);
    got["result"] = std::to_string(ReadHexField(in, bytes, n, marker));
    got["bytes"] = test::ToHex(bytes, static_cast<std::size_t>(std::max(n, 1)));
    EXPECT_EQ(bytes[std::max(n, 1)], 0xEE) << row.where << ": stored past the field";
  } else if (helper == "WriteHexField") {
    const test::Bytes bytes = test::FromHex(row.Joined("input"));
    WriteHexField(files.out.get(), marker, bytes.data(), n);
  } else if (helper == "ReadDecimal") {
    int value = 0;
    got["result"] = std::to_string(ReadDecimal(in, value));
    got["value"] = std::to_string(value);
  } else if (helper == "ReadWordOfLength") {
    char word[80];
    std::memset(word, '#', sizeof word);
    got["result"] = std::to_string(ReadWordOfLength(in, word, n));
    got["word"] = std::string(word, static_cast<std::size_t>(n));
    EXPECT_EQ(word[n], '#') << row.where << ": stored past the word";
  } else if (helper == "CopyHeader") {
    static constexpr KatKind kKind = {"In.txt", "Out_%d.txt", "genIn", "In", true};
    std::snprintf(files.outName, sizeof files.outName, kKind.outPattern, 224);
    ::testing::internal::CaptureStdout();
    got["result"] = std::to_string(CopyHeader(kKind, files));
    got["printed"] = ::testing::internal::GetCapturedStdout();
  } else {
    ADD_FAILURE() << row.where << ": no helper " << helper;
  }
  std::string& rest = got["rest"];
  for (int c; (c = std::getc(files.in.get())) != EOF;) rest += static_cast<char>(c);
  files.out.reset();
  got["output"] = test::ReadFile("Out_224.txt", textMode).value_or("");
  return got;
}

class TextHelper : public ::testing::TestWithParam<test::TableRow> {};

TEST_P(TextHelper, Row) {
  const test::TableRow& row = GetParam();
  std::map<std::string, std::string> got = Call(row);
  for (const auto& [key, values] : row.fields) {
    if (key == "call" || key == "input") continue;
    ASSERT_TRUE(got.contains(key)) << row.where << ": no result " << key;
    EXPECT_EQ(got[key], row.Joined(key)) << row.where << ": " << key;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, TextHelper,
                         ::testing::ValuesIn(test::ReadTable(MORV_TEST_DATA "/text_helpers.table")),
                         test::RowName);

}  // namespace
}  // namespace morv::kat
