// Every lane kernel that this CPU can run, through the batch mode, against the
// scalar HashMessage (which the known answers pin): lanes that take pieces of
// unequal sizes, finish at different times and start again with a new message,
// at random digest lengths and message lengths around the block boundaries,
// with and without a partial last byte. A kernel the CPU cannot run is skipped.
#include <random>

#include "kernels.h"
#include "test_util.h"

namespace morv {
inline void PrintTo(const LaneKernel& kernel, std::ostream* os) { *os << kernel.name; }
}  // namespace morv

namespace morv::test {
namespace {

class BatchTest : public ::testing::TestWithParam<LaneKernel> {
 protected:
  void SetUp() override {
    if (!GetParam().runsHere()) {
      GTEST_SKIP() << "this CPU cannot run the lane kernel " << GetParam().name;
    }
  }
};

struct Message {
  int digestBits = 0;
  Bytes bytes;
  std::size_t bitCount = 0, taken = 0;
};

Message RandomMessage(std::mt19937& random) {
  static constexpr std::size_t kLengths[] = {0, 1, 63, 64, 65, 127, 128, 129, 191, 192, 193, 1000, 4097};
  Message m;
  m.digestBits = static_cast<int>(random() % 513);
  m.bitCount = 8 * kLengths[random() % std::size(kLengths)] + (random() % 3 == 0 ? random() % 8 : 0);
  m.bytes = RandomBytes((m.bitCount + 7) / 8, static_cast<std::uint32_t>(random()));
  return m;
}

TEST_P(BatchTest, LanesGiveTheScalarDigests) {
  std::mt19937 random(7);
  BatchContext batch;
  Message lanes[BatchLanes];
  for (int lane = 0; lane < BatchLanes; ++lane) {
    lanes[lane] = RandomMessage(random);
    ASSERT_EQ(BatchInit(&batch, lane, lanes[lane].digestBits), 0);
  }
  for (int finished = 0; finished < 400;) {
    const std::uint8_t* pieces[BatchLanes] = {};
    std::size_t bitCounts[BatchLanes] = {};
    std::uint8_t* digests[BatchLanes] = {};
    Bytes got[BatchLanes];
    for (int lane = 0; lane < BatchLanes; ++lane) {
      Message& m = lanes[lane];
      const std::size_t left = m.bitCount - m.taken;
      if (left == 0) {
        got[lane].resize(64);
        digests[lane] = got[lane].data();
        continue;
      }
      static constexpr std::size_t kPieces[] = {0, 1, 63, 64, 65, 128, 200};
      const std::size_t piece = 8 * kPieces[random() % std::size(kPieces)];
      bitCounts[lane] = piece == 0 || piece >= left ? left : piece;
      pieces[lane] = m.bytes.data() + m.taken / 8;
      m.taken += bitCounts[lane];
    }
    ASSERT_EQ(BatchUpdateWith(GetParam(), &batch, pieces, bitCounts), 0);
    ASSERT_EQ(BatchFinalWith(GetParam(), &batch, digests), 0);
    for (int lane = 0; lane < BatchLanes; ++lane) {
      if (digests[lane] == nullptr) continue;
      Message& m = lanes[lane];
      Bytes expected(64);
      HashMessage(m.digestBits, m.bytes.data(), m.bitCount, expected.data());
      const std::size_t n = (static_cast<std::size_t>(m.digestBits) + 7) / 8;
      EXPECT_EQ(ToHex(got[lane].data(), n), ToHex(expected.data(), n))
          << m.digestBits << " bits of a " << m.bitCount << "-bit message, lane " << lane;
      ++finished;
      m = RandomMessage(random);
      ASSERT_EQ(BatchInit(&batch, lane, m.digestBits), 0);
    }
  }
}

// Jobs of every width and a refused one, as many as fill the lanes twice and more.
TEST_P(BatchTest, HashMessagesGivesEachHashMessage) {
  std::mt19937 random(11);
  std::vector<Message> messages(21);
  std::vector<MessageJob> jobs;
  std::vector<Bytes> digests(messages.size(), Bytes(128));
  for (std::size_t i = 0; i < messages.size(); ++i) {
    messages[i] = RandomMessage(random);
    const int bits = i == 3 ? 1024 : i == 9 ? 520 : messages[i].digestBits;
    jobs.push_back({bits, messages[i].bytes.data(), messages[i].bitCount, digests[i].data()});
  }
  jobs.push_back({-8, nullptr, 0, nullptr});
  EXPECT_EQ(HashMessagesWith(GetParam(), jobs.data(), jobs.size()), 1);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    Bytes expected(128);
    HashMessage(jobs[i].digestBits, jobs[i].message, jobs[i].bitCount, expected.data());
    EXPECT_EQ(ToHex(digests[i]), ToHex(expected)) << "job " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(LaneKernels, BatchTest, ::testing::ValuesIn(kLaneKernels),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace morv::test
