#include "input_file.h"

#include <cerrno>
#include <cstring>

#include "file_io.h"

namespace morv::cli {

InputFile::InputFile(const char* name) : isStdin_(std::strcmp(name, "-") == 0) {
  if (isStdin_) {
    file_ = stdin;
    return;
  }
  const int fd = files::OpenForReading(name);
  if (fd >= 0) file_ = fdopen(fd, "rb");
  if (file_ == nullptr) {
    openError_ = errno;
    if (fd >= 0) files::CloseFile(fd);
  }
}

InputFile::~InputFile() {
  if (isStdin_) {
    std::clearerr(file_);
  } else if (file_ != nullptr) {
    std::fclose(file_);
  }
}

bool ReadLine(std::FILE* in, std::string& line) {
  line.clear();
  int c;
  while ((c = std::getc(in)) != EOF && c != '\n') line += static_cast<char>(c);
  return std::ferror(in) == 0 && (c == '\n' || !line.empty());
}

}  // namespace morv::cli
