// Extremely long records: the 64-character text repeated Repeat times,
// streamed through Init, one Update per repetition and Final, as the
// generator hashes it.
#include <algorithm>
#include <string>

#include "kat.h"
#include "kat_file_check.h"
#include "progress.h"

namespace morv::cli {
namespace {

void HashRepeatedText(const KatFileCheck& check, const std::uint8_t* text, int repeat,
                      Bytes& digest) {
  constexpr int kStretch = 1 << 16;  // repetitions between progress updates
  Progress progress(check.name);
  HashContext ctx;
  Init(&ctx, check.digestBits);
  for (int done = 0; done < repeat;) {
    progress.Show(done, repeat);
    const int stretch = std::min(kStretch, repeat - done);
    kat::UpdateRepeatedly(&ctx, text, stretch);
    done += stretch;
  }
  Final(&ctx, digest.data());
}

}  // namespace

bool CheckExtremelyLongKat(KatFileCheck& check) {
  KatReader& reader = check.reader;
  Bytes expected;
  Bytes computed;
  do {
    if (!Require(check, "Repeat")) return false;
    int repeat = 0;
    if (!reader.ReadNumber(repeat)) return Malformed(check, "the count must be a 32-bit number");
    if (!Expect(check, "Text")) return false;
    std::uint8_t text[kat::kExtremelyLongTextBytes];
    if (!reader.ReadWord(reinterpret_cast<char*>(text), kat::kExtremelyLongTextBytes)) {
      return Malformed(check, "the text must be %d characters without blanks",
                       kat::kExtremelyLongTextBytes);
    }
    if (!Expect(check, "MD") || !ReadExpectedDigest(check, expected)) return false;
    computed.resize(expected.size());
    HashRepeatedText(check, text, repeat, computed);
    CompareDigest(check, "Repeat = " + std::to_string(repeat), expected, computed);
  } while (reader.Next());
  return true;
}

}  // namespace morv::cli
