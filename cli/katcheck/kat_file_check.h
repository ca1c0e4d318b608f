// Checking one KAT output file: the state of the check and the steps that the
// three record layouts share. A file is recognised by its first field:
//   "Len = "    message records: Len, Msg, MD (short and long messages)
//   "Repeat = " extremely long records: Repeat, Text, MD
//   "Seed = "   a Monte Carlo chain: Seed, then j and MD for j = 0 to 99
// The digest length is four times the digit count of the first "MD = " field,
// at most kMaxDigestBits; every other "MD = " field of the file must have as
// many digits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kat_reader.h"

namespace morv::cli {

using Bytes = std::vector<std::uint8_t>;

struct KatFileCheck {
  const char* name;  // as messages show it: quoted, every byte of it harmless
  KatReader& reader;
  int digestBits = 0;
  long long records = 0;
  long long mismatches = 0;
};

// Recognises the layout by the file's first field line and checks every
// record with its checker; false when the file is malformed.
bool CheckRecords(KatFileCheck& check);

// Each checker starts on the file's first field line and returns false when
// the file is malformed, after saying where; the records before that point
// have been checked and counted.
bool CheckMessageKat(KatFileCheck& check);
bool CheckExtremelyLongKat(KatFileCheck& check);
bool CheckMonteCarloKat(KatFileCheck& check);

// Prints "PROGRAM: NAME:LINE: message" for the current line (no LINE in an
// empty file), unless a read error ended the input; returns false.
[[gnu::format(printf, 2, 3)]] bool Malformed(const KatFileCheck& check, const char* format, ...);

// Requires the key, e.g. "Msg", on the current field line.
bool Require(const KatFileCheck& check, const char* key);

// Moves to the next field line, of at most `longest` characters, and requires the key.
bool Expect(KatFileCheck& check, const char* key, std::size_t longest = KatReader::kLongestField);

// On an "MD = " line (found by Expect): reads the expected digest; the first
// one sets the file's digest length.
bool ReadExpectedDigest(KatFileCheck& check, Bytes& expected);

// Counts the record, and reports it when the computed digest differs:
// "NAME:LINE: mismatch in record LABEL" and both digests, the file's first.
void CompareDigest(KatFileCheck& check, const std::string& label, const Bytes& expected,
                   const Bytes& computed);

}  // namespace morv::cli
