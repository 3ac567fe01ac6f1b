#include "app/settings.h"

#include "common/appstate.h"
#include "common/texts.h"
#include "shellglue/handles.h"
#include "shellglue/startfacts.h"
#include "shellglue/paths.h"

static const char kOptions[] = "Options";
static const char kGeneral[] = "General";
static const char kBackup[] = "Backup Registry";
static const char kBmpKey[] = ".bmp";
static const char kIconSuffix[] = "\\DefaultIcon";
static const char kCplKey[] = "cplfile\\DefaultIcon";

enum {
    DEFAULT_ROWS = 4,
    DEFAULT_ANIMATION = 12,
    DEFAULT_VIEW_MODE = 1,
    DEFAULT_SIZE_LARGE = 32,
    DEFAULT_SIZE_SMALL = 16,
    DEFAULT_LEFT_MARGIN = 11,
    DEFAULT_REFRESH_LEVEL = 2,
    // "PosX" and "PosY" with any screen width, and a backup key made of a file type name.
    KEY_BUFFER = 32,
    BACKUP_KEY_BUFFER = MAX_PATH + 16,
    // Leading blanks, a sign and more digits than any int has: still read as too large.
    INT_TEXT_BUFFER = 64,
    BACKUP_FIRST_BUFFER = 512,
    BACKUP_BUFFER_LIMIT = 0x10000,
};

// The profile reader's own integer wraps around past 32 bits (4294967297 reads as 1); this one
// stops at the end of the range, which every key then finds out of its range.
static int ReadInt(const char *section, const char *key, int defaultValue)
{
    char text[INT_TEXT_BUFFER];
    if (GetPrivateProfileStringA(section, key, "", text, sizeof text, App.SettingsPath) == 0)
        return defaultValue;
    return ParseInt(text);
}

static void ReadString(const char *section, const char *key, char *buffer)
{
    GetPrivateProfileStringA(section, key, "", buffer, MAX_PATH, App.SettingsPath);
}

static void WriteUnsigned(const char *section, const char *key, unsigned value)
{
    char text[16];
    wsprintfA(text, "%u", value);
    WritePrivateProfileStringA(section, key, text, App.SettingsPath);
}

static void WriteSigned(const char *section, const char *key, int value)
{
    char text[16];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA(section, key, text, App.SettingsPath);
}

static int InRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

void ResetSettings()
{
    Settings.DialogRows = DEFAULT_ROWS;
    Settings.DialogAnimation = DEFAULT_ANIMATION;
    Settings.HookComDlg = 0;
    Settings.StartupTab = 0;
    Settings.IconViewMode = DEFAULT_VIEW_MODE;
    Settings.IconSizeL = DEFAULT_SIZE_LARGE;
    Settings.IconSizeS = DEFAULT_SIZE_SMALL;
    Settings.IconLeftMargin = DEFAULT_LEFT_MARGIN;
    Settings.AutoRefresh = 1;
    Settings.RefreshLevel = DEFAULT_REFRESH_LEVEL;
    Settings.DriveIconMsg = 1;
    Settings.BmpBackupUnreadable = 0;
    Settings.CplBackupUnreadable = 0;
    FreeRegistryBackups();
}

void ReadStartSettings()
{
    Settings.DialogRows = InRange(ReadInt(kOptions, "DialogRows", DEFAULT_ROWS), 1, 12, DEFAULT_ROWS);
    Settings.DialogAnimation =
        BYTE(InRange(ReadInt(kOptions, "DialogAnimation", DEFAULT_ANIMATION), 0, 20, DEFAULT_ANIMATION));
    Settings.HookComDlg = ReadInt(kOptions, "HookComDlg", 0) != 0;
    // Set by editing the file only: the program never writes it.
    char language[MAX_PATH];
    ReadString(kOptions, "Language", language);
    CleanPath(language);
    ChooseLanguage(language);
}

int StartupTabFromValue(int value)
{
    int low = short(LOWORD(value));
    return low >= 1 && low <= 6 ? low : 0;
}

int ReadStartupTab()
{
    Settings.StartupTab = StartupTabFromValue(ReadInt(kOptions, "StartupTab", 0));
    return Settings.StartupTab;
}

// A stored edge is any number the file holds (2147483647 too): compared so that the sum of
// edge and size is never formed.
static int FitEdge(int stored, int size, int screen)
{
    return stored >= 0 && stored <= screen - size ? stored : (screen - size) / 2;
}

POINT FitWindowPosition(int left, int top, int width, int height, int screenWidth, int screenHeight)
{
    POINT position = {FitEdge(left, width, screenWidth), FitEdge(top, height, screenHeight)};
    return position;
}

// Each screen width keeps its own place: "PosX1024" and "PosY1024".
static void FormPositionKeys(char *keyX, char *keyY)
{
    wsprintfA(keyX, "PosX%d", GetSystemMetrics(SM_CXSCREEN));
    CopyText(keyY, keyX, KEY_BUFFER);
    keyY[3] = 'Y';
}

void PlaceSheetWindow(HWND sheet)
{
    char keyX[KEY_BUFFER];
    char keyY[KEY_BUFFER];
    FormPositionKeys(keyX, keyY);
    int left = ReadInt(kGeneral, keyX, -1);
    int top = ReadInt(kGeneral, keyY, -1);

    RECT window;
    GetWindowRect(sheet, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    POINT position = FitWindowPosition(left, top, width, height, GetSystemMetrics(SM_CXSCREEN),
                                       GetSystemMetrics(SM_CYSCREEN));
    MoveWindow(sheet, position.x, position.y, width, height, FALSE);
}

// A backup is the only copy of a registry value the page replaced, so it is read whole, in a
// buffer that grows as far as needed. One longer than any buffer is not held at all: a cut
// copy written back to the file or the registry would be the user's loss.
static char *ReadBackup(const char *key, BYTE *tooLong)
{
    for (DWORD size = BACKUP_FIRST_BUFFER; size <= BACKUP_BUFFER_LIMIT; size *= 2) {
        GlobalText text(static_cast<char *>(GlobalAlloc(GMEM_FIXED, size)));
        if (text.Get() == nullptr)
            break;
        DWORD length = GetPrivateProfileStringA(kBackup, key, "", text.Get(), size, App.SettingsPath);
        // A value that fills the buffer may have been cut.
        if (length + 1 < size)
            return length != 0 ? DupString(text.Get()) : nullptr;
    }
    if (tooLong != nullptr)
        *tooLong = 1;
    return nullptr;
}

// The backup of the .bmp file type's icon is kept under "<type name>\DefaultIcon".
static bool FormBmpIconKey(const char *className, char *key)
{
    CopyText(key, className, BACKUP_KEY_BUFFER);
    return AppendText(key, kIconSuffix, BACKUP_KEY_BUFFER) != 0;
}

void ReadRefreshSettings()
{
    Settings.AutoRefresh = ReadInt(kOptions, "AutoRefresh", 1) != 0;
    int refreshLevel = ReadInt(kOptions, "RefreshLevel", DEFAULT_REFRESH_LEVEL);
    Settings.RefreshLevel = BYTE(refreshLevel >= 0 ? refreshLevel : 0);
}

void ReadSheetSettings(HWND sheet)
{
    PlaceSheetWindow(sheet);

    int viewMode = ReadInt(kOptions, "IconViewMode", -1);
    Settings.IconViewMode = BYTE(viewMode >= 0 ? viewMode : DEFAULT_VIEW_MODE);
    Settings.IconSizeL = InRange(ReadInt(kOptions, "IconSizeL", 0), 4, 128, DEFAULT_SIZE_LARGE);
    Settings.IconSizeS = InRange(ReadInt(kOptions, "IconSizeS", 0), 4, 128, DEFAULT_SIZE_SMALL);
    Settings.IconLeftMargin = InRange(ReadInt(kOptions, "IconLeftMargin", -1), 0, 160, DEFAULT_LEFT_MARGIN);
    ReadRefreshSettings();
    Settings.DriveIconMsg = ReadInt(kOptions, "DriveIconMsg", 1) != 0;

    FreeRegistryBackups();
    Settings.BmpBackupUnreadable = 0;
    Settings.CplBackupUnreadable = 0;
    Settings.BmpClassBackup = ReadBackup(kBmpKey, &Settings.BmpBackupUnreadable);
    char key[BACKUP_KEY_BUFFER];
    if (Settings.BmpClassBackup != nullptr) {
        if (FormBmpIconKey(Settings.BmpClassBackup, key))
            Settings.BmpIconBackup = ReadBackup(key, &Settings.BmpBackupUnreadable);
        else
            Settings.BmpBackupUnreadable = 1;
    }
    Settings.CplIconBackup = ReadBackup(kCplKey, &Settings.CplBackupUnreadable);
}

void ReadDefaultBrowseSetting(char *buffer)
{
    ReadString(kOptions, "DefaultFLdir", buffer);
    CleanPath(buffer);
}

void SaveSettings(HWND sheet)
{
    RECT window;
    if (!IsIconic(sheet) && GetWindowRect(sheet, &window)) {
        char keyX[KEY_BUFFER];
        char keyY[KEY_BUFFER];
        FormPositionKeys(keyX, keyY);
        WriteSigned(kGeneral, keyX, window.left);
        WriteSigned(kGeneral, keyY, window.top);
    }

    WriteUnsigned(kOptions, "IconViewMode", Settings.IconViewMode);
    WriteUnsigned(kOptions, "IconSizeL", unsigned(Settings.IconSizeL));
    WriteUnsigned(kOptions, "IconSizeS", unsigned(Settings.IconSizeS));
    WriteUnsigned(kOptions, "AutoRefresh", Settings.AutoRefresh != 0);
    WriteUnsigned(kOptions, "DriveIconMsg", Settings.DriveIconMsg != 0);
    WriteUnsigned(kOptions, "StartupTab", unsigned(Settings.StartupTab));
    WriteUnsigned(kOptions, "DialogRows", unsigned(Settings.DialogRows));
    WriteUnsigned(kOptions, "DialogAnimation", Settings.DialogAnimation);
    WriteUnsigned(kOptions, "HookComDlg", Settings.HookComDlg != 0);

    if (App.DefaultBrowseLocation != nullptr)
        WritePrivateProfileStringA(kOptions, "DefaultFLdir", App.DefaultBrowseLocation, App.SettingsPath);

    if (Settings.BmpClassBackup != nullptr) {
        WritePrivateProfileStringA(kBackup, kBmpKey, Settings.BmpClassBackup, App.SettingsPath);
        char key[BACKUP_KEY_BUFFER];
        if (Settings.BmpIconBackup != nullptr && FormBmpIconKey(Settings.BmpClassBackup, key))
            WritePrivateProfileStringA(kBackup, key, Settings.BmpIconBackup, App.SettingsPath);
    }
    if (Settings.CplIconBackup != nullptr)
        WritePrivateProfileStringA(kBackup, kCplKey, Settings.CplIconBackup, App.SettingsPath);
}
