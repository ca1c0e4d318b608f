// Messages of 0 to 2048 bits, one record each, with an empty line before every record.
#include "kat.h"

namespace morv::kat {

constexpr MessageKatKind kShortMsgKat = {.kind = {.inName = "ShortMsgKAT.txt",
                                                  .outPattern = "ShortMsgKAT_%d.txt",
                                                  .generator = "genShortMsg",
                                                  .finishedName = "ShortMsgKAT",
                                                  .blankAfterHeader = false},
                                         .blankBeforeRecord = true,
                                         .maxBits = 2048};

KatStatus genShortMsg(int digestBits) {
  std::uint8_t message[2048 / 8];
  return GenerateMessageKat(kShortMsgKat, digestBits, message);
}

}  // namespace morv::kat
