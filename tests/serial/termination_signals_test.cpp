// TerminationSignals in this process: which signals it takes over, and that
// whoever started the program keeps the say over the ones it ignored.
#include "serial/termination_signals.h"

#include <signal.h>

#include <gtest/gtest.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The dispositions of the three signals, put back as they were afterwards.
class Dispositions {
 public:
  Dispositions() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], nullptr, &saved_[i]);
  }
  ~Dispositions() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
  }

 private:
  struct sigaction saved_[3];
};

void (*HandlerOf(int signal))(int) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return current.sa_handler;
}

TEST(TerminationSignals, ASignalIgnoredAtStartStaysIgnoredAndTheOthersAreTaken) {
  const Dispositions keep;
  // As under nohup: SIGHUP ignored by whoever started the program.
  signal(SIGHUP, SIG_IGN);
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  {
    intercom::TerminationSignals termination;
    ASSERT_TRUE(termination.Installed());
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);

    raise(SIGHUP);
    EXPECT_EQ(termination.Take(), 0) << "an ignored SIGHUP was taken as a request";
    raise(SIGTERM);
    EXPECT_EQ(termination.Take(), SIGTERM);
    raise(SIGINT);
    EXPECT_EQ(termination.Take(), SIGINT);
  }
  EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
  EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
  EXPECT_EQ(HandlerOf(SIGINT), SIG_DFL);
}

}  // namespace
