// The item editor page, written once per list with its two dated copies.
#pragma once

#include <string>
#include <vector>

#include "support/date_time.h"

// The part of the page name before its first full stop; "" when it has none.
std::string EditorPageStem(const std::string& pageName);
// Whether the page for this name shows the Flags and the Priority field.
bool EditorPageHasFlags(const std::string& pageName);
bool EditorPageHasPriority(const std::string& pageName);
// The three files the page is written to, in order: the page itself, its copy
// for the month and its copy for the day of `now`.
std::vector<std::string> EditorPageFiles(const std::string& pageName, TDateTime now);

// The page text for the page name, the generation time text of the header
// and the created time text of the first console line.
std::string BuildGenericHTML(const std::string& pageName, const std::string& generationTime,
                             const std::string& createdTime);

// Writes the editor page `pageName` and its month and day copies.
void Create_GenericHTML(const std::string& pageName);
