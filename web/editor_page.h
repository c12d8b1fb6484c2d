// The item editor page, written once per list with its two dated copies.
#pragma once

#include <string>

#include "support/date_time.h"
#include "tasklist/list_files.h"

// Whether the page for this name shows the Flags and the Priority field.
bool EditorPageHasFlags(const std::string& pageName);
bool EditorPageHasPriority(const std::string& pageName);
// The page text for the page name, the generation time text of the header
// and the created time text of the first console line.
std::string EditorPageText(const std::string& pageName, const std::string& generationTime,
                           const std::string& createdTime);

// Writes the list's editor page and its month and day copies, generated at `now`.
void WriteEditorPages(const ListFiles& files, DateTime now);
