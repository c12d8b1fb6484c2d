// Placeholder body; the real generator replaces it.
#include "web/editor_page.h"

void Create_GenericHTML(const std::string&) {}
