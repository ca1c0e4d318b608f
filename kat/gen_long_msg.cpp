// Messages of up to 34304 bits; records follow one another without empty lines.
#include "kat.h"

namespace morv::kat {

constexpr MessageKatKind kLongMsgKat = {.kind = {.inName = "LongMsgKAT.txt",
                                                 .outPattern = "LongMsgKAT_%d.txt",
                                                 .generator = "genLongMsg",
                                                 .finishedName = "LongMsgKAT",
                                                 .blankAfterHeader = true},
                                        .blankBeforeRecord = false,
                                        .maxBits = 34304};

KatStatus genLongMsg(int digestBits) {
  std::uint8_t message[34304 / 8];
  return GenerateMessageKat(kLongMsgKat, digestBits, message);
}

}  // namespace morv::kat
