// The item editor page, written once per list with its two dated copies.
#pragma once

#include <string>

// Writes the editor page `pageName` and its month and day copies.
void Create_GenericHTML(const std::string& pageName);
