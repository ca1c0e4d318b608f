// What the tools need of the operating system beyond standard C++, in one unit
// with one source per system: platform_posix.cpp (Linux and other POSIX
// systems) and platform_windows.cpp. File names are UTF-8 strings on both.
#pragma once

#include <cstdio>

namespace morv::cli {

// Call first thing in main. Sets programName from argv[0]. On Windows it also
// replaces argv with the command line in UTF-8, names the program by its file
// name without ".exe", and puts the three standard streams in binary mode, so
// that standard input is hashed byte for byte and lines end in "\n".
void StartProgram(int& argc, char**& argv);

// Opens the file for reading, in binary mode: a descriptor, or -1 with errno
// set. A folder that the system refuses to open gives EISDIR.
int OpenForReading(const char* name);

enum class FileKind { Missing, Regular, Other };

// What the name names, links followed; Missing also when that cannot be told.
FileKind KindOfFile(const char* name);

// Whether the stream has an open file beneath it: the program may have been
// started with standard output closed.
bool IsOpen(std::FILE* stream);

// Whether the stream is a terminal (on Windows, a console).
bool IsTerminal(std::FILE* stream);

// The C runtime's text for the errno value.
const char* ErrorText(int errnum);

}  // namespace morv::cli
