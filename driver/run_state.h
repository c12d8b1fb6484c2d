// What one run works on, from start-up to exit: its parts, each handed only to
// the stages that use it.
#pragma once

#include <string>
#include <vector>

#include "driver/request.h"
#include "platform/platform.h"
#include "support/run_clock.h"
#include "support/run_log.h"
#include "tasklist/item.h"
#include "tasklist/list_files.h"

// Exit statuses of a run.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // an exception report was written
inline constexpr int kExitRefused = 2;  // the request was refused

// Runs on one list take turns: each holds this lock file, beside the program
// and beside a list in another folder, waiting at most this long for it.
inline constexpr const char* kRunLockFile = "varno.lock";
inline constexpr int kRunLockWaitMilliseconds = 30000;

// Thrown to skip the rest of the stages and go to the end of the run; not a failure.
struct EndOfRun {};

struct RunState {
  std::vector<std::string> args;  // the arguments, without the program name
  RunLog log;
  RunClock clock;  // read once at start-up
  Request request;
  ListFiles files;
  bool newListFile = false;
  // The loaded list file's bytes, which the list's items refer to: they stay
  // as they were read for the whole run, and outlive them.
  platform::FileBytes listFile;
  ItemList list;
  // The lock beside a list in another folder, which a copy of the program
  // there (the web server's) takes too; null while none is held.
  platform::RunLock* listFolderLock = nullptr;
  std::string exceptionFileName;  // the exception report's, once written
  int exitStatus = kExitOk;
};
