#include "driver/run_stages.h"

#include <string>

#include "platform/platform.h"
#include "publish/publishing_pass.h"
#include "support/host_facts.h"
#include "support/settings.h"
#include "tasklist/item_update.h"
#include "tasklist/list_loader.h"
#include "tasklist/ordering.h"
#include "web/bridge_page.h"
#include "web/editor_page.h"
#include "web/viewer_page.h"

namespace {

// Ends the run with a clear error line and the status of a refused request.
[[noreturn]] void Refuse(RunState& run, const std::string& why) {
  run.log.ReportAtCurrentTrace(" ERROR: Request refused: " + why + ".");
  run.exitStatus = kExitRefused;
  throw EndOfRun{};
}

void WriteBridgePageWhenMissing(const RunClock& clock, RunLog& log) {
  log.trace = 200;
  if (reported::ExistsBesideProgram(kBridgePageFile)) return;
  log.Report(210, " Writing varno.asp.");
  log.trace = 250;
  WriteBridgePage(processSettings.exeFolder, clock.now);
}

// Traces 300 to 490: a run without arguments, or asking for help, prints the
// usage text and ends.
void EndRunWithoutArguments(RunState& run) {
  run.log.trace = 300;
  run.log.notes = "ParamCount=" + std::to_string(run.args.size());
  if (!AsksForUsage(run.args)) return;
  run.log.trace = 310;
  LogOnly(" ParamCount=" + std::to_string(run.args.size()));
  WriteUsageText();
  run.log.trace = 490;
  throw EndOfRun{};
}

// A list whose file lies in another folder (named with a folder, or linked
// beside the program) is locked there as well: runs of a copy of the program
// in that folder, such as the web server's, then wait for this one. Where no
// lock can be had for another reason (no lock file can be made there, or the
// file system offers no locks) the run goes on unserialised there: a folder
// where no lock file can be made is one where the list cannot be replaced
// either.
void LockListFolder(RunState& run) {
  std::string lockFile = platform::FolderHoldingFile(run.files.list);
  if (platform::SameFile(lockFile, ".")) return;
  if (lockFile.back() != platform::PathSeparator()) lockFile += platform::PathSeparator();
  lockFile += kRunLockFile;
  bool busy = false;
  run.listFolderLock = platform::AcquireRunLock(lockFile, kRunLockWaitMilliseconds, busy);
  if (busy) {
    run.log.ReportAtCurrentTrace(" ERROR: Another run kept the lock \"" + lockFile +
                                 "\" for too long; nothing was changed.");
    run.exitStatus = kExitRefused;
    throw EndOfRun{};
  }
}

// Traces 500 to 840: the list file's name checked, its files named, the
// request's report lines.
void ReadTheListRequest(RunState& run) {
  run.log.trace = 500;
  run.log.notes = "sParam1_JSONFile=" + run.request.listFile;
  ConsoleLine("");
  if (const std::string why = RefusalOfListFile(run.request); !why.empty()) Refuse(run, why);
  run.files = NameListFiles(run.request.listFile, run.clock.now);
  LockListFolder(run);
  // A list in another folder (a console run) has its own leftovers of
  // interrupted replaces; the program's folder was cleaned at start-up.
  const std::string& listFile = run.files.list;
  if (const size_t slash = listFile.find_last_of("/\\"); slash != std::string::npos) {
    platform::RemoveStaleTemporaryFiles(listFile.substr(0, slash + 1));
  }
  PrepareRequestRecord(run.request, run.args, listFile, run.log);
}

// Trace 1000: the item editor page, written once per list.
void WriteEditorPagesWhenMissing(const ListFiles& files, const RunClock& clock, RunLog& log) {
  log.trace = 1000;
  // A page of another list may bear the name the page is written to (the
  // name is cut at its first full stop: "homerss.x" writes "homerss.html").
  if (ListFileExists(files.editorPage) || ListFileExists(files.editorPageFiles.front())) {
    log.Report(1000, " Skipping \"" + files.editorPage + "\".");
    return;
  }
  log.Report(1010, " Writing \"" + files.editorPage + "\".");
  WriteEditorPages(files, clock.now);
}

// A list file that does not end as a list ends is cut short: another program
// is writing it in place (a copy over it, an editor saving), or it was cut.
// Rewriting it would keep only the items before the cut, and its copies
// would lose the others too.
void RefuseListCutShort(RunState& run) {
  // A text with neither items nor "NextID" is no list; nothing is rewritten
  // from it without a change, and a change to it is refused as such.
  const ItemList& list = run.list;
  if (list.endsClosed || (list.items.empty() && !list.holdsNextId)) return;
  Refuse(run, "\"" + run.files.list +
                  "\" does not end as a list ends, with \"]\" and \"}\": it is cut short, or "
                  "another program is still writing it, so rewriting it would lose items; "
                  "nothing was changed");
}

// A list file laid out otherwise than one member per line (by another
// program) has items the loader cannot read: rewriting it would lose them,
// and its copies with them.
void RefuseListItCannotRead(RunState& run) {
  if (run.list.unreadableLine == 0) return;
  Refuse(run, "\"" + run.files.list +
                  "\" is not laid out as this program writes a list, one member per line: it "
                  "cannot read line " +
                  std::to_string(run.list.unreadableLine) +
                  ", so rewriting the list would lose items; nothing was changed");
}

// A file without items that no run made a list (it holds no "NextID": a
// settings file, say, named by mistake) is not turned into a list holding
// just the item of a change.
void RefuseToMakeAListOfAnotherFile(RunState& run) {
  const ItemList& list = run.list;
  if (!list.items.empty() || list.holdsNextId || run.request.itemId <= 0) return;
  Refuse(run, "\"" + run.files.list +
                  "\" holds no items and no \"NextID\", so it is not a list, and this request "
                  "would replace it with one; nothing was changed");
}

// Trace 6900: a list without items ends the run here, with exit status 0.
void EndRunWhenListIsEmpty(const ItemList& list, const std::string& listFile, RunLog& log) {
  log.trace = 6900;
  if (!list.items.empty()) return;
  ConsoleLine("");
  ConsoleLine(" ERROR: No records were loaded from \"" + listFile +
              "\"! Is this the correct file?");
  LogOnly(" ERROR: No records were loaded from \"" + listFile + "\"");
  throw EndOfRun{};
}

}  // namespace

void WriteUsageText() {
  static const char* const kUsage[] = {
      " Usage: Varno JsonFile {Update_ID} {Update_Attribute} {Update_Value} ",
      "        Varno JsonFile /redoid ",
      " Eg: Varno Varno.JSON 1 \"Title\" \"TEST TITLE\"",
      "",
      " JsonFile wildcards:-",
      "   %DTG% - Days to go of the varno event (based on 1st 8 char being YYYYMMDD)",
      "   %DOW% - Day of the Week of the varno event (based on 1st 8 char being",
      "           YYYYMMDD)",
      "   %DAYS% - The Duration in days",
      "   %ID%   - The Item ID",
      "   %PRTY% - The Item Priority",
      "   %RPT%  - The Item Repeat",
      "",
      " Note: the Varno.asp is called by the browser to execure the varno event. This",
      "       requires the ASP feature to be enabled in IIS.",
  };
  for (const char* line : kUsage) ConsoleLine(line);
}

void RunStages(RunState& run) {
  RunLog& log = run.log;
  run.request = ReadRequestParameters(run.args, log);
  WriteBridgePageWhenMissing(run.clock, log);
  EndRunWithoutArguments(run);
  ReadTheListRequest(run);

  const ListFiles& files = run.files;
  log.trace = 910;
  if (const std::string why = RefusalOfListFileCase(run.request, files.list); !why.empty()) {
    Refuse(run, why);
  }
  if (const std::string why = RefusalOfSharedExports(run.request, files.list); !why.empty()) {
    Refuse(run, why);
  }
  run.newListFile = CreateListFileWhenMissing(files, run.clock.now, run.list, log);
  WriteEditorPagesWhenMissing(files, run.clock, log);
  LoadListFile({files.list, run.newListFile, run.clock}, run.listFile, run.list, log);
  RefuseListCutShort(run);
  RefuseListItCannotRead(run);
  RefuseToMakeAListOfAnotherFile(run);
  FinishListLink(run.list, log);
  log.Report(5040, " Writing \"" + files.viewerPage + "\" SortBy=\"" + run.list.sortBy + "\"");
  WriteViewerPage(files, run.clock.now);
  const ItemChange change{run.request.itemId, run.request.attribute, run.request.value};
  UpdateOrInsertItem(run.list, change, run.request.listFile, run.clock, log);
  OrderList(run.list, run.request.redoId, log);
  EndRunWhenListIsEmpty(run.list, files.list, log);
  Publishing pass{run.list, files, run.clock, run.request.redoId, log};
  RunPublishingPass(pass);
}
