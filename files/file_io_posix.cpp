#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "file_io.h"

namespace morv::files {

int OpenForReading(const char* name) { return open(name, O_RDONLY); }

long ReadSome(int fd, std::uint8_t* buffer, std::size_t size) {
  ssize_t n;
  do {
    n = read(fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

void CloseFile(int fd) { close(fd); }

bool OutOfDescriptors(int err) { return err == EMFILE || err == ENFILE; }

}  // namespace morv::files
