// The request of a run: its four parameters, the renumbering switch, the file
// names derived from the list-file parameter and the request record.
#pragma once

#include <string>
#include <vector>

#include "driver/run_state.h"

// Joins the arguments (every "%23" becoming "#") and reads the four parameters
// from them. Keys are read only from a single argument (a web query string).
void ReadRequestParameters(RunState& run);

// Why the list-file parameter must be refused, or "" when it is acceptable.
std::string RefusalOfListFile(const RunState& run);

// Why the list file must be refused because only its name as passed (not
// lower-cased) exists, or "" when it is acceptable.
std::string RefusalOfListFileCase(const RunState& run);

// Derives the list file's name and those of the CSV exports.
void DeriveFileNames(RunState& run);
// The renumbering switch, the request record and the parameter report lines.
void PrepareRequestRecord(RunState& run);

// Name derivations shared with the page and publishing stages.
std::string EditorPageName(const std::string& sJSONFile);
std::string ViewerPageName(const std::string& sJSONFile);
std::string NewListFeedName(const std::string& sJSONFile);
