// Opening and reading the files to hash, one source per system
// (file_io_posix.cpp, file_io_windows.cpp). Names are UTF-8 on both.
#pragma once

#include <cstddef>
#include <cstdint>
#ifdef _WIN32
#include <string>
#endif

namespace morv::files {

// A file opened for reading, in binary mode: its descriptor, or -1 with errno
// set. A folder that the system refuses to open gives EISDIR.
int OpenForReading(const char* name);
// Up to size bytes into buffer: the count, 0 at the end, or -1 with errno set.
long ReadSome(int fd, std::uint8_t* buffer, std::size_t size);
void CloseFile(int fd);

// Whether a failed open's errno says that the process, or the system, has no
// descriptor left: then the open may succeed once another file is closed.
bool OutOfDescriptors(int err);

#ifdef _WIN32
// The name in UTF-16, where names meet the system; false for bytes that are
// not UTF-8, which no Windows name can hold.
bool ToWide(const char* name, std::wstring& wide);
#endif

}  // namespace morv::files
