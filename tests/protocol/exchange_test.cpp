#include "protocol/exchange.h"

#include "tests/support/context_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ContextTest;
using testing::Corrupted;
using testing::Reply;
using testing::Truncated;

const std::string kZeroTrace = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

class ExchangeTest : public ContextTest {
 protected:
  void SetUp() override {
    port.Open("/dev/ttyUSB0");
    context.state.CurrentCommand = static_cast<uint8_t>(CommandCode::Probe);
    context.state.RequestBuffer = {0xE2, 0xE4, 0x01, 0x07, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  }
  // One exchange on the context's line, whose observer traces into the panel.
  ExchangeOutcome Run() {
    ExchangeOutcome outcome = Exchange(context.Line());
    if (outcome.InSync()) ++inSync;
    return outcome;
  }
  // Exchanges whose reply began with the frame sync.
  int inSync = 0;
};

TEST_F(ExchangeTest, AcceptedReplyIsWholeInStepAndTraced) {
  context.state.NoAnswer = true;
  port.replies.push_back(Reply(1, 7));
  const ExchangeOutcome outcome = Run();
  EXPECT_EQ(inSync, 1);
  EXPECT_EQ(outcome.status, ReplyStatus::Whole);
  EXPECT_TRUE(outcome.Answered());
  EXPECT_EQ(outcome.command, CommandCode::Probe);
  EXPECT_EQ(outcome.request, context.state.RequestBuffer);
  EXPECT_EQ(outcome.reply, context.state.ReplyBuffer);
  EXPECT_EQ(Bytes(outcome.reply.begin(), outcome.reply.end()), Reply(1, 7));
  EXPECT_EQ(outcome.received, 16u);
  EXPECT_EQ(outcome.writeError, 0u);
  EXPECT_EQ(outcome.readError, 0u);
  // A reply in step leaves NoAnswer to the caller (SendCommand clears it).
  EXPECT_TRUE(context.state.NoAnswer);
  EXPECT_EQ(panel.Edit13.Text(), " E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00");
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0],
            Bytes(context.state.RequestBuffer.begin(), context.state.RequestBuffer.end()));
}

TEST_F(ExchangeTest, AWholeReplyOfAnotherKindOrCommandIsInStepButAnswersNothing) {
  for (const Bytes& reply : {Reply(2, 7), Reply(1, 3)}) {
    port.replies.push_back(reply);
    const ExchangeOutcome outcome = Run();
    EXPECT_EQ(outcome.status, ReplyStatus::Whole);
    EXPECT_FALSE(outcome.Answered());
  }
  EXPECT_EQ(inSync, 2);
}

TEST_F(ExchangeTest, PacesWithPurgeThenFiftyThenHundred) {
  port.replies.push_back(Reply(1, 7));
  Run();
  EXPECT_EQ(port.purgeCount, 1);
  EXPECT_EQ(pauses.delays, (std::vector<int>{50, 100}));
}

TEST_F(ExchangeTest, SilentDeviceSetsNoAnswerWithoutMessage) {
  const ExchangeOutcome outcome = Run();
  EXPECT_EQ(outcome.status, ReplyStatus::Missing);
  EXPECT_FALSE(outcome.Answered());
  EXPECT_EQ(outcome.received, 0u);
  EXPECT_TRUE(context.state.NoAnswer);
  EXPECT_EQ(inSync, 0);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(panel.Edit13.Text(), kZeroTrace);
}

TEST_F(ExchangeTest, LeadingZeroIsNoAnswerAndLaterBytesOnlyShowInTrace) {
  port.replies.push_back(Corrupted(Reply(1, 7), 0, 0x00));
  const ExchangeOutcome outcome = Run();
  EXPECT_EQ(outcome.status, ReplyStatus::Missing);
  EXPECT_EQ(outcome.received, 16u);
  EXPECT_TRUE(context.state.NoAnswer);
  EXPECT_EQ(inSync, 0);
  EXPECT_EQ(panel.Edit13.Text(), " 00 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00");
}

TEST_F(ExchangeTest, OutOfSyncReplyShowsMessageAndKeepsNoAnswer) {
  for (const bool before : {false, true}) {
    for (const Bytes& reply :
         {Corrupted(Reply(1, 7), 1, 0x00), Corrupted(Corrupted(Reply(1, 7), 0, 0xE4), 1, 0xE2)}) {
      boxes.shown.clear();
      context.state.NoAnswer = before;
      port.replies.push_back(reply);
      EXPECT_EQ(Run().status, ReplyStatus::OutOfSync);
      EXPECT_EQ(context.state.NoAnswer, before);
      EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Ошибка синхронизации."});
      EXPECT_EQ(boxes.shown[0].kind, MessageKind::Notice);
    }
  }
  EXPECT_EQ(inSync, 0);
}

TEST_F(ExchangeTest, ShortReplyInSyncIsCutWithZerosAfterItsEnd) {
  Bytes reply = Reply(1, 3, {0x21, 0x22, 0x23, 0x24, 0x25});
  port.replies.push_back(Truncated(reply, 7));
  const ExchangeOutcome outcome = Run();
  EXPECT_EQ(inSync, 1);
  EXPECT_EQ(outcome.status, ReplyStatus::Cut);
  EXPECT_FALSE(outcome.Answered());
  EXPECT_EQ(outcome.received, 7u);
  EXPECT_EQ(outcome.reply, context.state.ReplyBuffer);
  EXPECT_EQ(context.state.ReplyByte(0), 0x21);
  EXPECT_EQ(context.state.ReplyByte(1), 0x22);
  for (int i = 2; i < 10; ++i) EXPECT_EQ(context.state.ReplyByte(i), 0) << i;
}

TEST_F(ExchangeTest, AReplyOneByteShortIsCutNotWhole) {
  port.replies.push_back(Truncated(Reply(1, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 15));
  const ExchangeOutcome outcome = Run();
  EXPECT_EQ(outcome.received, 15u);
  EXPECT_EQ(outcome.status, ReplyStatus::Cut);
  EXPECT_FALSE(outcome.Answered());
  port.replies.push_back(Reply(1, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Run().status, ReplyStatus::Whole);
}

TEST_F(ExchangeTest, ReplyBufferIsZeroedBeforeEachRead) {
  port.replies.push_back(Reply(1, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  Run();
  Run();
  for (uint8_t b : context.state.ReplyBuffer) EXPECT_EQ(b, 0);
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
  const ExchangeOutcome outcome = Run();
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"Can't write to port: 9", "Can't read from port: 9"}));
  EXPECT_EQ(outcome.writeError, 9u);
  EXPECT_EQ(outcome.readError, 9u);
  EXPECT_EQ(outcome.received, 0u);
  EXPECT_EQ(outcome.status, ReplyStatus::Missing);
  EXPECT_TRUE(context.state.NoAnswer);
  EXPECT_EQ(panel.Edit13.Text(), kZeroTrace);
  EXPECT_EQ(pauses.delays, (std::vector<int>{50, 100}));
}

TEST_F(ExchangeTest, FailedWriteStillReadsAndClassifies) {
  port.failWrite = 5;
  const ExchangeOutcome outcome = Run();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Can't write to port: 5"});
  EXPECT_EQ(outcome.writeError, 5u);
  EXPECT_EQ(outcome.readError, 0u);
  EXPECT_TRUE(context.state.NoAnswer);
}

TEST_F(ExchangeTest, BytesLeftOnTheLineAreDroppedByTheNextPurge) {
  // A second, late frame arrives behind the first one and is still waiting
  // after the read. (Behind a frame that begins with the request's bytes it
  // would make that frame an echo.)
  Bytes doubled = Reply(1, 7, {0x01});
  const Bytes late = Corrupted(Reply(1, 7), 0, 0xE4);
  doubled.insert(doubled.end(), late.begin(), late.end());
  port.replies.push_back(doubled);
  Run();
  EXPECT_EQ(inSync, 1);
  Run();  // the device stays silent this time
  EXPECT_EQ(port.purgeCount, 2);
  EXPECT_TRUE(context.state.NoAnswer);
  EXPECT_TRUE(boxes.shown.empty()) << "the stale frame was read instead of dropped";
}

// A port that counts its reads and can fail one of them.
class CountingPort : public testing::FakeSerialPort {
 public:
  bool Read(uint8_t* data, size_t count, size_t& received) override {
    if (++reads == failingRead) {
      received = 0;
      failRead = 5;
    }
    const bool ok = FakeSerialPort::Read(data, count, received);
    failRead = 0;
    return ok;
  }
  int reads = 0;
  int failingRead = 0;  // the read (from 1) that fails; 0: none
};

// The observer's events in order: "request", "echo E2 E4 ...", "reply E2 E4 ...", notices.
struct EventLog : ExchangeObserver {
  void RequestSent(const RequestFrame& /*request*/) override { events.push_back("request"); }
  void EchoRead(const RequestFrame& echo) override {
    events.push_back("echo" + HexTrace(echo.data(), kRequestLength));
  }
  void ReplyRead(const ReplyFrame& reply) override {
    events.push_back("reply" + HexTrace(reply.data(), kReplyLength));
  }
  void Notice(const std::string& text) override { events.push_back(text); }
  std::vector<std::string> events;
};

// A line that hands every request back before whatever the device sends.
class EchoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.Open("/dev/ttyUSB0");
    state.CurrentCommand = static_cast<uint8_t>(CommandCode::ReadSettings);
    state.RequestBuffer = {0xE2, 0xE4, 0x01, 0x03, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  }
  ExchangeOutcome Run(const Bytes& device, bool echo = true) {
    Bytes line = echo ? Request() : Bytes();
    line.insert(line.end(), device.begin(), device.end());
    port.replies.push_back(line);
    return Exchange({state, port, pause, observer, StandardCatalogue()});
  }
  Bytes Request() const { return Bytes(state.RequestBuffer.begin(), state.RequestBuffer.end()); }
  std::string Echo() const { return "echo" + HexTrace(state.RequestBuffer.data(), kRequestLength); }
  static std::string Traced(const Bytes& reply) {
    Bytes frame = reply;
    frame.resize(kReplyLength);
    return "reply" + HexTrace(frame.data(), kReplyLength);
  }

  SessionState state;
  CountingPort port;
  testing::RecordingPause pauses;
  Pause pause = pauses.AsPause();
  EventLog observer;
  const Bytes reply = Reply(1, 3, {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A});
};

TEST_F(EchoTest, TheEchoIsDroppedAndTheWholeOrCutReplyAfterItIsRead) {
  for (const size_t length : {16u, 7u, 2u}) {
    observer.events.clear();
    port.reads = 0;
    const Bytes device = Truncated(reply, length);
    const ExchangeOutcome outcome = Run(device);
    EXPECT_TRUE(outcome.echoed);
    EXPECT_EQ(outcome.received, length);
    EXPECT_EQ(outcome.status, length == 16 ? ReplyStatus::Whole : ReplyStatus::Cut);
    EXPECT_EQ(outcome.Answered(), length == 16);
    EXPECT_EQ(Bytes(outcome.reply.begin(), outcome.reply.begin() + static_cast<long>(length)),
              device);
    EXPECT_EQ(observer.events, (std::vector<std::string>{Echo(), Traced(device)}));
    EXPECT_EQ(port.reads, 2);
  }
  EXPECT_EQ(pauses.delays, (std::vector<int>{50, 100, 50, 100, 50, 100}));
}

// A reply cut to exactly the request's bytes reads the same as an echo with no
// reply after it; either way nothing answered, and no phantom device is found.
TEST_F(EchoTest, TheRequestAloneIsAnEchoWithNoAnswer) {
  state.NoAnswer = false;
  const ExchangeOutcome outcome = Run({});
  EXPECT_TRUE(outcome.echoed);
  EXPECT_EQ(outcome.status, ReplyStatus::Missing);
  EXPECT_TRUE(state.NoAnswer);
  EXPECT_EQ(outcome.received, 0u);
  EXPECT_EQ(outcome.reply, ReplyFrame{});
  EXPECT_EQ(observer.events, (std::vector<std::string>{Echo(), Traced({})}));
  EXPECT_EQ(port.reads, 1);
}

// Only 16 bytes that begin with the request and end in the frame sync may be
// an echo and a reply's first byte; every other reply is read once, as before.
TEST_F(EchoTest, SixteenBytesBeginningWithTheRequestAreAReplyReadAgainOnlyWhenTheyEndInTheSync) {
  const Bytes zeros = Reply(1, 3);  // its first 15 bytes are the request's
  Bytes endsInSync = zeros;
  endsInSync[15] = 0xE2;
  for (const auto& [same, reads] : {std::pair{zeros, 1}, std::pair{endsInSync, 2}}) {
    observer.events.clear();
    port.reads = 0;
    const ExchangeOutcome outcome = Run(same, false);
    EXPECT_FALSE(outcome.echoed);
    EXPECT_EQ(outcome.status, ReplyStatus::Whole);
    EXPECT_TRUE(outcome.Answered());
    EXPECT_EQ(Bytes(outcome.reply.begin(), outcome.reply.end()), same);
    EXPECT_EQ(observer.events, std::vector<std::string>{Traced(same)});
    EXPECT_EQ(port.reads, reads);
  }
  port.reads = 0;
  EXPECT_TRUE(Run(reply, false).Answered());
  EXPECT_EQ(port.reads, 1);
}

TEST_F(EchoTest, AFailingSecondReadIsAFailedRead) {
  port.failingRead = 2;
  const ExchangeOutcome outcome = Run(reply);
  EXPECT_FALSE(outcome.echoed);
  EXPECT_EQ(outcome.readError, 5u);
  EXPECT_EQ(outcome.received, 0u);
  EXPECT_EQ(outcome.status, ReplyStatus::Missing);
  EXPECT_TRUE(state.NoAnswer);
  EXPECT_EQ(observer.events, (std::vector<std::string>{"Can't read from port: 5", Traced({})}));
}

}  // namespace
}  // namespace intercom
