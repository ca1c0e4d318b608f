// Starting a program on Windows: CreateProcessW with the streams on files, and
// a command line that the child's C runtime splits back into the same words.
#include <windows.h>

#include "test_util.h"

namespace morv::test {
namespace {

// UTF-16 from UTF-8, which is all that a Windows command line can carry.
std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                    static_cast<int>(utf8.size()), wide.data(), static_cast<int>(wide.size()));
  if (n == 0 && !utf8.empty()) ADD_FAILURE() << "not UTF-8: " << ::testing::PrintToString(utf8);
  wide.resize(static_cast<std::size_t>(n));
  return wide;
}

// In quotes, with a quote and the backslashes before it (or before the
// closing quote) escaped, as the C runtime reads a word.
std::wstring Quoted(const std::wstring& word) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'"') quoted.append(backslashes + 1, L'\\');
    backslashes = c == L'\\' ? backslashes + 1 : 0;
    quoted += c;
  }
  return quoted.append(backslashes, L'\\') + L'"';
}

HANDLE Open(const std::string& path, DWORD access, DWORD creation) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  return CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                     creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// The child inherits the handles made inheritable: only its three streams'.
int RunWithStreams(const std::vector<std::string>& command, const std::string& io,
                   const RunOptions& options) {
  if (options.stdoutTo == Stdout::Full) ADD_FAILURE() << "Windows has no full device: skip the row there";
  if (options.openFiles != 0) ADD_FAILURE() << "Windows has no limit of open files to set: skip the row there";
  if (options.addressSpaceKiB != 0) ADD_FAILURE() << "Windows has no limit of address space to set: skip the row there";
  std::wstring line = Quoted(Wide(fs::path(command[0]).filename().string()));
  for (std::size_t i = 1; i < command.size(); ++i) line += L" " + Quoted(Wide(command[i]));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = options.stdinClosed ? INVALID_HANDLE_VALUE : Open(io + ".in", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = options.stdoutTo == Stdout::Closed ? INVALID_HANDLE_VALUE
                                                  : Open(io + ".out", GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = Open(io + ".err", GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION process{};
  DWORD status = 127;
  if (CreateProcessW(Wide(command[0]).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (const HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(h);
  return static_cast<int>(status);
}

bool RunningAsRoot() { return false; }

}  // namespace morv::test
