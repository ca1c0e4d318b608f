// The batch mode on each set of lane kernels that a CPU may run, and on each
// lane kernel forced: the kernel it chooses for each number of working lanes,
// and its digests against the scalar HashMessage (which the known answers
// pin), for lanes that take pieces of unequal sizes, finish at different times
// and start again with a new message, at random digest lengths and message
// lengths around the block boundaries, with and without a partial last byte.
// A set with a kernel that this CPU cannot run is skipped, never passed.
#include <algorithm>
#include <iterator>
#include <random>

#include "hasher.h"
#include "lane_driver.h"
#include "test_util.h"

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

std::vector<std::string> Names(std::span<const LaneKernel> kernels) {
  std::vector<std::string> names;
  for (const LaneKernel& kernel : kernels) names.emplace_back(kernel.name);
  return names;
}

const std::vector<TableRow> kRows = ReadTable(MORV_TEST_DATA "/lane_kernels.table");

class LaneSet : public ::testing::TestWithParam<TableRow> {};

// Each row's choices, and the batch mode's digests on its kernels.
TEST_P(LaneSet, FitsAndMatchesScalar) {
  std::vector<LaneKernel> kernels;
  for (const std::string& name : *GetParam().Find("kernels")) {
    const auto kernel = std::find_if(std::begin(kLaneKernels), std::end(kLaneKernels),
                                     [&](const LaneKernel& k) { return k.name == name; });
    if (kernel == std::end(kLaneKernels)) GTEST_SKIP() << "this build has no lane kernel " << name;
    if (!kernel->runsHere()) GTEST_SKIP() << "this CPU cannot run the lane kernel " << name << ": not measured";
    kernels.push_back(*kernel);
  }
  std::vector<std::string> chosen;
  for (int working = 1; working <= BatchLanes; ++working) chosen.emplace_back(FitLaneKernel(kernels, working).name);
  EXPECT_EQ(chosen, *GetParam().Find("chosen"));

  ExpectTheScalarDigests(kernels);
}

INSTANTIATE_TEST_SUITE_P(LaneKernels, LaneSet, ::testing::ValuesIn(kRows), RowName);

// The row of the kernels that this CPU runs says what BatchKernelName names.
TEST(Batch, NamesTheKernelsItChoosesFrom) {
  std::vector<LaneKernel> runnable;
  std::copy_if(std::begin(kLaneKernels), std::end(kLaneKernels), std::back_inserter(runnable),
               [](const LaneKernel& kernel) { return kernel.runsHere(); });
  const std::vector<std::string> here = Names(LaneKernelsHere());
  ASSERT_EQ(here, Names(runnable));
  const auto row = std::find_if(kRows.begin(), kRows.end(), [&](const TableRow& r) {
    return r.Find("name") != nullptr && *r.Find("kernels") == here;
  });
  ASSERT_NE(row, kRows.end()) << "no row for the lane kernels that this CPU runs: " << ::testing::PrintToString(here);
  EXPECT_EQ(BatchKernelName(), row->Joined("name"));
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
