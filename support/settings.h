// Process-wide settings and the small records every stage shares.
#pragma once

#include <cstdint>
#include <string>

// The program's fixed identity.
inline constexpr const char* kSelfName = "VARNO";
inline constexpr const char* kVersion = "2025.10.3.1353";
inline constexpr const char* kExceptionFilePattern = "E!Varno-{timestamp}.xml";
// The run log's file name, in the executable's folder.
inline constexpr const char* kRunLogFile = "varno-log.txt";

struct Settings {
  std::string selfName;
  std::string version;
  std::string hostName;
  std::string exceptionFilePattern;
  std::string exeFolder;  // the executable's folder, ending in the path separator
  int16_t noticeSequence = 0;
};

// The one settings record of the process, filled at start-up.
extern Settings processSettings;

// A progress record: the current checkpoint and the last message built.

// One caught failure, as handed to the exception report writer.
struct FailureRecord {
  std::string function;
  std::string className;
  std::string message;
  int32_t trace = 0;
  std::string sql;
  std::string callingFunction;
  std::string notes;
  std::string fileName;
  bool beep = false;
  int32_t count = 0;
};
