// The --check mode of the checksum command: verifies the files listed in
// checksum lines, with the messages, warnings and results of coreutils.
#pragma once

#include "checksum_line.h"
#include "digest_queue.h"

namespace morv::cli {

// What the check prints besides the results. Of --quiet, --status and --warn
// the last one given applies, as in coreutils.
enum class Verbosity {
  Normal,
  Quiet,   // no "OK" lines
  Status,  // nothing on standard output, and no summary warnings
  Warn,    // a warning for each improperly formatted line
};

struct CheckOptions {
  bool ignoreMissing;  // a listed file that does not exist is passed over
  bool strict;         // improperly formatted lines fail the check
  Verbosity verbosity;
};

// Checks the lines of the check file `checkName` ("-" is standard input), the
// listed files hashed on the queue's workers and the results printed in the
// order of the lines. True when every listed file matched (or, with
// ignoreMissing, was missing while another matched), no file failed to open or
// read and, under strict, every line was properly formatted.
bool CheckChecksumFile(const char* checkName, const CheckOptions& options, UntaggedForm& form,
                       DigestQueue& queue);

}  // namespace morv::cli
