// The text helpers on arbitrary bytes, several calls one after another on one
// stream: no crash and no sanitizer report, every buffer exactly as large as
// the call is told, and each result within its contract. The text-helper table
// of the test suite pins what the helpers read.
//
// Input: the calls and their sizes come from the end of the data, a marker of
// any content from its front, and the rest is the stream.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kat.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace morv::kat;
  FuzzedDataProvider input(data, size);
  std::vector<std::pair<int, int>> calls;  // which helper, and its size
  for (int i = input.ConsumeIntegralInRange(1, 6); i > 0; --i) {
    calls.emplace_back(input.ConsumeIntegralInRange(0, 4), input.ConsumeIntegralInRange(0, 80));
  }
  const std::string marker = input.ConsumeRandomLengthString(60);
  std::string text = input.ConsumeRemainingBytesAsString();
  const File in(fmemopen(text.data(), text.size(), "r"));
  const File out(std::tmpfile());
  if (!in || !out) return 0;

  for (const auto& [helper, n] : calls) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(n, 1)));
    std::vector<char> word(static_cast<std::size_t>(n));
    int value = 0;
    switch (helper) {
      case 0: MORV_REQUIRE(SeekMarker(in.get(), marker.c_str()) <= 1); break;
      case 1: MORV_REQUIRE(ReadHexField(in.get(), bytes.data(), n, marker.c_str()) <= 1); break;
      case 2: ReadDecimal(in.get(), value); break;
      case 3: ReadWordOfLength(in.get(), word.data(), n); break;
      case 4: WriteHexField(out.get(), marker.c_str(), bytes.data(), n); break;
    }
  }
  return 0;
}
