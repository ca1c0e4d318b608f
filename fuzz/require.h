// A failed property in a fuzz target: names the check, then aborts, so that
// libFuzzer reports the input and keeps it as a crash file.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace morv::fuzz {

[[noreturn]] inline void Fail(const char* check, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, check);
  std::abort();
}

}  // namespace morv::fuzz

#define MORV_REQUIRE(check) ((check) ? void(0) : ::morv::fuzz::Fail(#check, __FILE__, __LINE__))
