#include "sim/request_assembler.h"

#include <gtest/gtest.h>

#include <vector>

namespace intercom {
namespace {

using Clock = RequestAssembler::Clock;
using std::chrono::milliseconds;

std::vector<uint8_t> Frame(uint8_t command) {
  std::vector<uint8_t> bytes{kFrameSync0, kFrameSync1, 1, command, kPayloadLength};
  bytes.resize(kRequestLength, command);
  return bytes;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class RequestAssemblerTest : public ::testing::Test {
 protected:
  std::vector<RequestFrame> Feed(const std::vector<uint8_t>& bytes, int atMs) {
    return assembler.Feed(bytes.data(), bytes.size(), start + milliseconds(atMs));
  }
  RequestAssembler assembler;
  Clock::time_point start = Clock::now();
};

TEST_F(RequestAssemblerTest, CutsBackToBackRequests) {
  const auto requests = Feed(Join({Frame(3), Frame(7)}), 0);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0][3], 3);
  EXPECT_EQ(requests[1][3], 7);
  EXPECT_FALSE(assembler.StaleAt().has_value());
}

TEST_F(RequestAssemblerTest, SkipsJunkBeforeSyncAndCountsIt) {
  const auto requests = Feed(Join({{0x00, kFrameSync1, kFrameSync0, 0x17}, Frame(5)}), 0);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0][3], 5);
  EXPECT_EQ(assembler.TakeSkipped(), 4u);
  EXPECT_EQ(assembler.TakeSkipped(), 0u);
}

TEST_F(RequestAssemblerTest, JoinsARequestSplitAcrossReadsEvenInsideTheSync) {
  const auto frame = Frame(9);
  EXPECT_TRUE(Feed({frame.begin(), frame.begin() + 1}, 0).empty());
  EXPECT_TRUE(Feed({frame.begin() + 1, frame.begin() + 8}, 10).empty());
  const auto requests = Feed({frame.begin() + 8, frame.end()}, 20);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), requests[0].begin()));
  EXPECT_EQ(assembler.TakeSkipped(), 0u);
}

TEST_F(RequestAssemblerTest, SyncBytesInsideAPayloadDoNotStartAFrame) {
  auto frame = Frame(4);
  frame[7] = kFrameSync0;
  frame[8] = kFrameSync1;
  const auto requests = Feed(frame, 0);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0][7], kFrameSync0);
}

TEST_F(RequestAssemblerTest, PartialRequestIsDroppedOnceItsFirstByteIsTooOld) {
  const auto frame = Frame(2);
  Feed({frame.begin(), frame.begin() + 6}, 0);
  Feed({frame.begin() + 6, frame.begin() + 10}, 60);
  ASSERT_TRUE(assembler.StaleAt().has_value());
  EXPECT_EQ(*assembler.StaleAt(), start + RequestAssembler::kPartialLifetime);
  EXPECT_EQ(assembler.DropStale(start + milliseconds(99)), 0u);
  EXPECT_EQ(assembler.DropStale(start + milliseconds(100)), 10u);
  EXPECT_FALSE(assembler.StaleAt().has_value());

  // The rest of the dropped frame is junk now; the next whole frame still counts.
  const auto requests = Feed(Join({{frame.begin() + 10, frame.end()}, Frame(6)}), 150);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0][3], 6);
}

TEST_F(RequestAssemblerTest, LeftoverAfterACompleteRequestAgesFromItsOwnRead) {
  const auto first = Frame(1);
  const auto second = Frame(2);
  Feed({first.begin(), first.begin() + 5}, 0);
  Feed(Join({{first.begin() + 5, first.end()}, {second.begin(), second.begin() + 3}}), 80);
  ASSERT_TRUE(assembler.StaleAt().has_value());
  EXPECT_EQ(*assembler.StaleAt(), start + milliseconds(80) + RequestAssembler::kPartialLifetime);
}

}  // namespace
}  // namespace intercom
