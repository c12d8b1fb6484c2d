// The to-do item record and the run's list of items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One to-do item; the field names are the list file's member names.
struct tVarno {
  int32_t ID = 0;
  bool Active = false;
  std::string Order;
  std::string Description;
  int32_t Days = 0;
  std::string Flags;
  int32_t Priority = 0;
  std::string Notes;
  std::string Status;
  std::string ETC;
  std::string Title;
  std::string DisplayTitle;  // derived from Title, never read from the file
  std::string Repeat;
  std::string DoToday;  // "" or the "yyyymmdd" stamp of the day it was marked for
  bool Public = false;
  // True while DisplayTitle is the expansion of the item as it stands, worked
  // out with the run's time once every member was read, so that writing the
  // list need not work it out again. Never read from or written to the file.
  bool DisplayTitleCurrent = false;
};

// The loaded list: the items, their counters and the header's list-level values.
struct tVarnoList {
  std::vector<tVarno> VarnoArray;
  int32_t iVarnoArrayCount = 0;
  int32_t iRecordsFromFile = 0;
  int32_t iActiveRecords = 0;
  int32_t iJSONStringListCount = 0;
  int32_t iNextIDFromJSON = 0;
  int32_t iMaxID = 0;
  int32_t iRecordFoundID = -1;
  int32_t iVarnoArrayLength = 0;

  std::string sSortBy = "Order";
  std::string sHeadTitle;
  std::string sLink;
  std::string sFeedLink;
  std::string sItemLinkLine;
  std::string sRSSOutput;
};
