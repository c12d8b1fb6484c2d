#include "support/settings.h"

tGlobalSettings GlobalSettings;
