#include "protocol/exchange.h"

#include "tests/support/session_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::Corrupted;
using testing::Reply;
using testing::SessionTest;
using testing::Truncated;

const std::string kZeroTrace = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

class ExchangeTest : public SessionTest {
 protected:
  void SetUp() override {
    port.Open("/dev/ttyUSB0");
    session.state.RequestBuffer = {0xE2, 0xE4, 0x01, 0x07, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  }
  void Run() {
    Exchange(session, [this] {
      ++interpreted;
      session.state.NoAnswer = false;
    });
  }
  int interpreted = 0;
};

TEST_F(ExchangeTest, AcceptedReplyIsInterpretedOnceAndTraced) {
  session.state.NoAnswer = true;
  port.replies.push_back(Reply(1, 7));
  Run();
  EXPECT_EQ(interpreted, 1);
  EXPECT_FALSE(session.state.NoAnswer);
  EXPECT_EQ(panel.Edit13.Text(), " E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00");
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0],
            Bytes(session.state.RequestBuffer.begin(), session.state.RequestBuffer.end()));
}

TEST_F(ExchangeTest, PacesWithPurgeThenFiftyThenHundred) {
  port.replies.push_back(Reply(1, 7));
  Run();
  EXPECT_EQ(port.purgeCount, 1);
  EXPECT_EQ(pauses.delays, (std::vector<int>{50, 100}));
}

TEST_F(ExchangeTest, SilentDeviceSetsNoAnswerWithoutMessage) {
  Run();
  EXPECT_TRUE(session.state.NoAnswer);
  EXPECT_EQ(interpreted, 0);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(panel.Edit13.Text(), kZeroTrace);
}

TEST_F(ExchangeTest, LeadingZeroIsNoAnswerAndLaterBytesOnlyShowInTrace) {
  port.replies.push_back(Corrupted(Reply(1, 7), 0, 0x00));
  Run();
  EXPECT_TRUE(session.state.NoAnswer);
  EXPECT_EQ(interpreted, 0);
  EXPECT_EQ(panel.Edit13.Text(), " 00 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00");
}

TEST_F(ExchangeTest, OutOfSyncReplyShowsMessageAndKeepsNoAnswer) {
  for (const bool before : {false, true}) {
    for (const Bytes& reply :
         {Corrupted(Reply(1, 7), 1, 0x00), Corrupted(Corrupted(Reply(1, 7), 0, 0xE4), 1, 0xE2)}) {
      boxes.shown.clear();
      session.state.NoAnswer = before;
      port.replies.push_back(reply);
      Run();
      EXPECT_EQ(session.state.NoAnswer, before);
      EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Ошибка синхронизации."});
      EXPECT_EQ(boxes.shown[0].kind, MessageKind::Notice);
    }
  }
  EXPECT_EQ(interpreted, 0);
}

TEST_F(ExchangeTest, ShortReplyInSyncIsInterpretedWithZerosAfterItsEnd) {
  Bytes reply = Reply(1, 3, {0x21, 0x22, 0x23, 0x24, 0x25});
  port.replies.push_back(Truncated(reply, 7));
  Run();
  EXPECT_EQ(interpreted, 1);
  EXPECT_EQ(session.state.ReplyByte(0), 0x21);
  EXPECT_EQ(session.state.ReplyByte(1), 0x22);
  for (int i = 2; i < 10; ++i) EXPECT_EQ(session.state.ReplyByte(i), 0) << i;
}

TEST_F(ExchangeTest, ReplyBufferIsZeroedBeforeEachRead) {
  port.replies.push_back(Reply(1, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  Run();
  Run();
  for (uint8_t b : session.state.ReplyBuffer) EXPECT_EQ(b, 0);
}

TEST_F(ExchangeTest, TraceShowsFifteenBytesNeverTheSixteenth) {
  port.replies.push_back(Corrupted(Reply(1, 7, {0xFF}), 15, 0xAB));
  Run();
  EXPECT_EQ(panel.Edit13.Text(), " E2 E4 01 07 0A FF 00 00 00 00 00 00 00 00 00");
  port.replies.push_back(Reply(1, 7));
  Run();
  EXPECT_EQ(panel.Edit13.Text().size(), 90u);
}

TEST_F(ExchangeTest, ClosedPortFailsWriteThenReadAndCountsAsNoAnswer) {
  port.Close();
  Run();
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"Can't write to port: 9", "Can't read from port: 9"}));
  EXPECT_TRUE(session.state.NoAnswer);
  EXPECT_EQ(panel.Edit13.Text(), kZeroTrace);
  EXPECT_EQ(pauses.delays, (std::vector<int>{50, 100}));
}

TEST_F(ExchangeTest, FailedWriteStillReadsAndClassifies) {
  port.failWrite = 5;
  Run();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Can't write to port: 5"});
  EXPECT_TRUE(session.state.NoAnswer);
}

TEST_F(ExchangeTest, BytesLeftOnTheLineAreDroppedByTheNextPurge) {
  // A second, late frame arrives behind the first one and is still waiting after the read.
  Bytes doubled = Reply(1, 7);
  const Bytes late = Corrupted(Reply(1, 7), 0, 0xE4);
  doubled.insert(doubled.end(), late.begin(), late.end());
  port.replies.push_back(doubled);
  Run();
  EXPECT_EQ(interpreted, 1);
  Run();  // the device stays silent this time
  EXPECT_EQ(port.purgeCount, 2);
  EXPECT_TRUE(session.state.NoAnswer);
  EXPECT_TRUE(boxes.shown.empty()) << "the stale frame was read instead of dropped";
}

}  // namespace
}  // namespace intercom
