// What the tools ask of the operating system beyond standard C++, in one unit
// with one source per system, so that a port changes only that source:
// system_posix.cpp (Linux) and system_windows.cpp. File names are UTF-8
// strings on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace morv::cli {

// Call first thing in main. Sets programName from argv[0]. On Windows it also
// replaces argv with the command line in UTF-8, names the program by its file
// name without ".exe", and puts the three standard streams in binary mode, so
// that standard input is hashed byte for byte and lines end in "\n".
void StartProgram(int& argc, char**& argv);

// Whether the stream has an open file beneath it: the program may have been
// started with standard output closed.
bool IsOpen(std::FILE* stream);

// Whether the stream is a terminal (on Windows, a console).
bool IsTerminal(std::FILE* stream);

// The C runtime's text for the errno value.
const char* ErrorText(int errnum);

// The CPUs this process may run on: those of its affinity mask, or fewer when
// its control group's CPU quota grants less time than that; at least 1.
int UsableCpuCount();

// Whether the file may be read ahead of its turn, by morvsum's workers: a
// regular file, or a name that cannot be looked up (opening it then says why,
// whenever that is). Not "-", a terminal, a pipe or a folder, which are read
// in their turn.
bool CanReadAhead(const char* name);

}  // namespace morv::cli
