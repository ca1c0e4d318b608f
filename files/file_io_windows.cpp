// Windows: names meet the system in UTF-16, and files are read in binary mode.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <new>

#include "file_io.h"

namespace morv::files {

bool ToWide(const char* name, std::wstring& wide) {
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
  if (n <= 0) return false;
  wide.resize(static_cast<std::size_t>(n));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide.data(), n);
  wide.pop_back();  // the terminator
  return true;
}

// A worker thread opens files too: running out of memory for the name is
// that file's failure, never an exception that would end the process.
int OpenForReading(const char* name) try {
  std::wstring wide;
  if (!ToWide(name, wide)) {
    errno = EILSEQ;
    return -1;
  }
  const int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
  struct _stat64 info;
  if (fd < 0 && errno == EACCES && _wstat64(wide.c_str(), &info) == 0 && (info.st_mode & _S_IFDIR) != 0) {
    errno = EISDIR;
  }
  return fd;
} catch (const std::bad_alloc&) {
  errno = ENOMEM;
  return -1;
}

long ReadSome(int fd, std::uint8_t* buffer, std::size_t size) {
  return _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

void CloseFile(int fd) { _close(fd); }

// The C runtime keeps a table of descriptors of its own, of a fixed size (not
// _setmaxstdio's, which bounds its FILE streams); when it is full, _wopen
// fails with EMFILE, as a POSIX open does at the process's limit.
bool OutOfDescriptors(int err) { return err == EMFILE || err == ENFILE; }

}  // namespace morv::files
