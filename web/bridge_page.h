// The bridge page through which a web server hands browser requests to the program.
#pragma once

#include <string>

#include "support/date_time.h"

// The bridge page's file name.
inline constexpr const char* kBridgePageFile = "varno.asp";

// The page text for the given generation time text and executable folder.
std::string BridgePageText(const std::string& generationTime, const std::string& exeFolder);
// Writes the bridge page, generated at `now` for the program in `exeFolder`,
// into the current directory, replacing any file of that name.
void WriteBridgePage(const std::string& exeFolder, DateTime now);
