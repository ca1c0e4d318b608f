// The record loop that the short- and long-message generators share.
#include "kat.h"
#include "morv.h"

namespace morv::kat {

KatStatus WriteMessageKat(const MessageKatKind& kat, int digestBits, KatFiles& files,
                          std::uint8_t* message) {
  if (const KatStatus s = CopyHeader(kat.kind, files); s != Ok) return s;
  std::FILE* in = files.in.get();
  std::FILE* out = files.out.get();

  std::uint8_t digest[64];
  while (SeekMarker(in, "Len = ")) {
    int bits = 0;
    if (!ReadDecimal(in, bits) || bits < 0 || bits > kat.maxBits) {
      return Fail(files, FieldInvalid, "ERROR: invalid 'Len' in <%s>\n", kat.kind.inName);
    }
    const int bytes = (bits + 7) / 8;
    if (!ReadHexField(in, message, bytes, "Msg = ")) {
      return Fail(files, FieldMissing, "ERROR: unable to read 'Msg' from <%s>\n", kat.kind.inName);
    }
    // A record cut by a read error would be a wrong record: none is written.
    if (const KatStatus s = ReadStatus(files); s != Ok) return s;
    HashMessage(digestBits, message, static_cast<std::size_t>(bits), digest);
    std::fprintf(out, kat.blankBeforeRecord ? "\nLen = %d\n" : "Len = %d\n", bits);
    WriteHexField(out, "Msg = ", message, bytes);
    WriteHexField(out, "MD = ", digest, digestBits / 8);
  }
  // The search for a next record may have ended on a read error, not at the end.
  return ReadStatus(files);
}

KatStatus GenerateMessageKat(const MessageKatKind& kat, int digestBits, std::uint8_t* message) {
  KatFiles files;
  if (const KatStatus s = OpenFiles(kat.kind, digestBits, files); s != Ok) return s;
  if (const KatStatus s = WriteMessageKat(kat, digestBits, files, message); s != Ok) return s;
  return Finish(kat.kind, digestBits, files);
}

}  // namespace morv::kat
