#include "support/helper_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// How many works the thread that ran this one has run.
int RunAndJoin() {
  static thread_local int works = 0;
  int ranBefore = -1;
  HelperThread helper([&ranBefore] { ranBefore = works++; });
  helper.Join();
  return ranBefore;
}

}  // namespace

TEST(HelperThreads, WorkHandedOutLaterRunsOnTheHelperThatFinished) {
  const int before = RunAndJoin();
  EXPECT_EQ(RunAndJoin(), before + 1);
  EXPECT_EQ(RunAndJoin(), before + 2);
}

// Works out at the same time never share a helper: each may wait for the other.
TEST(HelperThreads, WorksOutTogetherRunSideBySide) {
  StartHelperEarly();
  std::mutex mutex;
  std::condition_variable changed;
  int arrived = 0;
  std::atomic<int> metTheOther = 0;
  const auto meet = [&] {
    std::unique_lock lock(mutex);
    ++arrived;
    changed.notify_all();
    if (changed.wait_for(lock, std::chrono::seconds(10), [&] { return arrived == 3; })) {
      ++metTheOther;
    }
  };
  HelperThread a(meet), b(meet), c(meet);
  a.Join();
  b.Join();
  c.Join();
  EXPECT_EQ(metTheOther, 3);
}

TEST(HelperThreads, JoinWaitsForTheWorkAndLetsGoOfWhatItHeld) {
  const auto held = std::make_shared<int>(0);
  std::atomic<bool> finished = false;
  {
    HelperThread helper([held, &finished] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      finished = true;
    });
    HelperThread moved = std::move(helper);
    EXPECT_TRUE(moved.Joinable());
  }  // the destructor joins
  EXPECT_TRUE(finished);
  EXPECT_EQ(held.use_count(), 1);
}
