#include "driver/run_stages.h"

#include <string>

#include "driver/progress.h"
#include "driver/request.h"
#include "platform/platform.h"
#include "publish/publishing_pass.h"
#include "support/date_time.h"
#include "support/host_facts.h"
#include "tasklist/item_update.h"
#include "tasklist/list_loader.h"
#include "tasklist/ordering.h"
#include "web/bridge_page.h"
#include "web/editor_page.h"
#include "web/viewer_page.h"

namespace {

// Ends the run with a clear error line and the status of a refused request.
[[noreturn]] void Refuse(RunState& run, const std::string& why) {
  ReportAtCurrentTrace(run, " ERROR: Request refused: " + why + ".");
  run.ExitStatus = kExitRefused;
  throw EndOfRun{};
}

void WriteBridgePageWhenMissing(RunState& run) {
  run.LogRec.Trace = 200;
  if (FileExists(kBridgePageFile)) return;
  Report(run, 210, " Writing varno.asp.");
  run.LogRec.Trace = 220;
  run.LogRec.Trace = 250;
  Create_VarnoASP();
}

// Trace 1000: the item editor page, written once per list.
void WriteEditorPageWhenMissing(RunState& run) {
  run.LogRec.Trace = 1000;
  run.sHTMLFile = EditorPageName(run.sJSONFile);
  if (ListFileExists(run.sHTMLFile)) {
    Report(run, 1000, " Skipping \"" + run.sHTMLFile + "\".");
    return;
  }
  Report(run, 1010, " Writing \"" + run.sHTMLFile + "\".");
  Create_GenericHTML(run.sHTMLFile);
}

// Trace 5040: the list viewer page, rewritten by every run that loads a list.
void WriteViewerPage(RunState& run) {
  Report(run, 5040, " Writing \"" + run.sRSSHTMLFile + "\" SortBy=\"" + run.List.sSortBy + "\"");
  Create_GenericRSSHTML(run.sRSSHTMLFile, run.List.sSortBy);
}

// Trace 6900: a list without items ends the run here, with exit status 0.
void EndRunWhenListIsEmpty(RunState& run) {
  run.LogRec.Trace = 6900;
  if (run.List.iVarnoArrayCount > 0) return;
  ConsoleLine("");
  ConsoleLine(" ERROR: No records were loaded from \"" + run.sJSONFile +
              "\"! Is this the correct file?");
  LogOnly(" ERROR: No records were loaded from \"" + run.sJSONFile + "\"");
  throw EndOfRun{};
}

}  // namespace

void WriteUsageText(RunState& run) {
  static const struct {
    int trace;
    const char* line;
  } kUsage[] = {
      {320, " Usage: Varno JsonFile {Update_ID} {Update_Attribute} {Update_Value} "},
      {330, "        Varno JsonFile /redoid "},
      {335, " Eg: Varno Varno.JSON 1 \"Title\" \"TEST TITLE\""},
      {340, ""},
      {345, " JsonFile wildcards:-"},
      {350, "   %DTG% - Days to go of the varno event (based on 1st 8 char being YYYYMMDD)"},
      {360, "   %DOW% - Day of the Week of the varno event (based on 1st 8 char being"},
      {370, "           YYYYMMDD)"},
      {380, "   %DAYS% - The Duration in days"},
      {390, "   %ID%   - The Item ID"},
      {400, "   %PRTY% - The Item Priority"},
      {405, "   %RPT%  - The Item Repeat"},
      {410, ""},
      {415, " Note: the Varno.asp is called by the browser to execure the varno event. This"},
      {420, "       requires the ASP feature to be enabled in IIS."},
  };
  for (const auto& usage : kUsage) {
    run.LogRec.Trace = usage.trace;
    ConsoleLine(usage.line);
  }
}

void RunStages(RunState& run) {
  ReadRequestParameters(run);
  WriteBridgePageWhenMissing(run);

  run.LogRec.Trace = 300;
  run.ExceptionRec.Notes = "ParamCount=" + std::to_string(run.Args.size());
  if (run.Args.empty()) {
    run.LogRec.Trace = 310;
    LogOnly(" ParamCount=0");
    WriteUsageText(run);
    run.LogRec.Trace = 490;
    throw EndOfRun{};
  }

  run.LogRec.Trace = 500;
  run.ExceptionRec.Notes = "sParam1_JSONFile=" + run.sParam1_JSONFile;
  ConsoleLine("");
  if (const std::string why = RefusalOfListFile(run); !why.empty()) Refuse(run, why);
  DeriveFileNames(run);
  // A list in another folder (a console run) has its own leftovers of
  // interrupted replaces; the program's folder was cleaned at start-up.
  if (const size_t slash = run.sJSONFile.find_last_of("/\\"); slash != std::string::npos) {
    platform::RemoveStaleTemporaryFiles(run.sJSONFile.substr(0, slash + 1));
  }
  PrepareRequestRecord(run);

  // One clock reading serves every stage, so a run straddling midnight still
  // sees one day.
  const TDateTime now = Now();
  run.LogRec.Trace = 900;
  run.LogRec.Trace = 910;
  if (const std::string why = RefusalOfListFileCase(run); !why.empty()) Refuse(run, why);
  CreateListFileWhenMissing(run, now);
  WriteEditorPageWhenMissing(run);
  run.sRSSHTMLFile = ViewerPageName(run.sJSONFile);
  LoadListFile(run, now);
  FinishListLink(run);
  WriteViewerPage(run);
  UpdateOrInsertItem(run, now);
  OrderList(run);
  EndRunWhenListIsEmpty(run);
  RunPublishingPass(run, now);
}
