// Messages of up to 34304 bits; records follow one another without empty lines.
#include "kat.h"

namespace morv::kat {

KatStatus genLongMsg(int digestBits) {
  static constexpr MessageKatKind kLongMsg = {
      {"LongMsgKAT.txt", "LongMsgKAT_%d.txt", "genLongMsg", "LongMsgKAT", true}, false, 34304};
  std::uint8_t message[34304 / 8];
  return GenerateMessageKat(kLongMsg, digestBits, message);
}

}  // namespace morv::kat
