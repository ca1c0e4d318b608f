// Standard output as the coreutils tools keep it: line-buffered, so that each
// line goes out whole in one write (runs in parallel into one pipe never tear a
// line), and checked when the program ends.
#pragma once

namespace morv::cli {

// Call first thing in main. At exit, when something could not be written, the
// program says "PROGRAM: write error" (with the reason when the descriptor is
// bad or the last flush failed) and exits with failureStatus.
void UseCheckedStdout(int failureStatus);

}  // namespace morv::cli
