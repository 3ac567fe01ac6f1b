// Shared helpers of the test programs: fixture files, scratch registry keys, text conversion,
// and a short message pump for window tests.
#ifndef TILEFOX_TESTING_H
#define TILEFOX_TESTING_H

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

// Folder of the test program (with trailing backslash) and its fixtures folder.
std::string TestBinDir();
std::string FixturePath(const char *name);
// A new empty folder under the Wine prefix's temp folder; removed by RemoveTree.
std::string MakeTempDir(const char *tag);
void RemoveTree(const std::string &path);
bool WriteFileText(const std::string &path, const std::string &text);
// The text cut at each newline; a last empty part where it ends in one.
std::vector<std::string> SplitLines(const std::string &text);
std::string ReadFileText(const std::string &path);
// The system folder with a backslash at the end; the Windows folder without one.
std::string SystemDir();
std::string WindowsDir();

// UTF-8 source text to the ANSI code page (932 in the test bed), and back.
std::string Ansi(const char *utf8);
std::string Utf8(const std::string &ansi);
// UTF-16 text, as later Windows write DESKTOP.INI, with its byte-order mark unless told.
std::string Utf16(const std::string &ascii, const char *mark = "\xFF\xFE");

void DeleteRegTree(HKEY root, const char *subkey);
void SetRegString(HKEY root, const char *subkey, const char *name, const char *text, DWORD type = REG_SZ);
void SetRegBinary(HKEY root, const char *subkey, const char *name, const void *data, DWORD size, DWORD type);
bool RegValueExists(HKEY root, const char *subkey, const char *name);
bool RegKeyExists(HKEY root, const char *subkey);
std::string GetRegString(HKEY root, const char *subkey, const char *name);
// The value's text, or "(absent)"; view: KEY_WOW64_64KEY or _32KEY for one view of WoW64.
std::string RegValueOrAbsent(HKEY root, const char *subkey, const char *name, REGSAM view = 0);
void DeleteRegValue(HKEY root, const char *subkey, const char *name);

// Registry subtrees and single values as they were; put back, whatever a test left in their
// place, when it goes (last saved first).
class SavedRegistry {
public:
    SavedRegistry() = default;
    ~SavedRegistry() { Restore(); }
    SavedRegistry(const SavedRegistry &) = delete;
    SavedRegistry &operator=(const SavedRegistry &) = delete;
    void Tree(HKEY root, const std::string &path);
    void Value(HKEY root, const std::string &path, const char *name);
    void Restore() const;

private:
    struct Saved {
        HKEY Root;
        std::string Path;   // of the key
        std::string Name;   // of the value, when only one value is kept
        bool WholeTree, Existed;
        std::vector<std::string> Keys;   // relative, "" first
        struct Kept {
            std::string Key, Name;   // the key relative
            DWORD Type;
            std::string Data;
        };
        std::vector<Kept> Values;
    };
    static void SaveKey(Saved &saved, HKEY key, const std::string &sub);
    static void RestoreOne(const Saved &saved);
    std::vector<Saved> saved_;
};

// A hidden top-level window of the given class (registered on first use) that tests send to
// or record with.
HWND CreateHelperWindow(const char *className, WNDPROC procedure, const char *title = "");
// The first window of this thread that matches, or null.
HWND FindThreadWindow(const std::function<bool(HWND)> &match);
// The visible dialog of this thread that holds the control; null when none is open yet.
HWND FindThreadDialog(int controlId);
// The running Change Icon dialog of this thread (it carries its request), or null.
HWND FindChangeIconDialog();
// Frees a program-wide heap text and clears it.
void FreeAppText(char **text);

// Dispatches waiting messages for about the given time (Wine's flush_events).
void PumpMessages(DWORD milliseconds = 50);
// Dispatches until two passes in a row find the queue empty (at most `limit` ms): what a
// posted command or a fill set going has run its course.
void PumpUntilIdle(DWORD limit = 3000);

// Every list of the sheet exists, none is filling, and each has rows; the Special list may
// stay empty where asked, since it shows only the shell folders the system has.
bool AllListsFilled(bool specialMayBeEmpty);
// The running sheet's drive panel (the dialog on the drive tab that lists the drives), or null.
HWND DrivePanelOfSheet();

// A DROPFILES block of ANSI names as the shell posts it (moveable; the receiver frees it), or
// null when it cannot be made.
HDROP MakeDropFiles(const std::vector<std::string> &names, POINT point, BOOL nonClient = FALSE);

// A program of the test folder (or a full path) run whole: StartTestProgram starts it with the command tail;
// WaitTestProgram waits for its end, serving this thread's messages meanwhile when serve is
// set, closes its handles and returns its exit code, or -1 when it was ended after timeout ms.
bool StartTestProgram(const char *name, const std::string &tail, PROCESS_INFORMATION *process);
DWORD WaitTestProgram(PROCESS_INFORMATION &process, DWORD timeout, bool serve = true);

// Redirects this program's import of dll!function (as the program code calls it) to a
// replacement for the hook's lifetime; Original() calls through. Hooked() is false when the
// program does not import the function.
class ImportHook {
public:
    ImportHook(const char *dll, const char *function, const void *replacement);
    ~ImportHook();
    ImportHook(const ImportHook &) = delete;
    ImportHook &operator=(const ImportHook &) = delete;
    bool Hooked() const { return slot_ != nullptr; }
    template <typename Function> Function Original() const { return reinterpret_cast<Function>(original_); }

private:
    void **slot_ = nullptr;
    void *original_ = nullptr;
};

// Whether the test runs in the prefix of that system ("win98", "winxp", "win10": the test
// command's TILEFOX_TEST_SYSTEM); false outside any.
bool TestSystemIs(const char *name);

// While it lives, every key created under HKEY_LOCAL_MACHINE is refused (by default for want of
// rights, as for a limited user); Off lets the writes through for a while (an administrator's turn).
class MachineRefusal {
public:
    explicit MachineRefusal(LONG error = ERROR_ACCESS_DENIED);
    static bool Off;
    static LONG Error;

private:
    ImportHook hook_;
};

#endif
