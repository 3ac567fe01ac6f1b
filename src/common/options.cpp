#include "common/options.h"

#include "shellglue/paths.h"

SettingsState Settings;

void FreeRegistryBackups()
{
    FreeText(&Settings.BmpClassBackup);
    FreeText(&Settings.BmpIconBackup);
    FreeText(&Settings.CplIconBackup);
}
