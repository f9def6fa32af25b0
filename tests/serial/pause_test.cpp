#include "serial/pause.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace intercom {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kHandlerTime{10};
std::atomic<int> handled{0};

// A handler that takes a while, as a busy program's would.
void SlowHandler(int) {
  const auto until = Clock::now() + kHandlerTime;
  while (Clock::now() < until) {
  }
  ++handled;
}

TEST(SleepPause, LastsItsTimeUnderASignalStorm) {
  struct sigaction action {
  }, previous{};
  action.sa_handler = SlowHandler;
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  const pthread_t sleeper = pthread_self();
  std::atomic<bool> done{false};
  std::thread storm([&] {
    // Each signal after the last one was handled and a short gap, so that the
    // sleeper gets to sleep between them; bounded, so that a pause that never
    // ends under the storm still ends.
    const auto stop = Clock::now() + milliseconds(3000);
    while (!done && Clock::now() < stop) {
      const int before = handled;
      pthread_kill(sleeper, SIGUSR1);
      while (!done && handled == before && Clock::now() < stop) std::this_thread::yield();
      std::this_thread::sleep_for(milliseconds(1));
    }
  });

  const auto start = Clock::now();
  SleepPause(100);
  const auto elapsed = Clock::now() - start;
  done = true;
  storm.join();
  sigaction(SIGUSR1, &previous, nullptr);

  ASSERT_GE(handled, 3) << "the storm did not reach the pause";
  EXPECT_GE(elapsed, milliseconds(100));
  // A pause that restarts its sleep after each signal loses every handler's
  // time; one that sleeps to its deadline at most the last handler's (plus
  // slack for a loaded machine).
  EXPECT_LT(elapsed - milliseconds(100), handled.load() * kHandlerTime / 2 + milliseconds(30))
      << std::chrono::duration_cast<milliseconds>(elapsed).count() << " ms with " << handled
      << " signals";
}

TEST(SleepPause, NothingToWaitForReturnsAtOnce) {
  const auto start = Clock::now();
  SleepPause(0);
  SleepPause(-5);
  EXPECT_LT(Clock::now() - start, milliseconds(50));
}

}  // namespace
}  // namespace intercom
