// What morvsum's workers ask of the operating system, in one place so that a
// port changes only this file: how many CPUs the process may use, which names
// are regular files, and files read by descriptor.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morv::cli {

// The CPUs this process may run on: those of its affinity mask, or fewer when
// its control group's CPU quota grants less time than that; at least 1.
int UsableCpuCount();

// Whether name is for the workers: a regular file, or a name that cannot be
// looked up (opening it then says why). Not "-", a terminal, a pipe or a folder.
bool ForTheWorkers(const char* name);

// A file opened for reading: its descriptor, or -1 with errno set.
int OpenForReading(const char* name);
// Up to size bytes into buffer: the count, 0 at the end, or -1 with errno set.
long ReadSome(int fd, std::uint8_t* buffer, std::size_t size);
void CloseFile(int fd);

// Whether a failed open's errno says that the process, or the system, has no
// descriptor left: then the open may succeed once another file is closed.
bool OutOfDescriptors(int err);

}  // namespace morv::cli
