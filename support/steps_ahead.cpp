#include "support/steps_ahead.h"

#include <system_error>

StepsAhead::StepsAhead(std::vector<std::function<void()>> steps, size_t roomsAhead, bool alongside)
    : steps_(std::move(steps)), roomsAhead_(roomsAhead) {
  if (!alongside) return;
  try {
    thread_ = HelperThread([this] { RunSteps(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): the steps run on the consumer's
    // thread, as for short work.
  }
}

StepsAhead::~StepsAhead() {
  if (!thread_.Joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    abandoned_ = true;
  }
  changed_.notify_all();
  thread_.Join();
}

void StepsAhead::RunSteps() {
  for (size_t step = 0; step < steps_.size(); ++step) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return abandoned_ || step < roomsAhead_ + done_; });
      if (abandoned_) return;
    }
    std::exception_ptr failure;
    try {
      steps_[step]();
    } catch (...) {
      failure = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      failure_ = failure;
      if (!failure) ++finished_;
    }
    changed_.notify_all();
    if (failure) return;
  }
}

void StepsAhead::WaitFor(size_t step) {
  if (!thread_.Joinable()) {
    // In order, on this thread.
    for (; finished_ <= step; ++finished_) steps_[finished_]();
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return finished_ > step || failure_; });
  if (finished_ <= step) std::rethrow_exception(failure_);
}

void StepsAhead::Done(size_t step) {
  {
    const std::lock_guard lock(mutex_);
    if (step + 1 > done_) done_ = step + 1;
  }
  changed_.notify_all();
}
