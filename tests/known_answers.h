// The independent known answers in data/hash_vectors.txt, for every suite that
// checks against them.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace morv::test {

struct KnownAnswer {
  int digestBits;
  Bytes message;       // the message; for a streamed case, the 64-byte chunk
  std::size_t count;   // the message bits; for a streamed case, the repeat count
  bool streamed;       // Init, count x Update(chunk, 512 bits), Final
  std::string digest;  // upper-case hex, '-' when empty

  friend void PrintTo(const KnownAnswer& v, std::ostream* os) { *os << v.digestBits << " " << v.digest; }
};

inline std::vector<KnownAnswer> LoadKnownAnswers() {
  std::ifstream in(MORV_TEST_DATA "/hash_vectors.txt");
  std::vector<KnownAnswer> answers;
  bool streamed = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("# Streamed", 0) == 0) streamed = true;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    KnownAnswer v{};
    std::string message;
    if (streamed) {
      fields >> v.digestBits >> message >> v.count >> v.digest;
    } else {
      fields >> v.digestBits >> v.count >> message >> v.digest;
    }
    v.message = FromHex(message);
    v.streamed = streamed;
    answers.push_back(v);
  }
  return answers;
}

}  // namespace morv::test
