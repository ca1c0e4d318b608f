// HashFiles, the files-on-the-lanes library's call: every byte-aligned known
// answer as a file, one call per digest length (more files than lanes, of
// unequal lengths), with names that cannot be hashed among them and a name
// given twice, each outcome in its place; and fewer files open at once when
// descriptors run short.
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cerrno>
#include <map>
#include <stdexcept>

#include "hash_files.h"
#include "known_answers.h"

namespace morv::test {
namespace {

struct Expected {
  std::vector<std::string> names;
  std::vector<std::string> outcomes;  // the digest's hex, or "errno N"
};

// The files of the known answers, by digest length; "missing" and "folder" among them.
std::map<int, Expected> MakeFiles() {
  fs::create_directory("folder");
  std::map<int, Expected> byLength;
  int made = 0;
  for (const KnownAnswer& v : LoadKnownAnswers()) {
    if (!v.streamed && v.count % 8 != 0) continue;
    std::string content;
    for (std::size_t i = 0; i < (v.streamed ? v.count : 1); ++i) content.append(v.message.begin(), v.message.end());
    Expected& e = byLength[v.digestBits];
    e.names.push_back(std::to_string(made++));
    e.outcomes.push_back(v.digest);
    WriteFile(e.names.back(), content);
    if (e.names.size() == 2) {
      e.names.insert(e.names.end(), {"missing", "folder"});
      e.outcomes.insert(e.outcomes.end(), {"errno " + std::to_string(ENOENT), "errno " + std::to_string(EISDIR)});
    }
  }
  for (auto& [bits, e] : byLength) {
    e.names.push_back(e.names.front());
    e.outcomes.push_back(e.outcomes.front());
  }
  return byLength;
}

std::vector<std::string> Outcomes(const std::vector<files::FileDigest>& digests) {
  std::vector<std::string> outcomes;
  for (const files::FileDigest& d : digests) {
    outcomes.push_back(d.err != 0 ? "errno " + std::to_string(d.err) + (d.digest.empty() ? "" : " and a digest")
                                  : ToHex(d.digest));
  }
  return outcomes;
}

TEST(HashFiles, GivesEachFileItsDigestOrErrnoInOrder) {
  TempDir dir;
  for (const auto& [bits, expected] : MakeFiles()) {
    EXPECT_EQ(Outcomes(files::HashFiles(expected.names, bits)), expected.outcomes) << bits << " bits";
  }
  const std::vector<std::string> none;
  EXPECT_TRUE(files::HashFiles(none, 512).empty());
  for (const int bits : {-1, 65537}) EXPECT_THROW(files::HashFiles(none, bits), std::invalid_argument) << bits;
}

#ifdef _WIN32
TEST(HashFiles, OpensFewerFilesWhenDescriptorsRunShort) {
  GTEST_SKIP() << "Windows has no ulimit: the C runtime's table of descriptors has a fixed size";
}
#else
// Room for two more descriptors: the lanes hold two files at a time, and the
// rest wait for them, each outcome as with room for all.
TEST(HashFiles, OpensFewerFilesWhenDescriptorsRunShort) {
  TempDir dir;
  const Expected expected = MakeFiles().at(512);
  const auto open = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()); };
  const long openBefore = open() - 1;  // less the iterator's own
  rlimit before{};
  getrlimit(RLIMIT_NOFILE, &before);
  rlimit low = before;
  low.rlim_cur = static_cast<rlim_t>(openBefore + 2);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  const std::vector<files::FileDigest> digests = files::HashFiles(expected.names, 512);
  setrlimit(RLIMIT_NOFILE, &before);
  EXPECT_EQ(Outcomes(digests), expected.outcomes);
  EXPECT_EQ(open() - 1, openBefore) << "a file left open";
}
#endif

}  // namespace
}  // namespace morv::test
