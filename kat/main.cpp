// Runs the four KAT generators for each digest length, in a fixed order, and
// stops at the first failure with its status as the exit code.
#include <cstdio>

#include "kat.h"

int main() {
  using namespace morv::kat;
  using Generator = KatStatus (*)(int);
  constexpr Generator kGenerators[] = {genShortMsg, genLongMsg, genExtremelyLongMsg, genMonteCarlo};
  for (const int digestBits : {224, 256, 384, 512}) {
    for (const Generator generate : kGenerators) {
      if (const KatStatus status = generate(digestBits); status != Ok) return status;
    }
  }
  // A file or a pipe gets the sixteen lines only now, from stdout's buffer. When
  // they cannot be written there is nowhere left to say so: the status tells.
  return CloseOutput(stdout) ? Ok : FileWriteFailed;
}
