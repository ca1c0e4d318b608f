// An input named on the command line: the file, or standard input for "-".
// Standard input is never closed; its end-of-file and error state are cleared
// when done, so that "-" may be named again, as the coreutils tools allow.
#pragma once

#include <cstdio>
#include <string>

namespace morv::cli {

class InputFile {
 public:
  explicit InputFile(const char* name);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // The stream, or nullptr when the file could not be opened.
  std::FILE* get() const { return file_; }
  // The errno of the failed open, else 0.
  int openError() const { return openError_; }
  bool isStdin() const { return isStdin_; }

 private:
  bool isStdin_;
  std::FILE* file_ = nullptr;
  int openError_ = 0;
};

// Reads one line, without its "\n", into line. False at the end of the input
// (when nothing was left) and on a read error, which ferror then tells.
bool ReadLine(std::FILE* in, std::string& line);

}  // namespace morv::cli
