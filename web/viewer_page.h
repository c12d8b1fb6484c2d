// The list viewer page, rewritten by every run that loads a list.
#pragma once

#include <string>

// Writes the viewer page `pageName`; the sort key is read by the page itself.
void Create_GenericRSSHTML(const std::string& pageName, const std::string& sortBy);
