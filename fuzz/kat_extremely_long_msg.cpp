// genExtremelyLongMsg on arbitrary ExtremelyLongMsgKAT.txt contents: no crash,
// no sanitizer report, and the status, the printed line and the output file
// agree; a written digest is that of the text repeated as often as written.
#include <algorithm>

#include "generator_harness.h"

namespace {

// The generator makes one Update per repetition, so a count near 2^31 would
// hash for minutes and libFuzzer would report a timeout that is no fault.
// Inputs with any "Repeat = " count above this are skipped; counts are judged
// with the generator's own reader, at every marker, so that whichever one the
// generator reaches is covered.
constexpr int kMaxRepeat = 256;

bool RepeatsAreSmall(const std::uint8_t* data, std::size_t size) {
  const morv::kat::File in(fmemopen(const_cast<std::uint8_t*>(data), std::max<std::size_t>(size, 1), "r"));
  MORV_REQUIRE(in != nullptr);
  if (size == 0) return true;
  while (morv::kat::SeekMarker(in.get(), "Repeat = ")) {
    int repeat = 0;
    if (morv::kat::ReadDecimal(in.get(), repeat) && repeat > kMaxRepeat) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  morv::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace morv::fuzz;
  if (size > kMaxInput || !RepeatsAreSmall(data, size)) return -1;
  static constexpr Generator kExtremelyLongMsg = {morv::kat::genExtremelyLongMsg, "ExtremelyLongMsgKAT.txt",
                                                  "ExtremelyLongMsgKAT", "genExtremelyLongMsg", true};
  const auto run = RunGenerator(kExtremelyLongMsg, data, size);
  if (!run) return 0;

  const std::string in = "<ExtremelyLongMsgKAT.txt>\n";
  switch (run->status) {
    case morv::kat::Ok: MORV_REQUIRE(run->printed == Finished("ExtremelyLongMsgKAT", run->digestBits)); break;
    case morv::kat::FieldMissing:
      MORV_REQUIRE(run->printed == "ERROR: unable to read 'Repeat' from " + in ||
              run->printed == "ERROR: unable to read 'Text' from " + in);
      break;
    case morv::kat::FieldInvalid:
      MORV_REQUIRE(run->printed == "ERROR: invalid 'Repeat' in " + in || run->printed == "ERROR: invalid 'Text' in " + in);
      break;
    default: MORV_REQUIRE(false);
  }
  if (run->status != morv::kat::Ok) {
    MORV_REQUIRE(run->body.empty());
    return 0;
  }
  std::string_view body = run->body;
  long long repeat = 0;
  std::string digest;
  MORV_REQUIRE(Take(body, "Repeat = ") && TakeDecimalLine(body, repeat) && Take(body, "Text = "));
  const std::string text(body.substr(0, 64));
  body.remove_prefix(text.size());
  MORV_REQUIRE(text.size() == 64 && Take(body, "\nMD = ") && TakeHexLine(body, digest) && body.empty());
  std::string message;
  for (long long i = 0; i < repeat; ++i) message += text;
  MORV_REQUIRE(digest == Digest(run->digestBits, message, 8 * message.size()));
  return 0;
}
