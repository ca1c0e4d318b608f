// Messages on standard error in the coreutils manner: "PROGRAM: message", with
// file names quoted only when a shell would need it.
#pragma once

#include <string>
#include <string_view>

namespace morv::cli {

// Set once from argv[0] by main; every message starts with it.
extern const char* programName;

// Prints "PROGRAM: " and the formatted message, then ": " and strerror(errnum)
// when errnum is not 0, then a line end. Standard output is flushed first so
// that the two streams stay in order on a terminal.
[[gnu::format(printf, 2, 3)]] void Error(int errnum, const char* format, ...);

// The file name as coreutils shows it in messages: unchanged when it is made of
// characters that a shell leaves alone, else quoted ('a b', "it's",
// 'new'$'\n''line').
std::string QuoteName(std::string_view name);

}  // namespace morv::cli
