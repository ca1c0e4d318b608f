// The KAT generator's shared pieces: result codes, the text helpers that read
// and write the KAT line grammar and the hashing steps (both katcheck's too),
// the header copy, and the generators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "morv.h"

namespace morv::kat {

enum KatStatus : int {
  Ok = 0,
  FileOpenFailed = 1,
  HeaderMissing = 2,
  FieldMissing = 3,
  HashFailed = 4,
  FieldInvalid = 5,
  FileWriteFailed = 6,
  FileReadFailed = 7,
};

// Text in memory, read by the helpers below as they read a stream: katcheck
// hands them the value of one field line.
class TextInput {
 public:
  explicit TextInput(std::string_view text) : text_(text) {}
  int Get() { return at_ < text_.size() ? static_cast<unsigned char>(text_[at_++]) : EOF; }
  void Unget() { --at_; }  // the character that Get returned last
  bool AtEnd() const { return at_ == text_.size(); }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

// The text helpers take a read error for the end of the input; the stream's
// error flag keeps it, and the generators check it (ReadStatus) before they act
// on what was read.
//
// Finds the marker (its first 49 characters) anywhere in the stream and leaves
// the stream right after it. Returns 1 when found, 0 when the input ended first.
int SeekMarker(std::FILE* in, const char* marker);

// Reads the hexadecimal field after the marker into n bytes, right-aligned: the
// last 2n digits stay. n = 0 reads nothing and sets bytes[0] to 0. Returns 0
// when the marker is missing, else 1.
int ReadHexField(std::FILE* in, std::uint8_t* bytes, int n, const char* marker);
int ReadHexField(TextInput& in, std::uint8_t* bytes, int n, const char* marker);

// Writes the label, n bytes as upper-case hex ("00" when n = 0), and "\n".
void WriteHexField(std::FILE* out, const char* label, const std::uint8_t* bytes, int n);

// Reads a decimal as "%d" does (white space, optional sign, digits). Returns
// false when no number follows or it does not fit a signed 32-bit integer.
bool ReadDecimal(std::FILE* in, int& value);
bool ReadDecimal(TextInput& in, int& value);

// Reads a white-space delimited word as "%s" does. Returns true when the word
// has exactly `size` characters, which are then in word[0..size-1]; never
// stores more than `size` characters.
bool ReadWordOfLength(std::FILE* in, char* word, int size);
bool ReadWordOfLength(TextInput& in, char* word, int size);

// The hashing steps that katcheck shares with the generators (hash_steps.cpp).
//
// The length of the extremely long message's text, in bytes.
inline constexpr int kExtremelyLongTextBytes = 64;

// The extremely long message, or a stretch of it: one Update with the text's
// kExtremelyLongTextBytes bytes per repetition (none when count is 0 or less).
// Stops at the first non-zero result and returns it, else 0.
int UpdateRepeatedly(HashContext* ctx, const std::uint8_t* text, int count);

// The Monte Carlo chain's message: 1024 bits.
inline constexpr int kMonteCarloMessageBytes = 128;

// One step of the Monte Carlo chain: hashes the message into digest
// (digestBits / 8 bytes, at most kMonteCarloMessageBytes), then makes the next
// message: the digest, then the old message without as many bytes at its end.
void MonteCarloStep(int digestBits, std::uint8_t* message, std::uint8_t* digest);

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The two files of one generator call. Files left open by a failure are
// closed, with what was written, when the object goes out of scope.
struct KatFiles {
  File in;
  File out;
  const char* inName = "";
  char outName[32] = "";
};

// What tells one generator from another in the steps that all of them share.
struct KatKind {
  const char* inName;        // "ShortMsgKAT.txt"
  const char* outPattern;    // "ShortMsgKAT_%d.txt"
  const char* generator;     // "genShortMsg", for the header messages
  const char* finishedName;  // "ShortMsgKAT", for the finished line
  bool blankAfterHeader;     // an empty line after the submitter line
};

// The short- and long-message generators differ only in these.
struct MessageKatKind {
  KatKind kind;
  bool blankBeforeRecord;  // an empty line before each "Len = " line
  int maxBits;             // the largest valid bit length
};

// The four generators' kinds, defined beside them.
extern const MessageKatKind kShortMsgKat;
extern const MessageKatKind kLongMsgKat;
extern const KatKind kExtremelyLongMsgKat;
extern const KatKind kMonteCarloKat;

// A generator is OpenFiles, its Write step on the open files, then Finish;
// each step prints its own failure line and returns its status.
//
// Opens the input, then the output.
KatStatus OpenFiles(const KatKind& kind, int digestBits, KatFiles& files);

// Writes the output's first line and copies the two header lines.
KatStatus CopyHeader(const KatKind& kind, KatFiles& files);

// FileReadFailed, after "Couldn't read <in>", when a read of the input failed;
// else Ok.
KatStatus ReadStatus(const KatFiles& files);

// Prints a failure found in what was read and returns its status, unless a
// read error cut the input short: that is the failure then, and is reported.
[[gnu::format(printf, 3, 4)]] KatStatus Fail(const KatFiles& files, KatStatus status,
                                             const char* format, ...);

// Closes the stream; true when everything written to it got through.
bool CloseOutput(std::FILE* out);

// Closes both files and prints the finished line, or reports a failed write.
KatStatus Finish(const KatKind& kind, int digestBits, KatFiles& files);

// The header, then each "Len = " / "Msg = " record hashed with HashMessage and
// written with its digest. message has room for maxBits / 8 bytes.
KatStatus WriteMessageKat(const MessageKatKind& kat, int digestBits, KatFiles& files,
                          std::uint8_t* message);

// OpenFiles, WriteMessageKat and Finish.
KatStatus GenerateMessageKat(const MessageKatKind& kat, int digestBits, std::uint8_t* message);

// The header, then the one "Repeat = " / "Text = " record with its digest.
KatStatus WriteExtremelyLongMsgKat(int digestBits, KatFiles& files);

// The header, then the "Seed = " line; the seed stays in message.
KatStatus WriteMonteCarloSeed(KatFiles& files, std::uint8_t* message);

// The chain from the seed in message: its hundred "j = " records.
void WriteMonteCarloChain(int digestBits, std::uint8_t* message, std::FILE* out);

KatStatus genShortMsg(int digestBits);
KatStatus genLongMsg(int digestBits);
KatStatus genExtremelyLongMsg(int digestBits);
KatStatus genMonteCarlo(int digestBits);

}  // namespace morv::kat
