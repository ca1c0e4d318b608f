// Messages of 0 to 2048 bits, one record each, with an empty line before every record.
#include "kat.h"

namespace morv::kat {

KatStatus genShortMsg(int digestBits) {
  static constexpr MessageKatKind kShortMsg = {
      .kind = {.inName = "ShortMsgKAT.txt",
               .outPattern = "ShortMsgKAT_%d.txt",
               .generator = "genShortMsg",
               .finishedName = "ShortMsgKAT",
               .blankAfterHeader = false},
      .blankBeforeRecord = true,
      .maxBits = 2048};
  std::uint8_t message[2048 / 8];
  return GenerateMessageKat(kShortMsg, digestBits, message);
}

}  // namespace morv::kat
