// Placeholder body; the real generator replaces it.
#include "web/viewer_page.h"

void Create_GenericRSSHTML(const std::string&, const std::string&) {}
