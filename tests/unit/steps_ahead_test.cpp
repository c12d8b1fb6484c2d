#include "support/steps_ahead.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "support/background_removal.h"

namespace {

// Steps that log when they run, so the order and the gating show.
struct Recorded {
  std::mutex mutex;
  std::string order;
  void Add(char step) {
    const std::lock_guard lock(mutex);
    order += step;
  }
  std::string Order() {
    const std::lock_guard lock(mutex);
    return order;
  }
};

}  // namespace

TEST(StepsAhead, AStepWaitsUntilTheRoomItReusesIsDone) {
  for (const bool alongside : {false, true}) {
    Recorded recorded;
    StepsAhead steps(
        {[&] { recorded.Add('a'); }, [&] { recorded.Add('b'); }, [&] { recorded.Add('c'); }}, 1,
        alongside);
    steps.WaitFor(0);
    // Step 1 reuses step 0's room: it has not started, however long we wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(recorded.Order(), "a") << alongside;
    recorded.Add('0');
    steps.Done(0);
    steps.WaitFor(1);
    steps.Done(1);
    steps.WaitFor(2);
    EXPECT_EQ(recorded.Order(), "a0bc") << alongside;
  }
}

TEST(StepsAhead, AFailureReachesTheConsumerAtItsStep) {
  for (const bool alongside : {false, true}) {
    std::atomic<int> ran = 0;
    StepsAhead steps({[&] { ++ran; }, [&] { throw std::runtime_error("step 1"); }, [&] { ++ran; }},
                     3, alongside);
    EXPECT_NO_THROW(steps.WaitFor(0));
    EXPECT_THROW(steps.WaitFor(1), std::runtime_error);
    EXPECT_EQ(ran, 1) << "no step runs after a failed one";
  }
}

TEST(StepsAhead, LeavingEarlyAbandonsTheStepsNotStarted) {
  std::atomic<int> ran = 0;
  {
    StepsAhead steps({[&] { ++ran; }, [&] { ++ran; }}, 1, true);
    steps.WaitFor(0);
  }  // step 1 waits for step 0's room, which is never given back
  EXPECT_EQ(ran, 1);
}

// Under a process limit that allows no more threads the steps still run, in
// order, on the consumer's thread, and so do the removals. The check runs in a
// fresh process (the threadsafe death-test style starts the test program
// again): a forked copy of this one would count the helpers this process
// keeps waiting, whose threads a fork does not copy.
TEST(StepsAhead, RunsOnTheConsumersThreadWhenNoThreadCanBeHad) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as a user with no processes left";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto runWithoutThreads = [] {
    const rlimit none{0, 0};
    if (::setgid(65534) != 0 || ::setuid(65534) != 0 || ::setrlimit(RLIMIT_NPROC, &none) != 0) {
      ::_exit(3);
    }
    std::string order;
    StepsAhead steps({[&] { order += 'a'; }, [&] { order += 'b'; }}, 1, true);
    steps.WaitFor(0);
    steps.Done(0);
    steps.WaitFor(1);
    BackgroundRemoval removal(true);
    removal.Add("/nonexistent/file");
    ::_exit(order == "ab" && !removal.Alongside() ? 0 : 1);
  };
  EXPECT_EXIT(runWithoutThreads(), ::testing::ExitedWithCode(0), "");
}
