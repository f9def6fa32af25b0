#include "device/logged_port.h"

#include <sstream>

#include "protocol/exchange.h"
#include "tests/support/line_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::Reply;

class LoggedPortTest : public testing::LineTest {
 protected:
  void SetUp() override {
    port.Open("/dev/ttyUSB0");
    state.CurrentCommand = static_cast<uint8_t>(CommandCode::Probe);
    state.RequestBuffer = {0xE2, 0xE4, 0x01, 0x07, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  }
  // The trace lines of one exchange in which the line brings `arrived`.
  std::string Traced(const Bytes& arrived) {
    std::ostringstream log;
    LoggedPort logged(port, &log, [] { return std::string("t"); });
    port.replies.push_back(arrived);
    Exchange({state, logged, pause, observer, StandardCatalogue()});
    return log.str();
  }
  static Bytes Joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
  }

  const std::string request = "t > E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00\n";
  const Bytes echo = {0xE2, 0xE4, 0x01, 0x07, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
};

TEST_F(LoggedPortTest, TheEchoGetsALineOfItsOwnAndAReplyThatRepeatsTheRequestDoesNot) {
  const std::string same = "E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00 00";
  EXPECT_EQ(Traced(Reply(1, 7)), request + "t < " + same + "\n");
  Bytes endsInSync = Reply(1, 7);
  endsInSync[15] = 0xE2;
  EXPECT_EQ(Traced(endsInSync), request + "t < " + same.substr(0, same.size() - 2) + "E2\n");
  EXPECT_EQ(Traced(Joined(echo, Reply(1, 7, {0x05}))),
            request + "t = E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00\n" +
                "t < E2 E4 01 07 0A 05 00 00 00 00 00 00 00 00 00 00\n");
  EXPECT_EQ(Traced(echo), request + "t = E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00\n");
  EXPECT_EQ(Traced(Joined(echo, {0xE2, 0xE4, 0x01})),
            request + "t = E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00\nt < E2 E4 01\n");
}

}  // namespace
}  // namespace intercom
