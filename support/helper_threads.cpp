#include "support/helper_threads.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

struct HelperWork {
  std::function<void()> run;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
};

namespace {

// A helper thread; it waits here for its next work.
struct Helper {
  std::mutex mutex;
  std::condition_variable handed;
  std::shared_ptr<HelperWork> work;  // null while it waits
};

// The helpers waiting for work. Neither they nor this list are ever freed:
// helpers wait on them until the process exits.
struct WaitingHelpers {
  std::mutex mutex;
  std::vector<Helper*> helpers;
};

WaitingHelpers& Waiting() {
  static WaitingHelpers* const kWaiting = new WaitingHelpers;
  return *kWaiting;
}

void PutBack(Helper* helper) {
  WaitingHelpers& waiting = Waiting();
  const std::lock_guard lock(waiting.mutex);
  waiting.helpers.push_back(helper);
}

bool AnyWaiting() {
  WaitingHelpers& waiting = Waiting();
  const std::lock_guard lock(waiting.mutex);
  return !waiting.helpers.empty();
}

Helper* TakeWaiting() {
  WaitingHelpers& waiting = Waiting();
  const std::lock_guard lock(waiting.mutex);
  if (waiting.helpers.empty()) return nullptr;
  Helper* helper = waiting.helpers.back();
  waiting.helpers.pop_back();
  return helper;
}

void Serve(Helper* helper) {
  for (;;) {
    std::shared_ptr<HelperWork> work;
    {
      std::unique_lock lock(helper->mutex);
      helper->handed.wait(lock, [helper] { return helper->work != nullptr; });
      work = std::move(helper->work);
    }
    work->run();
    // What the work holds is let go, and the helper is back among those
    // waiting, before its owner learns that the work is done.
    work->run = nullptr;
    PutBack(helper);
    {
      const std::lock_guard lock(work->mutex);
      work->done = true;
    }
    work->finished.notify_all();
  }
}

// Throws std::system_error when no thread can be had.
Helper* StartHelper() {
  auto* helper = new Helper;
  try {
    std::thread([helper] { Serve(helper); }).detach();
  } catch (...) {
    delete helper;
    throw;
  }
  return helper;
}

void Hand(Helper* helper, std::shared_ptr<HelperWork> work) {
  {
    const std::lock_guard lock(helper->mutex);
    helper->work = std::move(work);
  }
  helper->handed.notify_one();
}

}  // namespace

HelperThread::HelperThread(std::function<void()> work) {
  auto handed = std::make_shared<HelperWork>();
  handed->run = std::move(work);
  Helper* helper = TakeWaiting();
  if (helper == nullptr) helper = StartHelper();
  Hand(helper, handed);
  work_ = std::move(handed);
}

HelperThread::~HelperThread() {
  if (Joinable()) Join();
}

HelperThread& HelperThread::operator=(HelperThread&& other) noexcept {
  if (Joinable()) Join();
  work_ = std::move(other.work_);
  return *this;
}

void HelperThread::Join() {
  {
    std::unique_lock lock(work_->mutex);
    work_->finished.wait(lock, [this] { return work_->done; });
  }
  work_.reset();
}

void StartHelperEarly() {
  if (AnyWaiting()) return;
  try {
    PutBack(StartHelper());
  } catch (const std::system_error&) {
    // Work handed out later starts its own thread, or runs where it is.
  }
}
