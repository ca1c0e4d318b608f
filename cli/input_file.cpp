#include "input_file.h"

#include <cerrno>
#include <cstring>

namespace morv::cli {

InputFile::InputFile(const char* name)
    : isStdin_(std::strcmp(name, "-") == 0),
      file_(isStdin_ ? stdin : std::fopen(name, "rb")),
      openError_(file_ == nullptr ? errno : 0) {}

InputFile::~InputFile() {
  if (isStdin_) {
    std::clearerr(file_);
  } else if (file_ != nullptr) {
    std::fclose(file_);
  }
}

}  // namespace morv::cli
