// One message of Repeat x 64 bytes, streamed through Init, one Update per
// repetition and Final; it never exists in memory as a whole.
#include "kat.h"
#include "morv.h"

namespace morv::kat {

constexpr KatKind kExtremelyLongMsgKat = {.inName = "ExtremelyLongMsgKAT.txt",
                                          .outPattern = "ExtremelyLongMsgKAT_%d.txt",
                                          .generator = "genExtremelyLongMsg",
                                          .finishedName = "ExtremelyLongMsgKAT",
                                          .blankAfterHeader = true};

KatStatus WriteExtremelyLongMsgKat(int digestBits, KatFiles& files) {
  if (const KatStatus s = CopyHeader(kExtremelyLongMsgKat, files); s != Ok) return s;
  std::FILE* in = files.in.get();

  if (!SeekMarker(in, "Repeat = ")) {
    return Fail(files, FieldMissing,
                "ERROR: unable to read 'Repeat' from <ExtremelyLongMsgKAT.txt>\n");
  }
  int repeat = 0;
  if (!ReadDecimal(in, repeat)) {
    return Fail(files, FieldInvalid, "ERROR: invalid 'Repeat' in <ExtremelyLongMsgKAT.txt>\n");
  }
  if (!SeekMarker(in, "Text = ")) {
    return Fail(files, FieldMissing,
                "ERROR: unable to read 'Text' from <ExtremelyLongMsgKAT.txt>\n");
  }
  std::uint8_t text[kExtremelyLongTextBytes];
  if (!ReadWordOfLength(in, reinterpret_cast<char*>(text), sizeof text)) {
    return Fail(files, FieldInvalid, "ERROR: invalid 'Text' in <ExtremelyLongMsgKAT.txt>\n");
  }
  // A count or a text cut by a read error would be hashed for nothing.
  if (const KatStatus s = ReadStatus(files); s != Ok) return s;

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
  return Ok;
}

KatStatus genExtremelyLongMsg(int digestBits) {
  KatFiles files;
  if (const KatStatus s = OpenFiles(kExtremelyLongMsgKat, digestBits, files); s != Ok) return s;
  if (const KatStatus s = WriteExtremelyLongMsgKat(digestBits, files); s != Ok) return s;
  return Finish(kExtremelyLongMsgKat, digestBits, files);
}

}  // namespace morv::kat
