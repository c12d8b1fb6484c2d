#include "driver/request.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "support/text_helpers.h"
#include "support/whole_number.h"
#include "tasklist/list_files.h"

namespace {

struct ParameterRule {
  std::string Request::*parameter;
  const char* key;
  const char* stopText;
};

const ParameterRule kParameterRules[] = {
    {&Request::listFile, "jsonfile=", "&"},
    {&Request::id, "id=", "&"},
    {&Request::attribute, "attribute=", "&"},
    {&Request::value, "value=", "&_dc"},
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
  parameter = reported::DecodeUrlText(parameter);
}

}  // namespace

Request ReadRequestParameters(const std::vector<std::string>& args, RunLog& log) {
  Request request;
  for (const std::string& arg : args) request.allParams += ReplaceAll(arg, "%23", "#");
  log.Report(110, " sAllParams=\"" + request.allParams + "\"");

  // Keys belong to the web's query string; positional values are taken as
  // they stand, even when one happens to hold "id=" or another key.
  request.fromWeb = args.size() == 1;
  for (size_t i = 0; i < std::size(kParameterRules); ++i) {
    const ParameterRule& rule = kParameterRules[i];
    std::string& parameter = request.*rule.parameter;
    parameter = i < args.size() ? reported::DecodeUrlText(args[i]) : std::string();
    if (request.fromWeb) {
      ReadKeyedParameter(request.allParams, parameter, rule.key, rule.stopText);
    }
  }
  return request;
}

std::string RefusalOfListFile(const Request& request) {
  const std::string& name = request.listFile;
  // From the web the name must end in it: "notes.json.html" would make a list
  // file, and exports, that the web server hands out as pages.
  const bool json = request.fromWeb ? EndsWithNoCase(name, ".json")
                                    : FindNoCase(name, ".json") != std::string::npos;
  if (!json) return "the list file \"" + name + "\" must be a .json file";
  // A request from the web may only name a list beside the program.
  if (request.fromWeb && (Contains(name, "/") || Contains(name, "\\") || Contains(name, ":") ||
                          Contains(name, ".."))) {
    return "the list file \"" + name +
           "\" must not name a folder in a web request (a single argument is one; on the "
           "console, a list in another folder takes an empty second argument)";
  }
  // A name holding "&" or "=" reads as a request of its own wherever it is
  // handed on as a single argument; a control character has no place in a
  // file name.
  if (request.fromWeb && std::any_of(name.begin(), name.end(), [](char c) {
        return c == '&' || c == '=' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
      })) {
    return "the list file \"" + name +
           "\" must not hold \"&\", \"=\" or a control character in a web request";
  }
  return "";
}

bool AsksForUsage(const std::vector<std::string>& args) {
  return args.empty() ||
         (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?"));
}

std::string RefusalOfListFileCase(const Request& request, const std::string& listFile) {
  // The list is looked up under its lower-cased name; a file that exists only
  // under the name as passed must not be taken for a new, empty list.
  if (request.listFile == listFile || ListFileExists(listFile) ||
      !ListFileExists(request.listFile)) {
    return "";
  }
  return "the list file is looked up as \"" + listFile + "\", which does not exist, while \"" +
         request.listFile + "\" does; rename it to \"" + listFile + "\"";
}

std::string RefusalOfSharedExports(const Request& request, const std::string& listFile) {
  if (!request.fromWeb || !EndsWithNoCase(listFile, ".json") || ListFileExists(listFile)) {
    return "";
  }
  // "<x>today.csv" is both the today export of "<x>.json" and the CSV export
  // of "<x>today.json": a new list must not write over another's.
  const std::string stem = listFile.substr(0, listFile.size() - 5);
  std::vector<std::pair<std::string, std::string>> others;  // a list, the export it shares
  if (stem.ends_with("today")) others.emplace_back(stem.substr(0, stem.size() - 5), stem);
  others.emplace_back(stem + "today", stem + "today");
  for (const auto& [other, shared] : others) {
    if (!ListFileExists(other + ".json")) continue;
    return "the new list \"" + listFile + "\" would write over an export of the list \"" + other +
           ".json\" (\"" + shared + ".csv\"); name it otherwise";
  }
  return "";
}

void PrepareRequestRecord(Request& request, const std::vector<std::string>& args,
                          const std::string& listFile, RunLog& log) {
  log.trace = 600;
  request.redoId = args.size() >= 2 && UpperCase(args[1]) == "/REDOID";
  request.itemId = ParseIntOr(request.id, -1);
  const std::string id = std::to_string(request.itemId);
  log.Report(690, " VarnoParam.ID=" + id);
  log.trace = 800;
  request.value = ReplaceAll(ReplaceAll(request.value, "'", "%27"), "%20", " ");
  log.Report(810,
             " sParam1_JSONFile=\"" + request.listFile + "\" (sJSONFile=\"" + listFile + "\")");
  log.Report(820, " sParam2_ID=\"" + request.id + "\" (" + id + ")");
  log.Report(830, " sParam3_Attribute=\"" + request.attribute + "\"");
  log.Report(840, " sParam4_Value=\"" + request.value + "\"");
}
