// Reading what windows show and what the shell would hear.
#ifndef TILEFOX_TESTS_SUPPORT_PROBES_H
#define TILEFOX_TESTS_SUPPORT_PROBES_H

#include <windows.h>

#include <string>
#include <vector>

// "Shell Icon Size" under the window metrics, as the shell reads it.
extern const char kMetricsKey[];
extern const char kIconSize[];
// A hidden top-level window that notes "Shell Icon Size" at every WM_WININICHANGE broadcast.
class IconSizeRecorder {
public:
    IconSizeRecorder();
    ~IconSizeRecorder();
    IconSizeRecorder(const IconSizeRecorder &) = delete;
    IconSizeRecorder &operator=(const IconSizeRecorder &) = delete;
    HWND Window() const { return window_; }
    std::vector<std::string> Seen;

private:
    HWND window_;
};

// The stand-in desktop (tools/progman_standin.cpp) in a process of its own, as Explorer is: a
// "Progman" window, its view and list view; the top window's text logs the keys and focus
// changes they get. Closed when it goes.
class StandInDesktop {
public:
    StandInDesktop() = default;
    ~StandInDesktop() { Stop(); }
    StandInDesktop(const StandInDesktop &) = delete;
    StandInDesktop &operator=(const StandInDesktop &) = delete;
    // Starts it and waits for its list view, which appears after the top window; the list view,
    // or null.
    HWND Start();
    void Stop();
    HWND Desktop() const { return desktop_; }
    HWND List() const { return list_; }

private:
    PROCESS_INFORMATION tool_ = {};
    HWND desktop_ = nullptr;
    HWND list_ = nullptr;
};

std::string WindowText(HWND window);
// The texts (UTF-8, after the control's id) of the dialog's controls that do not fit inside
// them in the dialog's font: a label, a button's face, a check box beside its box; with a page
// given, also the controls reaching beyond a page of that size.
std::vector<std::string> CutTexts(HWND dialog, const SIZE *page = nullptr);
std::string DlgItemText(HWND dialog, int id);
// No byte of a double-byte code page: what an English text shows.
bool IsPlainAscii(const std::string &text);
// A shell link at link that points to target.
void MakeShortcut(const std::string &link, const std::string &target);
// What an icon of classic/png/mixed.ico or pngicons.dll draws: "" none, "classic" their green 16-colour images,
// "png" their red PNG one; and by system line (a SystemLine), what their classic, PNG-only and mixed icons show.
std::string IconLook(HICON icon, int size = GetSystemMetrics(SM_CXICON));
struct LaterIconsRow { BYTE Line; const char *Shown[3]; };
extern const LaterIconsRow kLaterIcons[3];
extern const char *const kLaterIconFiles[3];
// Where the program's shortcut for the desktop labels goes in the Startup folder ("" when none).
std::string StartupShortcutPath();

#endif
