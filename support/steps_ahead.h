// Steps that produce results for one consumer, run in order on a second
// thread so that producing the next result overlaps consuming this one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include "support/helper_threads.h"

class StepsAhead {
 public:
  // Step k starts once the consumer is done with step k - `roomsAhead` (the
  // step whose room it reuses). With `alongside` false every step runs on
  // the consumer's thread when it is waited for: for work too short to pay
  // for a thread.
  StepsAhead(std::vector<std::function<void()>> steps, size_t roomsAhead, bool alongside);
  // Abandons the steps not started and waits for the one running.
  ~StepsAhead();
  StepsAhead(const StepsAhead&) = delete;
  StepsAhead& operator=(const StepsAhead&) = delete;

  // Waits until `step` (taken in order) has run; rethrows what it threw.
  void WaitFor(size_t step);
  // The consumer is done with the result of `step`.
  void Done(size_t step);

 private:
  void RunSteps();

  std::vector<std::function<void()>> steps_;
  size_t roomsAhead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t finished_ = 0;  // steps that have run
  size_t done_ = 0;      // steps the consumer is done with
  bool abandoned_ = false;
  std::exception_ptr failure_;  // what step `finished_` threw
  HelperThread thread_;
};
