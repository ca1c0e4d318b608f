// What every generator fuzz target shares: the input file written in a folder
// of its own, the generator called with stdout captured, and the checks that
// hold whatever the input was. The status and the printed line must agree, the
// output file must exist and hold exactly the header that the input's header
// lines give, followed by what the target's own check accepts for that status.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "kat.h"
#include "morv.h"
#include "require.h"

namespace morv::fuzz {


// Larger inputs find nothing new (the largest valid record is 8576 digits) and
// only slow every run down.
constexpr std::size_t kMaxInput = 1 << 14;

struct Generator {
  kat::KatStatus (*generate)(int digestBits);
  const char* inName;          // "ShortMsgKAT.txt"
  const char* outStem;         // "ShortMsgKAT", the output is "<stem>_<d>.txt"
  const char* generatorName;   // "genShortMsg"
  bool blankAfterHeader;
};

// What one call left behind.
struct Run {
  int digestBits;
  int status;
  std::string printed;
  std::string body;  // the output file after its header
  std::string rest;  // the input after its header lines
};

inline std::optional<std::string> ReadFile(const char* name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const char* name, std::string_view content) {
  std::ofstream(name, std::ios::binary | std::ios::trunc).write(content.data(),
                                                               static_cast<std::streamsize>(content.size()));
}

// Runs in a fresh folder that is removed at exit, so that the fuzzer never
// writes into the folder it was started from.
inline void EnterScratchFolder() {
  static std::filesystem::path folder;
  std::string pattern = (std::filesystem::temp_directory_path() / "morv-fuzz-XXXXXX").string();
  MORV_REQUIRE(mkdtemp(pattern.data()) != nullptr);
  folder = pattern;
  std::filesystem::current_path(folder);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
}

inline int CallWithStdoutCaptured(const Generator& g, int digestBits, std::string& printed) {
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int capture = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  MORV_REQUIRE(saved >= 0 && capture >= 0);
  dup2(capture, STDOUT_FILENO);
  close(capture);
  const int status = g.generate(digestBits);
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  printed = ReadFile("stdout.txt").value_or("");
  return status;
}

// A header value as the copy takes it: the rest of the line, without one
// carriage return at its end. Returns where the value's line ends.
inline std::size_t HeaderValue(std::string_view input, std::size_t from, std::string& value) {
  const std::size_t end = input.find('\n', from);
  value = input.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
  if (!value.empty() && value.back() == '\r') value.pop_back();
  return end;
}

// Runs the generator on the input and checks the header and the header
// failures; returns the run for the target's own checks when the header was
// complete.
inline std::optional<Run> RunGenerator(const Generator& g, const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  constexpr int kDigestBits[] = {224, 256, 384, 512};
  const int digestBits = kDigestBits[provider.ConsumeIntegralInRange(0, 3)];
  const std::string input = provider.ConsumeRemainingBytesAsString();
  const std::string outName = std::string(g.outStem) + "_" + std::to_string(digestBits) + ".txt";

  WriteFile(g.inName, input);
  std::filesystem::remove(outName);
  Run run{digestBits, 0, "", "", ""};
  run.status = CallWithStdoutCaptured(g, digestBits, run.printed);
  const std::optional<std::string> output = ReadFile(outName.c_str());
  MORV_REQUIRE(output.has_value());

  // The header: the first algorithm marker anywhere, the submitter marker
  // after that value's line.
  const std::string prefix = g.generatorName + std::string(": Couldn't read ");
  std::string expected = "# " + outName + "\n";
  const std::size_t algorithm = input.find("# Algorithm Name:");
  if (algorithm == std::string::npos) {
    MORV_REQUIRE(run.status == kat::HeaderMissing && run.printed == prefix + "Algorithm Name\n");
    MORV_REQUIRE(*output == expected);
    return std::nullopt;
  }
  std::string value;
  const std::size_t algorithmEnd = HeaderValue(input, algorithm + 17, value);
  expected += "# Algorithm Name:" + value + "\n";
  const std::size_t submitter =
      algorithmEnd == std::string::npos ? algorithmEnd : input.find("# Principal Submitter:", algorithmEnd);
  if (submitter == std::string::npos) {
    MORV_REQUIRE(run.status == kat::HeaderMissing && run.printed == prefix + "Principal Submitter\n");
    MORV_REQUIRE(*output == expected);
    return std::nullopt;
  }
  const std::size_t submitterEnd = HeaderValue(input, submitter + 22, value);
  expected += "# Principal Submitter:" + value + (g.blankAfterHeader ? "\n\n" : "\n");
  MORV_REQUIRE(output->compare(0, expected.size(), expected) == 0);
  run.body = output->substr(expected.size());
  run.rest = submitterEnd == std::string::npos ? "" : input.substr(submitterEnd);
  return run;
}

// Reads an expected piece of the output body, advancing past it.
inline bool Take(std::string_view& text, std::string_view piece) {
  if (text.substr(0, piece.size()) != piece) return false;
  text.remove_prefix(piece.size());
  return true;
}

// Reads upper-case hex digits up to the line end into bytes.
inline bool TakeHexLine(std::string_view& text, std::string& bytes) {
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos || end % 2 != 0) return false;
  bytes.clear();
  for (std::size_t i = 0; i < end; i += 2) {
    auto value = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
    const int high = value(text[i]);
    const int low = value(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high << 4 | low);
  }
  text.remove_prefix(end + 1);
  return true;
}

inline bool TakeDecimalLine(std::string_view& text, long long& value) {
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos || end == 0 || end > 11) return false;
  std::string digits(text.substr(0, end));
  if (digits.find_first_not_of("-0123456789", 0) != std::string::npos) return false;
  if (digits != std::to_string(std::atoll(digits.c_str()))) return false;  // as "%d" prints it
  value = std::atoll(digits.c_str());
  text.remove_prefix(end + 1);
  return true;
}

inline std::string Digest(int digestBits, const std::string& message, std::size_t bits) {
  std::uint8_t digest[64];
  MORV_REQUIRE(HashMessage(digestBits, reinterpret_cast<const std::uint8_t*>(message.data()), bits, digest) == 0);
  return std::string(reinterpret_cast<const char*>(digest), static_cast<std::size_t>(digestBits) / 8);
}

inline std::string Finished(const char* kind, int digestBits) {
  return "finished " + std::string(kind) + " for <" + std::to_string(digestBits) + ">\n";
}

// The short- and long-message outputs: records of "Len = ", "Msg = " and
// "MD = " lines, each digest that of its own message, with nothing after the
// last complete record whatever the status.
inline void CheckMessageRecords(const Run& run, const char* inName, const char* kind, int maxBits,
                                bool blankBeforeRecord) {
  const std::string in = "<" + std::string(inName) + ">\n";
  switch (run.status) {
    case kat::Ok: MORV_REQUIRE(run.printed == Finished(kind, run.digestBits)); break;
    case kat::FieldMissing: MORV_REQUIRE(run.printed == "ERROR: unable to read 'Msg' from " + in); break;
    case kat::FieldInvalid: MORV_REQUIRE(run.printed == "ERROR: invalid 'Len' in " + in); break;
    default: MORV_REQUIRE(false);
  }
  std::string_view body = run.body;
  while (!body.empty()) {
    long long bits = 0;
    std::string message, digest;
    MORV_REQUIRE(Take(body, blankBeforeRecord ? "\nLen = " : "Len = ") && TakeDecimalLine(body, bits));
    MORV_REQUIRE(bits >= 0 && bits <= maxBits);
    MORV_REQUIRE(Take(body, "Msg = ") && TakeHexLine(body, message));
    MORV_REQUIRE(message.size() == std::max<std::size_t>((static_cast<std::size_t>(bits) + 7) / 8, 1));
    MORV_REQUIRE(bits > 0 || message == std::string(1, '\0'));
    MORV_REQUIRE(Take(body, "MD = ") && TakeHexLine(body, digest));
    MORV_REQUIRE(digest == Digest(run.digestBits, message, static_cast<std::size_t>(bits)));
  }
}

}  // namespace morv::fuzz
