// The request of a run: its four parameters and the renumbering switch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/run_log.h"

struct Request {
  std::string allParams;  // the arguments joined, as the log shows them
  std::string listFile;   // the list file's name as requested
  std::string id;         // the item's ID as requested
  std::string attribute;
  std::string value;
  int32_t itemId = -1;   // `id` as a number, -1 when it is none
  bool redoId = false;   // renumber the items as the list is written
  bool fromWeb = false;  // a single argument: a web query string
};

// True for a run that asks for the usage text: no arguments, or only "--help",
// "-h" or "/?", which name no list.
bool AsksForUsage(const std::vector<std::string>& args);

// Joins the arguments (every "%23" becoming "#") and reads the four parameters
// from them. Keys are read only from a single argument (a web query string).
Request ReadRequestParameters(const std::vector<std::string>& args, RunLog& log);

// Why the list-file parameter must be refused, or "" when it is acceptable.
std::string RefusalOfListFile(const Request& request);

// Why the list file `listFile` (the lower-cased name) must be refused because
// only its name as requested exists, or "" when it is acceptable.
std::string RefusalOfListFileCase(const Request& request, const std::string& listFile);

// Why a new list named from the web must be refused because one of its
// exports is an export of another list, or "" when none is.
std::string RefusalOfSharedExports(const Request& request, const std::string& listFile);

// The renumbering switch, the item's ID and the parameter report lines.
void PrepareRequestRecord(Request& request, const std::vector<std::string>& args,
                          const std::string& listFile, RunLog& log);
