// What the entry sets up before a sheet runs: a settings file in a fresh temp folder, the
// caption, the system folder, the options at their built-in values, no copied icon. The
// program-wide state it found is put back when it goes.
#ifndef TILEFOX_TESTS_SUPPORT_APPSETUP_H
#define TILEFOX_TESTS_SUPPORT_APPSETUP_H

#include <windows.h>

#include <string>

#include "common/appstate.h"
#include "common/options.h"
#include "shellglue/startfacts.h"

class AppSetup {
public:
    explicit AppSetup(const char *tag = "app");
    ~AppSetup();
    AppSetup(const AppSetup &) = delete;
    AppSetup &operator=(const AppSetup &) = delete;

    const std::string &Dir() const { return dir_; }
    // SystemDirPath: the real system folder (null), or a folder of the test's own.
    void UseSystemDir(const char *folder);
    // The sheet, modeless, once the start tab is filled: with the program's own pages, or with
    // the given ones. It is destroyed, if still there, when the set-up goes.
    HWND OpenSheet(int startTab, const struct ContentPage *pages = nullptr);
    HWND Sheet() const { return sheet_; }
    // OpenSheet, then the time for every other list to fill and the settings page to be read:
    // they follow one another while the queue is served.
    HWND OpenFilledSheet(int startTab = 0);
    // A settings file that keeps the shell untold of Apply and the drive message away.
    void KeepShellUntold();

private:
    std::string dir_;
    HWND sheet_ = nullptr;
    char *systemDir_ = nullptr;   // the frame frees it with the sheet
    AppState savedApp_;
    SettingsState savedSettings_;
    StartupFacts savedFacts_;
};

// Pages that show nothing, for the frame alone.
INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM);
const struct ContentPage *QuietPages();

#endif
