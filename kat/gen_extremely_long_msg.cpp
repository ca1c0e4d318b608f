// One message of Repeat x 64 bytes, streamed through Init, one Update per
// repetition and Final; it never exists in memory as a whole.
#include "kat.h"
#include "morv.h"

namespace morv::kat {

int UpdateRepeatedly(HashContext* ctx, const std::uint8_t* text, int count) {
  for (int i = 0; i < count; ++i) {
    if (const int r = Update(ctx, text, 512); r != 0) return r;
  }
  return 0;
}

KatStatus genExtremelyLongMsg(int digestBits) {
  static constexpr KatKind kKind = {.inName = "ExtremelyLongMsgKAT.txt",
                                    .outPattern = "ExtremelyLongMsgKAT_%d.txt",
                                    .generator = "genExtremelyLongMsg",
                                    .finishedName = "ExtremelyLongMsgKAT",
                                    .blankAfterHeader = true};
  KatFiles files;
  if (const KatStatus s = OpenAndCopyHeader(kKind, digestBits, files); s != Ok) return s;
  std::FILE* in = files.in.get();

  if (!SeekMarker(in, "Repeat = ")) {
    std::printf("ERROR: unable to read 'Repeat' from <ExtremelyLongMsgKAT.txt>\n");
    return FieldMissing;
  }
  int repeat = 0;
  if (!ReadDecimal(in, repeat)) {
    std::printf("ERROR: invalid 'Repeat' in <ExtremelyLongMsgKAT.txt>\n");
    return FieldInvalid;
  }
  if (!SeekMarker(in, "Text = ")) {
    std::printf("ERROR: unable to read 'Text' from <ExtremelyLongMsgKAT.txt>\n");
    return FieldMissing;
  }
  std::uint8_t text[64];
  if (!ReadWordOfLength(in, reinterpret_cast<char*>(text), sizeof text)) {
    std::printf("ERROR: invalid 'Text' in <ExtremelyLongMsgKAT.txt>\n");
    return FieldInvalid;
  }

  HashContext ctx;
  std::uint8_t digest[64];
  if (const int r = Init(&ctx, digestBits); r != 0) {
    std::printf("Init returned <%d> in genExtremelyLongMsg\n", r);
    return HashFailed;
  }
  if (const int r = UpdateRepeatedly(&ctx, text, repeat); r != 0) {
    std::printf("Update returned <%d> in genExtremelyLongMsg\n", r);
    return HashFailed;
  }
  if (const int r = Final(&ctx, digest); r != 0) {
    std::printf("Final returned <%d> in genExtremelyLongMsg\n", r);
    return HashFailed;
  }

  std::FILE* out = files.out.get();
  std::fprintf(out, "Repeat = %d\n", repeat);
  std::fputs("Text = ", out);
  std::fwrite(text, 1, sizeof text, out);
  std::fputs("\n", out);
  WriteHexField(out, "MD = ", digest, digestBits / 8);
  return Finish(kKind, digestBits, files);
}

}  // namespace morv::kat
