// The seven tabs of the sheet, in their order.
#ifndef TILEFOX_TABS_H
#define TILEFOX_TABS_H

enum { TAB_COUNT = 7, LIST_TAB_COUNT = 5, TAB_DESKTOP = 0, TAB_GENERAL = 1, TAB_SPECIAL = 2,
       TAB_STARTMENU = 3, TAB_DRIVE = 4, TAB_SETTINGS1 = 5, TAB_SETTINGS2 = 6 };

#endif
