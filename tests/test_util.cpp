#include "test_util.h"

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

std::optional<std::string> ReadFile(const fs::path& path, bool textMode) {
  std::ifstream in(path, textMode ? std::ios::in : std::ios::in | std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, std::string_view content, bool textMode) {
  std::ofstream(path, textMode ? std::ios::out : std::ios::out | std::ios::binary)
      .write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string TextMode(std::string_view text) {
  std::string written;
  for (const char c : text) written += kWindows && c == '\n' ? "\r\n" : std::string(1, c);
  return written;
}

fs::path FreshTempPath(std::string_view prefix) {
  static int made = 0;
  const std::string stem = std::string(prefix) + "-" + std::to_string(getpid()) + "-";
  fs::path path;
  do path = fs::temp_directory_path() / (stem + std::to_string(made++));
  while (fs::exists(path));
  return path;
}

TempDir::TempDir() : path_(FreshTempPath("morv")), previous_(fs::current_path()) {
  fs::create_directory(path_);
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

ProgramRun RunProgram(const std::vector<std::string>& command, const RunOptions& options) {
  // The three streams go through files beside the current folder, which tests may list.
  const std::string io = FreshTempPath("morv-io").string();
  WriteFile(io + ".in", options.input);
  // Braces run the program before the two reads.
  const ProgramRun run{RunWithStreams(command, io, options), ReadFile(io + ".out").value_or(""),
                       ReadFile(io + ".err").value_or("")};
  for (const char* suffix : {".in", ".out", ".err"}) fs::remove(io + suffix);
  return run;
}

std::vector<std::string> TargetCommand(const fs::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> words;
#ifdef MORV_TARGET_EMULATOR
  std::istringstream emulator(MORV_TARGET_EMULATOR);
  for (std::string word; emulator >> word;) words.push_back(word);
  words.insert(words.end(), {"-0", program.filename().string()});
#endif
  words.push_back(program.string());
  words.insert(words.end(), args.begin(), args.end());
  return words;
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
