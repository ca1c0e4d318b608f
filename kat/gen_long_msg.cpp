// Messages of up to 34304 bits; records follow one another without empty lines.
#include "kat.h"

namespace morv::kat {

KatStatus genLongMsg(int digestBits) {
  static constexpr MessageKatKind kLongMsg = {
      .kind = {.inName = "LongMsgKAT.txt",
               .outPattern = "LongMsgKAT_%d.txt",
               .generator = "genLongMsg",
               .finishedName = "LongMsgKAT",
               .blankAfterHeader = true},
      .blankBeforeRecord = false,
      .maxBits = 34304};
  std::uint8_t message[34304 / 8];
  return GenerateMessageKat(kLongMsg, digestBits, message);
}

}  // namespace morv::kat
