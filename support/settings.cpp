#include "support/settings.h"

Settings processSettings;
