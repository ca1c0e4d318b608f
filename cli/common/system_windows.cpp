// Windows: names are UTF-8 inside the tools and UTF-16 where they meet the
// system, and files are read in binary mode.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "file_io.h"
#include "system.h"

namespace morv::cli {
namespace {

using files::ToWide;

std::string ToUtf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string name(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, name.data(), n, nullptr, nullptr);
  name.pop_back();
  return name;
}

bool Stat(const char* name, struct _stat64& info) {
  std::wstring wide;
  return ToWide(name, wide) && _wstat64(wide.c_str(), &info) == 0;
}

// The C runtime hands out the system's handles as integers.
HANDLE HandleOf(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));  // NOLINT(performance-no-int-to-ptr)
}

// "C:\tools\morvsum.exe" is "morvsum" in messages, as the user calls it.
std::string ProgramName(std::string path) {
  path.erase(0, path.find_last_of("\\/") + 1);
  if (path.size() > 4 && _stricmp(path.c_str() + path.size() - 4, ".exe") == 0) {
    path.resize(path.size() - 4);
  }
  return path;
}

}  // namespace

void StartProgram(int& argc, char**& argv) {
  // The arguments as the system keeps them, in UTF-16, made UTF-8 for the
  // rest of the run; the C runtime's argv has them in the ANSI code page.
  static std::vector<std::string> words;
  static std::vector<char*> pointers;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) words.push_back(ToUtf8(wide[i]));
    LocalFree(wide);
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    argc = count;
    argv = pointers.data();
  }
  static const std::string name = ProgramName(argv[0]);
  programName = name.c_str();

  for (std::FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
  // The progress line erases itself with a terminal's escape sequence.
  if (DWORD mode = 0; GetConsoleMode(HandleOf(stderr), &mode)) {
    SetConsoleMode(HandleOf(stderr), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

// The C runtime marks a standard stream that the program was started without
// with -2 in place of a handle.
bool IsOpen(std::FILE* stream) {
  const intptr_t handle = _get_osfhandle(_fileno(stream));
  return handle != -1 && handle != -2;
}

// _isatty says yes to every character device, the NUL device too.
bool IsTerminal(std::FILE* stream) {
  DWORD mode = 0;
  return _isatty(_fileno(stream)) != 0 && GetConsoleMode(HandleOf(stream), &mode) != 0;
}

// The C runtime (msvcrt) has texts for the errno values of C89 and a few more,
// and only "Unknown error" for EOVERFLOW, which MinGW-w64's headers add.
const char* ErrorText(int errnum) {
  if (errnum == EOVERFLOW) return "Value too large for defined data type";
  return std::strerror(errnum);
}

// The process's affinity mask holds the CPUs of its processor group that it
// may use; a process without one (it spans groups) may use every active CPU.
// (A job object's CPU rate cap, the counterpart of a control group's quota,
// is not read: a job of that kind is rare outside server containers.)
int UsableCpuCount() {
  DWORD_PTR processMask = 0, systemMask = 0;
  int count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask)) {
    count = std::popcount(static_cast<std::uint64_t>(processMask));
  }
  if (count == 0) count = static_cast<int>(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
  return std::max(1, count);
}

bool CanReadAhead(const char* name) {
  struct _stat64 info;
  if (std::strcmp(name, "-") == 0) return false;
  return !Stat(name, info) || (info.st_mode & _S_IFMT) == _S_IFREG;
}

}  // namespace morv::cli
