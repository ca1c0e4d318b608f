// Every lane kernel that this CPU can run, through the batch mode, against the
// scalar HashMessage (which the known answers pin): lanes that take pieces of
// unequal sizes, finish at different times and start again with a new message,
// at random digest lengths and message lengths around the block boundaries,
// with and without a partial last byte. Each kernel is forced, and then all
// of them run together as the library chooses among them step by step. A
// kernel the CPU cannot run is skipped, never passed.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <sstream>
#include <utility>

#include "hasher.h"
#include "lane_driver.h"
#include "test_util.h"

namespace morv {
inline void PrintTo(const LaneKernel& kernel, std::ostream* os) { *os << kernel.name; }
}  // namespace morv

namespace morv::test {
namespace {

std::vector<LaneMessage> RandomMessages(std::size_t count) {
  static constexpr std::size_t kBytes[] = {0, 1, 63, 64, 65, 127, 128, 129, 191, 192, 193, 1000, 4097};
  static constexpr std::size_t kPieces[] = {1, 63, 64, 65, 128, 200, 5000};
  std::mt19937 random(7);
  std::vector<LaneMessage> messages(count);
  for (LaneMessage& m : messages) {
    m.digestBits = static_cast<int>(random() % 513);
    m.bitCount = 8 * kBytes[random() % std::size(kBytes)] + (random() % 3 == 0 ? random() % 8 : 0);
    m.bytes = RandomBytes((m.bitCount + 7) / 8, static_cast<std::uint32_t>(random()));
    m.pieceBits = 8 * kPieces[random() % std::size(kPieces)];
  }
  return messages;
}

// Pieces through BatchUpdate, and whole messages through HashMessages, which
// hashes a digest length above 512 bits on its own and refuses a negative one.
void ExpectTheScalarDigests(std::span<const LaneKernel> kernels) {
  const std::vector<LaneMessage> messages = RandomMessages(400);
  const auto digests = HashOnLanes(kernels, messages);
  std::vector<MessageJob> jobs;
  std::vector<Bytes> whole(messages.size(), Bytes(128));
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const int bits = i % 50 == 3 ? 1024 : messages[i].digestBits;
    jobs.push_back({bits, messages[i].bytes.data(), messages[i].bitCount, whole[i].data()});
  }
  jobs.push_back({-8, nullptr, 0, nullptr});
  EXPECT_EQ(HashMessagesWith(kernels, jobs.data(), jobs.size()), 1);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    Bytes expected(128), lanes = digests[i];
    HashMessage(jobs[i].digestBits, jobs[i].message, jobs[i].bitCount, expected.data());
    lanes.resize(128);
    if (jobs[i].digestBits <= 512) {
      EXPECT_EQ(ToHex(lanes), ToHex(expected)) << "in pieces, " << i;
    }
    EXPECT_EQ(ToHex(whole[i]), ToHex(expected)) << "whole, " << i;
  }
}

class BatchTest : public ::testing::TestWithParam<LaneKernel> {};

TEST_P(BatchTest, LanesGiveTheScalarDigests) {
  if (!GetParam().runsHere()) GTEST_SKIP() << "this CPU cannot run the lane kernel " << GetParam().name;
  ExpectTheScalarDigests({&GetParam(), 1});
}

INSTANTIATE_TEST_SUITE_P(LaneKernels, BatchTest, ::testing::ValuesIn(kLaneKernels),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Batch, KernelsChosenStepByStepGiveTheScalarDigests) {
  ExpectTheScalarDigests(LaneKernelsHere());
}

std::string Names(std::span<const LaneKernel> kernels) {
  std::string names;
  for (const LaneKernel& kernel : kernels) names.append(names.empty() ? "" : " ").append(kernel.name);
  return names;
}

// The kernel of a step for a number of working lanes, from the lane kernels
// that a CPU runs (named in kLaneKernels' order).
struct FitRow {
  const char* kernels;
  int working;
  const char* chosen;
};

constexpr FitRow kFitRows[] = {
    // AVX-512 with VL (AMD Zen 4 and 5, Intel): 8 lanes for five to eight
    // messages, the faster of the two 4-lane kernels for three and four.
    {"scalar avx2 avx512vl avx512", 8, "avx512"},
    {"scalar avx2 avx512vl avx512", 5, "avx512"},
    {"scalar avx2 avx512vl avx512", 4, "avx512vl"},
    {"scalar avx2 avx512vl avx512", 3, "avx512vl"},
    {"scalar avx2 avx512vl avx512", 2, "scalar"},
    {"scalar avx2 avx512vl avx512", 1, "scalar"},
    // AVX2 only: five to eight messages in groups of four.
    {"scalar avx2", 8, "avx2"},
    {"scalar avx2", 5, "avx2"},
    {"scalar avx2", 3, "avx2"},
    {"scalar avx2", 2, "scalar"},
    // No lane kernel.
    {"scalar", 8, "scalar"},
    // One kernel forced, as the tests and benchmarks force it.
    {"avx512", 3, "avx512"},
    {"avx512", 2, "scalar"},
    {"avx512vl", 8, "avx512vl"},
    {"avx2", 4, "avx2"},
};

void PrintTo(const FitRow& row, std::ostream* os) { *os << row.kernels << ", " << row.working; }

class FitTest : public ::testing::TestWithParam<FitRow> {};

// Each row's choice, and the batch mode on its kernels with that many
// messages, which end one after the other so that the later steps move to
// narrower kernels. A row whose kernels this build lacks or this CPU cannot
// run is skipped.
TEST_P(FitTest, ChoosesTheKernelThatFits) {
  const FitRow& row = GetParam();
  std::vector<LaneKernel> kernels;
  std::istringstream names(row.kernels);
  for (std::string name; names >> name;) {
    const auto kernel = std::find_if(std::begin(kLaneKernels), std::end(kLaneKernels),
                                     [&](const LaneKernel& k) { return k.name == name; });
    if (kernel == std::end(kLaneKernels)) GTEST_SKIP() << "this build has no lane kernel " << name;
    if (!kernel->runsHere()) GTEST_SKIP() << "this CPU cannot run the lane kernel " << name << ": not measured";
    kernels.push_back(*kernel);
  }
  EXPECT_STREQ(FitLaneKernel(kernels, row.working).name, row.chosen);

  std::vector<MessageJob> jobs;
  std::vector<Bytes> messages, digests(row.working, Bytes(64));
  for (int i = 0; i < row.working; ++i) {
    messages.push_back(RandomBytes(64 * (2 + i) + 9, static_cast<std::uint32_t>(i)));
    jobs.push_back({512 - 37 * i, messages[i].data(), 8 * messages[i].size() - i, digests[i].data()});
  }
  EXPECT_EQ(HashMessagesWith(kernels, jobs.data(), jobs.size()), 0);
  for (const MessageJob& job : jobs) {
    Bytes expected(64);
    HashMessage(job.digestBits, job.message, job.bitCount, expected.data());
    EXPECT_EQ(ToHex(Bytes(job.digest, job.digest + 64)), ToHex(expected)) << job.digestBits;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, FitTest, ::testing::ValuesIn(kFitRows), [](const auto& info) {
  std::string name = std::string(info.param.kernels) + " " + std::to_string(info.param.working);
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
});

// What BatchKernelName says for each set of lane kernels that a CPU may run.
TEST(Batch, NamesTheKernelsItChoosesFrom) {
  static constexpr std::pair<const char*, const char*> kNames[] = {
      {"scalar avx2 avx512vl avx512", "avx512+avx512vl"},
      {"scalar avx2", "avx2"},
      {"scalar", "scalar"},
  };
  std::vector<LaneKernel> runnable;
  std::copy_if(std::begin(kLaneKernels), std::end(kLaneKernels), std::back_inserter(runnable),
               [](const LaneKernel& kernel) { return kernel.runsHere(); });
  const std::string here = Names(LaneKernelsHere());
  ASSERT_EQ(here, Names(runnable));
  for (const auto& [kernels, name] : kNames) {
    if (here == kernels) {
      EXPECT_STREQ(BatchKernelName(), name);
      return;
    }
  }
  FAIL() << "no row for the lane kernels that this CPU runs: " << here;
}

// No lane outside 0..7, no digest length outside 0..512: refused, nothing changed.
TEST(Batch, InitRefusesWithoutAStrayWrite) {
  BatchContext batch, before;
  std::memset(&batch, 0x5c, sizeof batch);
  std::memcpy(&before, &batch, sizeof batch);
  for (const auto& [lane, bits] : {std::pair{-1, 256}, {8, 256}, {0, -1}, {7, 513}}) {
    EXPECT_EQ(BatchInit(&batch, lane, bits), 1) << lane << " " << bits;
  }
  EXPECT_EQ(std::memcmp(&batch, &before, sizeof batch), 0);
  EXPECT_EQ(BatchInit(&batch, 7, 512), 0);
}

// The C++ layer over HashMessages: more messages than lanes, empty ones and
// unequal lengths, on the lanes and beyond them, each digest that of the
// one-message call.
TEST(Batch, HashEachGivesTheOneMessageDigests) {
  std::vector<Bytes> messages;
  for (std::uint32_t i = 0; i < 21; ++i) messages.push_back(RandomBytes(i % 4 == 0 ? 0 : 37 * i, i));
  const std::vector<std::span<const std::uint8_t>> spans(messages.begin(), messages.end());
  std::vector<Digest<256>> lanes(spans.size());
  std::vector<Digest<1024>> wide(spans.size());
  hashEach<256>(spans, lanes);
  hashEach<1024>(spans, wide);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(lanes[i], hash256(messages[i])) << i;
    EXPECT_EQ(wide[i], hash1024(messages[i])) << i;
  }
}

}  // namespace
}  // namespace morv::test
