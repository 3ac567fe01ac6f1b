#include "app/instance.h"

void OfferCopiedIcon(HWND) {}
