// POSIX systems (Linux and the others): the calls themselves.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "diagnostics.h"
#include "platform.h"

namespace morv::cli {

void StartProgram(int& /*argc*/, char**& argv) { programName = argv[0]; }

int OpenForReading(const char* name) { return open(name, O_RDONLY); }

FileKind KindOfFile(const char* name) {
  struct stat info;
  if (stat(name, &info) != 0) return FileKind::Missing;
  return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
}

bool IsOpen(std::FILE* stream) { return fcntl(fileno(stream), F_GETFD) != -1; }

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

const char* ErrorText(int errnum) { return std::strerror(errnum); }

}  // namespace morv::cli
