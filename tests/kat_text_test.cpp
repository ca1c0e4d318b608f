// The text helpers on in-memory streams: what they return, what they store,
// and where they leave the stream.
#include <cstdio>
#include <cstring>

#include "kat.h"
#include "test_util.h"

namespace morv::kat {
namespace {

using test::Bytes;
using test::ToHex;

// A stream over the given bytes, NULs included.
struct Stream {
  explicit Stream(const std::string& content) : file(std::tmpfile()) {
    std::fwrite(content.data(), 1, content.size(), file.get());
    std::rewind(file.get());
  }
  std::string Rest() {
    std::string rest;
    for (int c; (c = std::getc(file.get())) != EOF;) rest += static_cast<char>(c);
    return rest;
  }
  File file;
};

TEST(SeekMarker, FindsTheFirstMatchAnywhereAndStopsRightAfterIt) {
  struct Row {
    std::string input, marker;
    int found;
    std::string rest;
  };
  const Row rows[] = {
      {"Len = 8\n", "Len = ", 1, "8\n"},
      {"xyzLen = 8", "Len = ", 1, "8"},                                   // after other letters
      {"# # Algorithm Name: A\n", "# Algorithm Name:", 1, " A\n"},         // overlapping partial match
      {"LLen = 1", "Len = ", 1, "1"},
      {"Len =  Len = 2", "Len = ", 1, " Len = 2"},
      {"Len 3", "Len = ", 0, ""},
      {"", "Len = ", 0, ""},
      {"Le", "Len = ", 0, ""},
      {"abc", "", 1, "abc"},                                               // empty marker reads nothing
      {std::string("a\0Len = 5", 9), "Len = ", 1, "5"},                   // NUL is a character
      {"\xFF\xFFLen = 5", "Len = ", 1, "5"},                              // 0xFF is not the end
      {std::string(49, 'a') + "b!", std::string(49, 'a') + "c", 1, "b!"},  // 49 characters count
  };
  for (const Row& row : rows) {
    Stream s(row.input);
    EXPECT_EQ(SeekMarker(s.file.get(), row.marker.c_str()), row.found) << row.input;
    EXPECT_EQ(s.Rest(), row.rest) << row.input;
  }
}

TEST(ReadHexField, RightAlignsTheLastDigitsAndStopsAfterTheField) {
  struct Row {
    std::string input;
    int n;
    int result;
    std::string bytes, rest;
  };
  const Row rows[] = {
      {"Msg = 0ABC\nx", 2, 1, "0ABC", "x"},
      {"Msg = abc\n", 2, 1, "0ABC", ""},                // fewer digits: leading zero bytes
      {"Msg = 123456\n", 2, 1, "3456", ""},             // more digits: the last ones stay
      {"Msg = 12345\n", 2, 1, "2345", ""},              // odd count beyond the field
      {"Msg =   \t12 34\n", 2, 1, "0012", "34\n"},      // blanks before, a blank ends it
      {"Msg = \nLen = 8", 2, 1, "0000", "Len = 8"},     // empty field, line end dropped
      {"Msg = \r\n", 1, 1, "00", ""},                   // CRLF empty field
      {"Msg = FF\r\nMD", 1, 1, "FF", "\nMD"},           // CR ends the field
      {"Msg = xyz12", 1, 1, "12", ""},                  // other characters before digits skipped
      {"Msg = 7", 1, 1, "07", ""},                      // input ends inside the field
      {"Len = 8\nMsg = 80\nMD", 1, 1, "80", "MD"},
      {"Msg 80\n", 1, 0, "00", ""},                     // no marker
      {"Msg = 80\n", 0, 1, "00", "Msg = 80\n"},         // n = 0 reads nothing
  };
  for (const Row& row : rows) {
    Stream s(row.input);
    std::uint8_t bytes[8];
    std::memset(bytes, 0xEE, sizeof bytes);
    EXPECT_EQ(ReadHexField(s.file.get(), bytes, row.n, "Msg = "), row.result) << row.input;
    EXPECT_EQ(ToHex(bytes, std::max(row.n, 1)), row.bytes) << row.input;
    EXPECT_EQ(bytes[std::max(row.n, 1)], 0xEE) << "wrote past the field: " << row.input;
    EXPECT_EQ(s.Rest(), row.rest) << row.input;
  }
}

// The plain rule, one nibble shift of the whole array per digit, as a reference
// for fields of every length against the one-pass reader.
Bytes ShiftInDigits(const std::string& digits, std::size_t n) {
  Bytes b(n, 0);
  for (const char c : digits) {
    for (std::size_t i = 0; i + 1 < n; ++i) b[i] = static_cast<std::uint8_t>(b[i] << 4 | b[i + 1] >> 4);
    b[n - 1] = static_cast<std::uint8_t>(b[n - 1] << 4 | std::stoi(std::string(1, c), nullptr, 16));
  }
  return b;
}

TEST(ReadHexField, EveryDigitCountMatchesTheShiftingRule) {
  const std::string hex = "0123456789abcdefFEDCBA9876543210";
  for (const std::size_t n : {1, 2, 3, 7, 64}) {
    for (std::size_t count = 0; count <= 4 * n + 3; ++count) {
      std::string digits;
      for (std::size_t i = 0; i < count; ++i) digits += hex[(i * 7 + count) % hex.size()];
      Stream s("Msg = " + digits + "\n");
      Bytes bytes(n);
      ReadHexField(s.file.get(), bytes.data(), static_cast<int>(n), "Msg = ");
      ASSERT_EQ(ToHex(bytes), ToHex(ShiftInDigits(digits, n))) << n << " " << digits;
    }
  }
}

TEST(WriteHexField, UpperCaseDigitsAndTwoZerosForNoBytes) {
  std::string hundred = "MD = ";
  for (int i = 0; i < 100; ++i) hundred += "E5";
  struct Row {
    Bytes bytes;
    int n;
    std::string text;
  };
  const Row rows[] = {
      {{0x0A, 0xBC}, 2, "MD = 0ABC\n"},
      {{0xFF}, 0, "MD = 00\n"},
      {Bytes(100, 0xE5), 100, hundred + "\n"},
  };
  for (const Row& row : rows) {
    Stream s("");
    WriteHexField(s.file.get(), "MD = ", row.bytes.data(), row.n);
    std::rewind(s.file.get());
    EXPECT_EQ(s.Rest(), row.text);
  }
}

TEST(ReadDecimal, ReadsAsPercentDAndRefusesWhatDoesNotFit) {
  struct Row {
    std::string input;
    bool ok;
    int value;
    std::string rest;
  };
  const Row rows[] = {
      {"16\n", true, 16, "\n"},
      {"+0016x", true, 16, "x"},
      {" \t\r\n\v\f-5", true, -5, ""},
      {"2147483647", true, 2147483647, ""},
      {"-2147483648", true, INT32_MIN, ""},
      {"2147483648", false, 0, ""},
      {"-2147483649", false, 0, ""},
      {"99999999999999999999999", false, 0, ""},
      {"abc", false, 0, "abc"},
      {"+", false, 0, ""},
      {"- 5", false, 0, " 5"},
      {"", false, 0, ""},
      {"0x10", true, 0, "x10"},
  };
  for (const Row& row : rows) {
    Stream s(row.input);
    int value = 0;
    EXPECT_EQ(ReadDecimal(s.file.get(), value), row.ok) << row.input;
    if (row.ok) {
      EXPECT_EQ(value, row.value) << row.input;
    }
    EXPECT_EQ(s.Rest(), row.rest) << row.input;
  }
}

TEST(ReadWordOfLength, ExactLengthOnlyAndNeverPastTheBuffer) {
  struct Row {
    std::string input;
    bool ok;
    std::string word;
  };
  const Row rows[] = {
      {"  abcd\n", true, "abcd"},
      {"abc\n", false, ""},
      {"abcde\n", false, ""},
      {"\n\n", false, ""},
      {"", false, ""},
      {std::string("a\0c\xFF", 4), true, std::string("a\0c\xFF", 4)},
  };
  for (const Row& row : rows) {
    Stream s(row.input);
    char word[5];
    std::memset(word, '#', sizeof word);
    EXPECT_EQ(ReadWordOfLength(s.file.get(), word, 4), row.ok) << row.input;
    if (row.ok) {
      EXPECT_EQ(std::string(word, 4), row.word);
    }
    EXPECT_EQ(word[4], '#') << row.input;
  }
}

}  // namespace
}  // namespace morv::kat
