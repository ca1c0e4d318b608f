// Message records, short and long alike: each "Len = " / "Msg = " / "MD = "
// record is hashed on its own with HashMessage, so their order is free.
#include <algorithm>
#include <string>

#include "kat_file_check.h"
#include "morv.h"

namespace morv::cli {

bool CheckMessageKat(KatFileCheck& check) {
  KatReader& reader = check.reader;
  Bytes message;
  Bytes expected;
  Bytes computed;
  do {
    if (!Require(check, "Len")) return false;
    int bits = 0;
    if (!reader.ReadNumber(bits) || bits < 0) {
      return Malformed(check, "the bit length must be a number from 0 up");
    }
    const std::string label = "Len = " + std::to_string(bits);
    const int bytes = bits / 8 + (bits % 8 != 0);
    const int digits = 2 * std::max(bytes, 1);
    // The line is held only as long as the bit length makes it, and room for
    // the message taken only once its digits are there: a bit length alone
    // ("Len = 2147483647") must not take 256 MiB.
    if (!Expect(check, "Msg", sizeof "Msg = " - 1 + static_cast<std::size_t>(digits))) return false;
    const bool digitsThere = reader.HexDigitCount() == static_cast<std::size_t>(digits);
    if (digitsThere) message.assign(static_cast<std::size_t>(digits / 2), 0);
    if (!digitsThere || !reader.ReadBytes(message.data(), bytes)) {
      // The right number of digits, and yet refused: an empty message has one text.
      if (digitsThere && bits == 0) return Malformed(check, "a message of 0 bits is written \"00\"");
      return Malformed(check, "%d bits take %d hexadecimal digits", bits, digits);
    }
    if (!Expect(check, "MD") || !ReadExpectedDigest(check, expected)) return false;
    computed.resize(expected.size());
    HashMessage(check.digestBits, message.data(), static_cast<std::size_t>(bits), computed.data());
    CompareDigest(check, label, expected, computed);
  } while (reader.Next());
  return true;
}

}  // namespace morv::cli
