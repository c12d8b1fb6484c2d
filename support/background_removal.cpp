#include "support/background_removal.h"

#include <system_error>

#include "platform/platform.h"

BackgroundRemoval::BackgroundRemoval(bool alongside) {
  if (!alongside) return;
  try {
    thread_ = HelperThread([this] { RemoveFiles(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): each file goes when it is added.
  }
}

BackgroundRemoval::~BackgroundRemoval() {
  if (!thread_.Joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  added_.notify_one();
  // The files still waiting are shared out between both threads.
  RemoveFiles();
  thread_.Join();
}

void BackgroundRemoval::Add(std::string path) {
  if (!thread_.Joinable()) {
    platform::RemoveFile(path);
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    waiting_.push_back(std::move(path));
  }
  added_.notify_one();
}

void BackgroundRemoval::RemoveFiles() {
  std::unique_lock lock(mutex_);
  for (;;) {
    added_.wait(lock, [&] { return closing_ || !waiting_.empty(); });
    if (waiting_.empty()) return;
    const std::string path = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    // A file that cannot be removed is a leftover the next run removes.
    platform::RemoveFile(path);
    lock.lock();
  }
}
