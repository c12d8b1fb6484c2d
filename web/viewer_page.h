// The list viewer page, rewritten by every run that loads a list.
#pragma once

#include <string>

// The names the viewer page derives from its own name.
struct tViewerPageNames {
  std::string ThisFile;      // the page name itself
  std::string TitleStem;     // upper case, every "rss.html" removed
  std::string JSONFile;      // the list file the page reads
  std::string CSVFile;       // the CSV export
  std::string TodayCSVFile;  // the today CSV export
  std::string EditorPage;    // the item editor page of the same list
};

tViewerPageNames ViewerPageNames(const std::string& pageName);

// The page text for the page name, the generation time text of the header
// and the created time text of the first console line.
std::string BuildGenericRSSHTML(const std::string& pageName, const std::string& generationTime,
                                const std::string& createdTime);

// Writes the viewer page `pageName`; the sort key is read by the page itself.
void Create_GenericRSSHTML(const std::string& pageName, const std::string& sortBy);
