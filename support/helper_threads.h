// Threads that do a run's work alongside its own. A helper whose work is done
// waits for the next, so that work handed out later in the run starts on a
// thread that is running already: starting a thread can take milliseconds on
// a busy or virtual machine, waking one that waits takes less.
#pragma once

#include <functional>
#include <memory>

struct HelperWork;

// One piece of work on a helper thread; joined like a thread.
class HelperThread {
 public:
  HelperThread() = default;
  // Hands `work` to a waiting helper, or to a new one. Throws
  // std::system_error when no thread can be had.
  explicit HelperThread(std::function<void()> work);
  // Waits for work still under way.
  ~HelperThread();
  HelperThread(HelperThread&& other) noexcept = default;
  HelperThread& operator=(HelperThread&& other) noexcept;
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // True from handing the work out until Join().
  bool Joinable() const { return work_ != nullptr; }
  // Waits until the work has run.
  void Join();

 private:
  std::shared_ptr<HelperWork> work_;
};

// Starts a helper that waits for work, unless one waits already: work about
// to be handed out then need not wait for a thread to start. No thread to be
// had is no failure here.
void StartHelperEarly();
