#include "test_util.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <iomanip>
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
  std::ofstream(path, std::ios::binary)
      .write(content.data(), static_cast<std::streamsize>(content.size()));
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
    if (!entry.is_symlink())
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(path_, fs::perms::owner_all, ignored);
  fs::remove_all(path_, ignored);
}

namespace {

// In the child: makes `fd` the file at `path`, opened with `flags`.
void Redirect(int fd, const fs::path& path, int flags) {
  const int opened = open(path.c_str(), flags, 0600);
  if (opened < 0 || dup2(opened, fd) < 0) _exit(127);
  close(opened);
}

}  // namespace

ProgramRun RunProgram(const fs::path& path, const std::vector<std::string>& args,
                      const RunOptions& options) {
  // The three streams go through files beside the current folder, which tests may list.
  const fs::path io = fs::temp_directory_path() / ("morv-io-" + std::to_string(getpid()));
  WriteFile(io.string() + ".in", options.input);
  std::vector<std::string> words{path.filename().string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  if (fork() == 0) {
    if (options.stdinClosed) {
      close(STDIN_FILENO);
    } else {
      Redirect(STDIN_FILENO, io.string() + ".in", O_RDONLY);
    }
    if (options.stdoutTo == Stdout::Closed) close(STDOUT_FILENO);
    const int outFlags = O_WRONLY | O_CREAT | O_TRUNC;
    if (options.stdoutTo != Stdout::Closed)
      Redirect(STDOUT_FILENO, options.stdoutTo == Stdout::Full ? "/dev/full" : io.string() + ".out",
               outFlags);
    Redirect(STDERR_FILENO, io.string() + ".err", outFlags);
    close_range(3, ~0U, 0);
    if (options.openFiles != 0) {
      rlimit limit{};
      getrlimit(RLIMIT_NOFILE, &limit);
      limit.rlim_cur = static_cast<rlim_t>(options.openFiles);
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(127);
    }
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  wait(&status);
  ProgramRun run{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                 ReadFile(io.string() + ".out").value_or(""),
                 ReadFile(io.string() + ".err").value_or("")};
  for (const char* suffix : {".in", ".out", ".err"}) fs::remove(io.string() + suffix);
  return run;
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

// Undoes the escapes of a quoted table value.
std::string Unescape(const std::string& s) {
  static const std::string kFrom = "nrt0\\", kTo{'\n', '\r', '\t', '\0', '\\'};
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
    } else if (s[++i] == 'x') {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += kTo.at(kFrom.find(s[i]));
    }
  }
  return out;
}

// The values of one table line: bare words and quoted strings. The quotes keep
// backslashes for Unescape (a quote inside a string is written \x22).
std::vector<std::string> SplitValues(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> values;
  for (std::string value; in >> std::quoted(value, '"', '\x01');) values.push_back(Unescape(value));
  return values;
}

}  // namespace

std::vector<TableRow> ReadTable(const fs::path& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::vector<TableRow> rows;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    const std::string where = path.filename().string() + ":" + std::to_string(++number);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      rows.push_back({line.substr(1, line.find(']') - 1), where, {}});
      for (char& c : rows.back().name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    } else if (rows.empty() || (line[0] == ' ' && rows.back().fields.empty())) {
      throw std::runtime_error(where + ": a field outside a row");
    } else if (line[0] == ' ') {
      for (std::string& v : SplitValues(line))
        rows.back().fields.back().second.push_back(std::move(v));
    } else {
      std::vector<std::string> values = SplitValues(line);
      const std::string key = values.front();
      values.erase(values.begin());
      rows.back().fields.emplace_back(key, std::move(values));
    }
  }
  return rows;
}

}  // namespace morv::test
