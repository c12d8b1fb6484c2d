#include "driver/request.h"

#include "driver/progress.h"
#include "support/text_helpers.h"
#include "support/whole_number.h"
#include "tasklist/list_loader.h"
#include "tasklist/varno_item.h"

namespace {

struct ParameterRule {
  std::string RunState::*parameter;
  const char* key;
  const char* stopText;
};

const ParameterRule kParameterRules[] = {
    {&RunState::sParam1_JSONFile, "jsonfile=", "&"},
    {&RunState::sParam2_ID, "id=", "&"},
    {&RunState::sParam3_Attribute, "attribute=", "&"},
    {&RunState::sParam4_Value, "value=", "&_dc"},
};

// Reads one keyed parameter out of the joined query string, removing what it took.
void ReadKeyedParameter(std::string& allParams, std::string& parameter, const char* key,
                        const char* stopText) {
  const size_t keyAt = LowerCase(allParams).find(key);
  if (keyAt == std::string::npos) return;
  parameter = allParams.substr(keyAt + std::string(key).size());
  const size_t stopAt = parameter.find(stopText);
  if (stopAt == std::string::npos) return;
  parameter.resize(stopAt);
  allParams = ReplaceFirstNoCase(allParams, key + parameter + "&", "");
  parameter = URLDecodeText(parameter);
}

}  // namespace

void ReadRequestParameters(RunState& run) {
  run.sAllParams.clear();
  for (const std::string& arg : run.Args) run.sAllParams += ReplaceAll(arg, "%23", "#");
  Report(run, 110, " sAllParams=\"" + run.sAllParams + "\"");

  // Keys belong to the web's query string; positional values are taken as
  // they stand, even when one happens to hold "id=" or another key.
  const bool queryString = run.Args.size() == 1;
  for (size_t i = 0; i < std::size(kParameterRules); ++i) {
    const ParameterRule& rule = kParameterRules[i];
    std::string& parameter = run.*rule.parameter;
    parameter = i < run.Args.size() ? URLDecodeText(run.Args[i]) : std::string();
    if (queryString) ReadKeyedParameter(run.sAllParams, parameter, rule.key, rule.stopText);
  }
}

std::string RefusalOfListFile(const RunState& run) {
  const std::string& name = run.sParam1_JSONFile;
  if (FindNoCase(name, ".json") == std::string::npos) {
    return "the list file \"" + name + "\" must be a .json file";
  }
  // A request from the web may only name a list beside the program.
  if (run.Args.size() == 1 && (Contains(name, "/") || Contains(name, "\\") || Contains(name, ":") ||
                               Contains(name, ".."))) {
    return "the list file \"" + name + "\" must not name a folder";
  }
  return "";
}

std::string RefusalOfListFileCase(const RunState& run) {
  // The list is looked up under its lower-cased name; a file that exists only
  // under the name as passed must not be taken for a new, empty list.
  if (run.sParam1_JSONFile == run.sJSONFile || ListFileExists(run.sJSONFile) ||
      !ListFileExists(run.sParam1_JSONFile)) {
    return "";
  }
  return "the list file is looked up as \"" + run.sJSONFile + "\", which does not exist, while \"" +
         run.sParam1_JSONFile + "\" does; rename it to \"" + run.sJSONFile + "\"";
}

void DeriveFileNames(RunState& run) {
  run.sJSONFile = LowerCase(run.sParam1_JSONFile);
  run.sCSVFile = ReplaceFirstNoCase(run.sJSONFile, ".json", ".csv");
  run.sTodayCSVFile = ReplaceFirstNoCase(run.sJSONFile, ".json", "today.csv");
}

std::string EditorPageName(const std::string& sJSONFile) {
  return LowerCase(ReplaceAllNoCase(sJSONFile, ".json", ".html"));
}

std::string ViewerPageName(const std::string& sJSONFile) {
  return LowerCase(ReplaceAllNoCase(sJSONFile, ".json", "rss.html"));
}

std::string NewListFeedName(const std::string& sJSONFile) {
  return ReplaceFirstNoCase(ExtractFileName(sJSONFile), ".json", "rss.xml");
}

void PrepareRequestRecord(RunState& run) {
  run.LogRec.Trace = 600;
  run.RedoID = run.Args.size() >= 2 && UpperCase(run.Args[1]) == "/REDOID";
  const int32_t id = StrToIntDef(run.sParam2_ID, -1);
  run.VarnoParam = tVarno{};
  run.VarnoParam.ID = id;
  run.VarnoParam.Active = true;
  run.VarnoParam.Order = "00000";
  Report(run, 690, " VarnoParam.ID=" + std::to_string(id));
  run.LogRec.Trace = 700;
  run.LogRec.Trace = 800;
  run.sParam4_Value = ReplaceAll(ReplaceAll(run.sParam4_Value, "'", "%27"), "%20", " ");
  Report(
      run, 810,
      " sParam1_JSONFile=\"" + run.sParam1_JSONFile + "\" (sJSONFile=\"" + run.sJSONFile + "\")");
  Report(run, 820, " sParam2_ID=\"" + run.sParam2_ID + "\" (" + std::to_string(id) + ")");
  Report(run, 830, " sParam3_Attribute=\"" + run.sParam3_Attribute + "\"");
  Report(run, 840, " sParam4_Value=\"" + run.sParam4_Value + "\"");
}
