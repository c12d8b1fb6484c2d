// Everything one run works on, from start-up to exit, in one record that each
// stage receives by reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/date_time.h"
#include "support/settings.h"
#include "tasklist/varno_item.h"

// Exit statuses of a run.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // an exception report was written
inline constexpr int kExitRefused = 2;  // the request was refused

// Thrown to skip the rest of the stages and go to the end of the run; not a failure.
struct EndOfRun {};

struct RunState {
  tLogRec LogRec;
  tExceptionRec ExceptionRec;

  std::vector<std::string> Args;  // the arguments, without the program name
  std::string ExeFileName;        // the running executable's file name

  std::string sToday;  // today as yyyymmdd

  // The request (see request.h).
  std::string sAllParams;
  std::string sParam1_JSONFile, sParam2_ID, sParam3_Attribute, sParam4_Value;
  bool RedoID = false;
  tVarno VarnoParam;

  // File names of the run, all derived from the list-file parameter.
  std::string sJSONFile, sCSVFile, sTodayCSVFile, sHTMLFile, sRSSHTMLFile;
  bool bNewJSONFile = false;

  tVarnoList List;
  // The loaded list file's text. Its room, with some to spare, then holds
  // each text the run writes in turn: memory in use already costs less than
  // fresh memory, and the list file is about as long as the longest text.
  std::string TextRoom;

  int ExitStatus = kExitOk;
};
