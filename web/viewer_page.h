// The list viewer page, rewritten by every run that loads a list.
#pragma once

#include <string>

#include "support/date_time.h"
#include "tasklist/list_files.h"

// The names the viewer page derives from its own name.
struct ViewerPageNames {
  std::string thisFile;      // the page name itself
  std::string titleStem;     // upper case, every "rss.html" removed
  std::string listFile;      // the list file the page reads
  std::string csvFile;       // the CSV export
  std::string todayCsvFile;  // the today CSV export
  std::string editorPage;    // the item editor page of the same list
};

ViewerPageNames ViewerPageNamesOf(const std::string& pageName);

// The page text for the page name, the generation time text of the header
// and the created time text of the first console line.
std::string ViewerPageText(const std::string& pageName, const std::string& generationTime,
                           const std::string& createdTime);

// Writes the list's viewer page, generated at `now`; the page reads the sort
// key from the list itself.
void WriteViewerPage(const ListFiles& files, DateTime now);
