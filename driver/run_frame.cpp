#include "driver/run_frame.h"

#include <cstdio>
#include <exception>

#include "driver/run_stages.h"
#include "platform/platform.h"
#include "support/date_time.h"
#include "support/exception_report.h"
#include "support/failures.h"
#include "support/host_facts.h"
#include "support/settings.h"
#include "support/text_helpers.h"
#include "support/utf8_text.h"

void StartUp(RunState& run) {
  run.log.trace = 100;
  reported::EnterProgramFolder();
  processSettings.selfName = kSelfName;
  processSettings.version = kVersion;
  processSettings.hostName = reported::HostName();
  processSettings.exceptionFilePattern = kExceptionFilePattern;
  ConsoleLine("");
  const std::string exeFileName = reported::FileNameOf(platform::ExecutablePath());
  run.log.Start("100 " + exeFileName + " v" + kVersion);
  run.log.trace = 110;
  run.clock = ReadRunClock();
}

namespace {

void ReportFailure(RunState& run, const std::string& className, const std::string& message) {
  FailureRecord rec;
  rec.function = "Main()";
  rec.className = className;
  rec.message = message;
  rec.trace = run.log.trace;
  rec.notes = run.log.notes;
  rec.count = 0;
  rec.fileName = processSettings.exceptionFilePattern;
  rec.beep = true;
  run.exceptionFileName = WriteExceptionReport(rec);
  run.log.Report(9900, " ExceptionRec.FileName=" + run.exceptionFileName);
  run.exitStatus = kExitFailure;
}

}  // namespace

int RunProtected(RunState& run, const StageFunction& stages) {
  try {
    stages(run);
  } catch (const EndOfRun&) {
    // The usage text, the empty-list error and refusals end the run here.
  } catch (const std::exception& e) {
    ReportFailure(run, FailureClassName(e), e.what());
  } catch (...) {
    ReportFailure(run, "Exception", "Unknown failure");
  }
  run.log.Report(9999, " finally done!");
  std::fflush(stdout);
  return run.exitStatus;
}

int RunVarno(RunState& run, const std::vector<std::string>& args) {
  run.args = args;
  // Each argument is text in UTF-8; one typed in an older code page is taken
  // as Windows-1252.
  for (std::string& arg : run.args) MakeUtf8(arg);
  // Runs are serialised: a run waits for the one before it, so two requests
  // close together never lose a change. The lock lives beside the program;
  // a list in another folder is locked there too, once it is named.
  reported::EnterProgramFolder();
  bool busy = false;
  platform::RunLock* lock = platform::AcquireRunLock(kRunLockFile, kRunLockWaitMilliseconds, busy);
  if (lock == nullptr) {
    if (busy) {
      ConsoleLine(" ERROR: Another run kept the lock \"" + std::string(kRunLockFile) +
                  "\" for too long; nothing was changed.");
      return kExitRefused;
    }
    // A lock file that cannot even be opened (a read-only folder) is no
    // other run's doing, and the run cannot save anything there; a run
    // without arguments (or asking for help) changes nothing and still shows
    // its usage text. A file system without locks (NFS without its lock
    // service) leaves runs unserialised, as they would be without a lock.
    if (!AsksForUsage(run.args) && !platform::CanOpenForAppending(kRunLockFile)) {
      ConsoleLine(" ERROR: Cannot open the lock file \"" + std::string(kRunLockFile) +
                  "\" beside the program (is its folder read-only?); nothing was changed.");
      return kExitFailure;
    }
  }
  platform::RemoveStaleTemporaryFiles(".");
  const int status = RunProtected(run, [](RunState& r) {
    StartUp(r);
    RunStages(r);
  });
  platform::ReleaseRunLock(run.listFolderLock);
  run.listFolderLock = nullptr;
  platform::ReleaseRunLock(lock);
  return status;
}
