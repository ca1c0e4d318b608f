#include "test_util.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace morv::test {

Bytes FromHex(std::string_view hex) {
  Bytes out;
  if (hex == "-") return out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

std::string ToHex(const std::uint8_t* p, std::size_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
  return s.empty() ? "-" : s;
}

Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(gen());
  return b;
}

std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, std::string_view content) {
  std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "morv-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
  previous_ = fs::current_path();
  fs::current_path(path_);
}

TempDir::~TempDir() {
  fs::current_path(previous_);
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
    if (!entry.is_symlink()) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(path_, fs::perms::owner_all, ignored);
  fs::remove_all(path_, ignored);
}

namespace {

// A scratch file outside the current folder, removed when it goes out of scope.
class ScratchFile {
 public:
  ScratchFile() {
    std::string pattern = (fs::temp_directory_path() / "morv-io-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
    path_ = pattern;
  }
  ~ScratchFile() { fs::remove(path_); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// In the child: makes `fd` the file at `path`, opened with `flags`.
void Redirect(int fd, const char* path, int flags) {
  const int opened = open(path, flags, 0600);
  if (opened < 0 || dup2(opened, fd) < 0) _exit(127);
  close(opened);
}

}  // namespace

ProgramRun RunProgram(const fs::path& path, const std::vector<std::string>& args, std::string_view input,
                      Stdout stdoutTo) {
  const ScratchFile in, out, err;
  WriteFile(in.path(), input);
  std::string name = path.filename().string();
  std::vector<char*> argv{name.data()};
  std::vector<std::string> argCopies(args);
  for (std::string& arg : argCopies) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    Redirect(STDIN_FILENO, in.path().c_str(), O_RDONLY);
    switch (stdoutTo) {
      case Stdout::Captured: Redirect(STDOUT_FILENO, out.path().c_str(), O_WRONLY | O_TRUNC); break;
      case Stdout::Full: Redirect(STDOUT_FILENO, "/dev/full", O_WRONLY); break;
      case Stdout::Closed: close(STDOUT_FILENO); break;
    }
    Redirect(STDERR_FILENO, err.path().c_str(), O_WRONLY | O_TRUNC);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadFile(out.path()).value_or(""),
          ReadFile(err.path()).value_or("")};
}

const std::vector<std::string>* TableRow::Find(std::string_view key) const {
  for (const auto& [k, values] : fields) {
    if (k == key) return &values;
  }
  return nullptr;
}

std::string TableRow::Joined(std::string_view key, std::string_view absent) const {
  const std::vector<std::string>* values = Find(key);
  if (values == nullptr) return std::string(absent);
  std::string joined;
  for (const std::string& v : *values) joined += v;
  return joined;
}

namespace {

// The values of one table line: bare words and quoted strings with escapes.
std::vector<std::string> SplitValues(std::string_view line, const std::string& where) {
  std::vector<std::string> values;
  std::size_t i = 0;
  const auto fail = [&](const char* what) { throw std::runtime_error(where + ": " + what); };
  while (true) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i == line.size()) return values;
    std::string value;
    if (line[i] != '"') {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) value += line[i++];
      values.push_back(value);
      continue;
    }
    for (++i;; ++i) {
      if (i >= line.size()) fail("unterminated string");
      char c = line[i];
      if (c == '"') break;
      if (c == '\\') {
        if (++i == line.size()) fail("backslash at the end of the line");
        switch (line[i]) {
          case 'n': c = '\n'; break;
          case 'r': c = '\r'; break;
          case 't': c = '\t'; break;
          case '0': c = '\0'; break;
          case '\\': c = '\\'; break;
          case '"': c = '"'; break;
          case 'x':
            if (i + 2 >= line.size()) fail("short \\x escape");
            c = static_cast<char>(std::stoi(std::string(line.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            break;
          default: fail("unknown escape");
        }
      }
      value += c;
    }
    ++i;
    values.push_back(value);
  }
}

}  // namespace

std::vector<TableRow> ReadTable(const fs::path& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::vector<TableRow> rows;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const std::string where = path.filename().string() + ":" + std::to_string(number);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      TableRow row{line.substr(1, line.find(']') - 1), where, {}};
      for (char& c : row.name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      rows.push_back(row);
      continue;
    }
    if (rows.empty()) throw std::runtime_error(where + ": a field before the first row");
    auto& fields = rows.back().fields;
    if (std::isspace(static_cast<unsigned char>(line[0]))) {
      if (fields.empty()) throw std::runtime_error(where + ": a continuation with no field above");
      for (std::string& v : SplitValues(line, where)) fields.back().second.push_back(std::move(v));
      continue;
    }
    const std::size_t keyEnd = line.find_first_of(" \t");
    std::string key = line.substr(0, keyEnd);
    fields.emplace_back(std::move(key), keyEnd == std::string::npos
                                            ? std::vector<std::string>{}
                                            : SplitValues(std::string_view(line).substr(keyEnd), where));
  }
  return rows;
}

}  // namespace morv::test
