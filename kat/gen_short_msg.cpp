// Messages of 0 to 2048 bits, one record each, with an empty line before every record.
#include "kat.h"

namespace morv::kat {

KatStatus genShortMsg(int digestBits) {
  static constexpr MessageKatKind kShortMsg = {
      {"ShortMsgKAT.txt", "ShortMsgKAT_%d.txt", "genShortMsg", "ShortMsgKAT", false}, true, 2048};
  std::uint8_t message[2048 / 8];
  return GenerateMessageKat(kShortMsg, digestBits, message);
}

}  // namespace morv::kat
