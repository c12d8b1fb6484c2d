// Files removed on a thread of their own while the run goes on: removing a
// long file frees its pages and blocks, which takes as long as writing a
// short one.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "support/helper_threads.h"

class BackgroundRemoval {
 public:
  // With `alongside` false each file is removed when it is added: for files
  // too short to pay for a thread.
  explicit BackgroundRemoval(bool alongside);
  // Waits until every file added is removed, removing those still waiting
  // alongside the thread.
  ~BackgroundRemoval();
  BackgroundRemoval(const BackgroundRemoval&) = delete;
  BackgroundRemoval& operator=(const BackgroundRemoval&) = delete;

  void Add(std::string path);
  // False when files are removed as they are added: a replace may then as
  // well remove the old file itself.
  bool Alongside() const { return thread_.Joinable(); }

 private:
  void RemoveFiles();

  std::mutex mutex_;
  std::condition_variable added_;
  std::deque<std::string> waiting_;
  bool closing_ = false;
  HelperThread thread_;
};
