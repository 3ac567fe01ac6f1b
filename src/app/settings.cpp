#include "app/settings.h"

SettingsState Settings;

void ResetSettings() {}
void ReadStartSettings() {}
int ReadStartupTab() { return 0; }
void ReadSheetSettings(HWND) {}
void SaveSettings(HWND) {}
