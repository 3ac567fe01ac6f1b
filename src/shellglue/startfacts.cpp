#include "shellglue/startfacts.h"

StartupFacts Facts;
