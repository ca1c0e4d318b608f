// genLongMsg on arbitrary LongMsgKAT.txt contents: no crash, no sanitizer
// report, and the status, the printed line and the output file agree.
#include "generator_harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  morv::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > morv::fuzz::kMaxInput) return -1;
  static constexpr morv::fuzz::Generator kLongMsg = {morv::kat::genLongMsg, "LongMsgKAT.txt", "LongMsgKAT",
                                                     "genLongMsg", true};
  if (const auto run = morv::fuzz::RunGenerator(kLongMsg, data, size)) {
    morv::fuzz::CheckMessageRecords(*run, "LongMsgKAT.txt", "LongMsgKAT", 34304, false);
  }
  return 0;
}
