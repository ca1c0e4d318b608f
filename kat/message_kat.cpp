// The record loop that the short- and long-message generators share.
#include "kat.h"
#include "morv.h"

namespace morv::kat {

KatStatus GenerateMessageKat(const MessageKatKind& kat, int digestBits, std::uint8_t* message) {
  KatFiles files;
  if (const KatStatus s = OpenAndCopyHeader(kat.kind, digestBits, files); s != Ok) return s;
  std::FILE* in = files.in.get();
  std::FILE* out = files.out.get();

  std::uint8_t digest[64];
  while (SeekMarker(in, "Len = ")) {
    int bits = 0;
    if (!ReadDecimal(in, bits) || bits < 0 || bits > kat.maxBits) {
      std::printf("ERROR: invalid 'Len' in <%s>\n", kat.kind.inName);
      return FieldInvalid;
    }
    const int bytes = (bits + 7) / 8;
    if (!ReadHexField(in, message, bytes, "Msg = ")) {
      std::printf("ERROR: unable to read 'Msg' from <%s>\n", kat.kind.inName);
      return FieldMissing;
    }
    HashMessage(digestBits, message, static_cast<std::size_t>(bits), digest);
    std::fprintf(out, kat.blankBeforeRecord ? "\nLen = %d\n" : "Len = %d\n", bits);
    WriteHexField(out, "Msg = ", message, bytes);
    WriteHexField(out, "MD = ", digest, digestBits / 8);
  }
  return Finish(kat.kind, digestBits, files);
}

}  // namespace morv::kat
