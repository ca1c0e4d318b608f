// Every lane kernel that this CPU can run, through the batch mode, against the
// scalar HashMessage (which the known answers pin): lanes that take pieces of
// unequal sizes, finish at different times and start again with a new message,
// at random digest lengths and message lengths around the block boundaries,
// with and without a partial last byte. A kernel the CPU cannot run is skipped.
#include <cstring>
#include <random>
#include <utility>

#include "hasher.h"
#include "lane_driver.h"
#include "test_util.h"

namespace morv {
inline void PrintTo(const LaneKernel& kernel, std::ostream* os) { *os << kernel.name; }
}  // namespace morv

namespace morv::test {
namespace {

class BatchTest : public ::testing::TestWithParam<LaneKernel> {};

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
TEST_P(BatchTest, LanesGiveTheScalarDigests) {
  if (!GetParam().runsHere()) GTEST_SKIP() << "this CPU cannot run the lane kernel " << GetParam().name;
  const std::vector<LaneMessage> messages = RandomMessages(400);
  const auto digests = HashOnLanes(GetParam(), messages);
  std::vector<MessageJob> jobs;
  std::vector<Bytes> whole(messages.size(), Bytes(128));
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const int bits = i % 50 == 3 ? 1024 : messages[i].digestBits;
    jobs.push_back({bits, messages[i].bytes.data(), messages[i].bitCount, whole[i].data()});
  }
  jobs.push_back({-8, nullptr, 0, nullptr});
  EXPECT_EQ(HashMessagesWith(GetParam(), jobs.data(), jobs.size()), 1);
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

// The batch mode runs the preferred (last) lane kernel that this CPU can run.
TEST(Batch, RunsThePreferredLaneKernel) {
  const char* preferred = kLaneKernels[0].name;
  for (const LaneKernel& kernel : kLaneKernels) {
    if (kernel.runsHere()) preferred = kernel.name;
  }
  EXPECT_STREQ(BatchKernelName(), preferred);
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

INSTANTIATE_TEST_SUITE_P(LaneKernels, BatchTest, ::testing::ValuesIn(kLaneKernels),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace morv::test
