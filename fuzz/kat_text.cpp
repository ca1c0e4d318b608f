// The text helpers on arbitrary bytes, several calls one after another on one
// stream, each checked against a plain model of its rule run on the same bytes:
// the result, what it stores and where it leaves the stream. Every buffer is
// exactly as large as the call is told, so that a write past it is caught.
//
// Input: the calls and their sizes come from the end of the data, a marker of
// any content from its front, and the rest is the stream.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "kat.h"
#include "require.h"

namespace {

using morv::kat::File;


bool IsSpace(char c) { return std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos; }
bool IsHex(char c) { return std::string_view("0123456789abcdefABCDEF").find(c) != std::string_view::npos; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The stream as the rules see it: the bytes and how far they have been read.
struct Model {
  std::string_view text;
  std::size_t pos = 0;

  bool AtEnd() const { return pos == text.size(); }
  void SkipSpace() {
    while (!AtEnd() && IsSpace(text[pos])) ++pos;
  }

  // The first occurrence of the marker's first 49 characters from here on.
  bool SeekMarker(std::string_view marker) {
    marker = marker.substr(0, 49);
    if (marker.empty()) return true;
    const std::size_t at = text.find(marker, pos);
    pos = at == std::string_view::npos ? text.size() : at + marker.size();
    return at != std::string_view::npos;
  }

  // Skips to the first hex digit unless a line end comes first (consumed), then
  // takes digits up to and including the first other character; the last 2n
  // digits are the field, right-aligned, in upper case.
  std::string HexField(std::size_t n) {
    std::string digits;
    while (!AtEnd()) {
      const char c = text[pos++];
      if (IsHex(c)) {
        digits += static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
      } else if (!digits.empty() || c == '\n') {
        break;
      }
    }
    if (digits.size() > 2 * n) digits.erase(0, digits.size() - 2 * n);
    return std::string(2 * n - digits.size(), '0') + digits;
  }

  // White space, an optional sign, digits; the first other character stays unread.
  bool Decimal(int& value) {
    SkipSpace();
    if (AtEnd()) return false;
    const bool negative = text[pos] == '-';
    if (text[pos] == '-' || text[pos] == '+') ++pos;
    std::string digits;
    while (!AtEnd() && IsDigit(text[pos])) digits += text[pos++];
    if (digits.empty()) return false;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 10) return false;
    const long long magnitude = digits.empty() ? 0 : std::stoll(digits);
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
    value = static_cast<int>(signedValue);
    return true;
  }

  std::string_view Word() {
    SkipSpace();
    const std::size_t start = pos;
    while (!AtEnd() && !IsSpace(text[pos])) ++pos;
    return text.substr(start, pos - start);
  }
};

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += kDigits[bytes[i] >> 4];
    s += kDigits[bytes[i] & 15];
  }
  return s;
}

enum class Call { SeekMarker, ReadHexField, ReadDecimal, ReadWordOfLength, WriteHexField };

struct Step {
  Call call;
  int size;     // n for the hex fields, the word length
  int marker;   // index into the markers
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<Step> steps;
  for (int i = input.ConsumeIntegralInRange(1, 6); i > 0; --i) {
    const auto call = static_cast<Call>(input.ConsumeIntegralInRange(0, 4));
    steps.push_back({call, input.ConsumeIntegralInRange(-1, 140), input.ConsumeIntegralInRange(0, 5)});
  }
  const std::string ownMarker = input.ConsumeRandomLengthString(60);
  const std::string markers[] = {"Len = ", "Msg = ", "# Algorithm Name:", "Seed = ", "", ownMarker};
  std::string text = input.ConsumeRemainingBytesAsString();

  Model model{text};
  const File stream(fmemopen(text.data(), text.size(), "r"));
  MORV_REQUIRE(stream != nullptr);
  std::FILE* in = stream.get();
  for (const Step& step : steps) {
    const char* marker = markers[step.marker].c_str();  // a NUL inside ends it, as for any C string
    const auto n = static_cast<std::size_t>(std::max(step.size, 0));
    switch (step.call) {
      case Call::SeekMarker:
        MORV_REQUIRE(morv::kat::SeekMarker(in, marker) == model.SeekMarker(marker));
        break;
      case Call::ReadHexField: {
        std::vector<std::uint8_t> bytes(std::max<std::size_t>(n, 1), 0xEE);
        const int found = morv::kat::ReadHexField(in, bytes.data(), step.size, marker);
        if (n == 0) {
          MORV_REQUIRE(found == 1 && bytes[0] == 0);
        } else {
          const bool modelFound = model.SeekMarker(marker);
          MORV_REQUIRE(found == modelFound);
          MORV_REQUIRE(Hex(bytes.data(), n) == (modelFound ? model.HexField(n) : std::string(2 * n, '0')));
        }
        break;
      }
      case Call::ReadDecimal: {
        int value = 0;
        int modelValue = 0;
        const bool ok = morv::kat::ReadDecimal(in, value);
        MORV_REQUIRE(ok == model.Decimal(modelValue));
        MORV_REQUIRE(!ok || value == modelValue);
        break;
      }
      case Call::ReadWordOfLength: {
        std::vector<char> word(n);
        const bool ok = morv::kat::ReadWordOfLength(in, word.data(), static_cast<int>(n));
        const std::string_view modelWord = model.Word();
        MORV_REQUIRE(ok == (modelWord.size() == n));
        MORV_REQUIRE(!ok || std::string_view(word.data(), n) == modelWord);
        break;
      }
      case Call::WriteHexField: {
        const std::vector<std::uint8_t> bytes(text.begin(), text.begin() + std::min(n, text.size()));
        char* written = nullptr;
        std::size_t length = 0;
        std::FILE* out = open_memstream(&written, &length);
        MORV_REQUIRE(out != nullptr);
        morv::kat::WriteHexField(out, marker, bytes.data(), static_cast<int>(bytes.size()));
        std::fclose(out);
        const std::string hex = bytes.empty() ? "00" : Hex(bytes.data(), bytes.size());
        MORV_REQUIRE(std::string(written, length) == std::string(marker) + hex + "\n");
        std::free(written);
        break;
      }
    }
    MORV_REQUIRE(std::ftell(in) == static_cast<long>(model.pos));
  }
  return 0;
}
