#include "shellsettings/iconsettings.h"

#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include "common/appstate.h"
#include "common/desktoplabels.h"
#include "common/options.h"
#include "restore/restorepoint.h"
#include "common/tabs.h"
#include "common/texts.h"
#include "folders/browsesetting.h"
#include "ids.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/rightswrite.h"
#include "shellglue/startfacts.h"
#include "shellglue/system.h"
#include "shellsettings/redraw.h"
#include "shellsettings/shortcut.h"

static const char kWindowMetrics[] = "Control Panel\\desktop\\windowmetrics";
static const char kIconSize[] = "Shell Icon Size";
static const char kIconBpp[] = "Shell Icon BPP";
static const char kIsShortcut[] = "IsShortcut";
static const char *const kShortcutClasses[] = {"lnkfile", "piffile"};
static const char kBmpExtension[] = ".bmp";
static const char kCplExtension[] = ".cpl";
static const char kCplClass[] = "cplfile";
static const char kCplIconKey[] = "cplfile\\DefaultIcon";
static const char kIconSuffix[] = "\\DefaultIcon";
static const char kPaintServerKey[] = "CLSID\\{D3E34B21-9D75-101A-8C3D-00AA001A1652}\\LocalServer32";
static const char kDesktopKey[] = "Control Panel\\desktop";
static const char kDirectoryKey[] = "Directory";
static const char kDirectoryShellKey[] = "Directory\\shell";
static const char kVerbName[] = "tfChangeIcon";
static const char kVerbKey[] = "Directory\\shell\\tfChangeIcon";
static const char kCommandKey[] = "Directory\\shell\\tfChangeIcon\\command";
static const char kCommandName[] = "command";
static const char kOwnImage[] = "%1";
static const char kOwnImageQuoted[] = "\"%1\"";

enum {
    ICON_SIZE_MIN = 8,
    ICON_SIZE_MAX = 96,
    ICON_SIZE_READ_MAX = 199,
    DEFAULT_ICON_SIZE = 32,
    LARGE_ICON_SIZE = 48,
    LARGE_FROM = 38,            // sizes from here on count as large icons
    ALL_COLOURS_BPP = 16,
    BPP_LIMIT = 100,
    OTHER_SIZE = BST_INDETERMINATE,
    KEY_BUFFER = MAX_PATH + 16,
    COMCTL_LABELS_BUILD = 952,
    LABEL_ICON_INDEX = 2,
};

static const DWORD kComctl40 = 0x00040000;
// Read access plus what writing the setting needs: a key the user may not change disables
// its check box.
static const REGSAM kWritableAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The controls whose changes Apply writes; each keeps a modified mark in its user data.
static const int kTrackedControls[] = {IDC_IS_SIZE,     IDC_IS_ALLCOLOURS,  IDC_IS_NOARROW,   IDC_IS_BMPIMAGE,
                                       IDC_IS_CPLICONS, IDC_IS_TRANSPARENT, IDC_IS_FOLDERVERB};

// Settings a later Windows no longer reads: greyed there, never counted as changed nor written.
static const struct {
    int Control;
    SystemTrait Trait;
} kIgnoredSettings[] = {
    // Vista on: every view keeps its own icon size, and the images of that size.
    {IDC_IS_SIZE, TRAIT_SIZE_PER_VIEW},
    {IDC_IS_ALLCOLOURS, TRAIT_SIZE_PER_VIEW},
    // XP on: the desktop draws its labels' background itself (the drop-shadow effect).
    {IDC_IS_TRANSPARENT, TRAIT_OWN_LABELS},
};

// --- small helpers ----------------------------------------------------------------------------

static bool IgnoredHere(int control)
{
    for (const auto &setting : kIgnoredSettings) {
        if (setting.Control == control && SystemHas(setting.Trait))
            return true;
    }
    return false;
}

static void MarkModified(HWND page, int control)
{
    SetWindowLongPtrA(GetDlgItem(page, control), GWLP_USERDATA, 1);
}

static bool IsModified(HWND page, int control)
{
    return !IgnoredHere(control) && GetWindowLongPtrA(GetDlgItem(page, control), GWLP_USERDATA) != 0;
}

static void ClearModified(HWND page)
{
    for (int control : kTrackedControls)
        SetWindowLongPtrA(GetDlgItem(page, control), GWLP_USERDATA, 0);
}

static bool IsChecked(HWND page, int control)
{
    return IsDlgButtonChecked(page, control) == BST_CHECKED;
}

static void EnableControl(HWND page, int control, bool enabled)
{
    EnableWindow(GetDlgItem(page, control), enabled);
}

static void NotifyChanged(HWND page)
{
    SendMessageA(GetParent(page), UM_SETCHANGED, 0, 1);
}

static bool IsOwnImageValue(const char *value)
{
    return lstrcmpA(value, kOwnImage) == 0 || lstrcmpA(value, kOwnImageQuoted) == 0;
}

// A class key where this system keeps the row: the classes root on 9x, the user's own
// classes where the system merges them over the machine's.
static bool RowClassKey(RowKind kind, const char *tail, HKEY *root, char *key)
{
    *root = PlaceOf(kind).Root;
    return FormRowKey(kind, tail, key);
}

// The row's own place first, then what the classes root shows.
static char *ReadClassValue(RowKind kind, const char *tail)
{
    HKEY root = nullptr;
    char key[KEY_BUFFER];
    if (PlaceOf(kind).PerUser && RowClassKey(kind, tail, &root, key)) {
        char *text = ReadRegString(root, key, nullptr);
        if (text != nullptr)
            return text;
    }
    return ReadRegString(HKEY_CLASSES_ROOT, tail, nullptr);
}

// A user who may write only his own classes can still change a class the machine has.
static bool KeyIsWritable(const char *subkey)
{
    RegKey key;
    return key.Open(HKEY_CLASSES_ROOT, subkey, PlaceOf(ROW_FILE_CLASS).PerUser ? KEY_READ : kWritableAccess);
}

static bool FormIconKey(const char *className, char *key)
{
    CopyText(key, className, KEY_BUFFER);
    return AppendText(key, kIconSuffix, KEY_BUFFER) != 0;
}

// A kept copy is only replaced once the new one exists.
static void ReplaceText(char **kept, const char *text)
{
    char *copy = DupString(text);
    if (copy == nullptr)
        return;
    FreeText(kept);
    *kept = copy;
}

// Every top-level window, the shell's included, rereads the metrics before this returns.
static void AnnounceMetricsChange()
{
    SendMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
}

static bool ProgramPath(char *path)
{
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = '\0';
        return false;
    }
    TrimLeadingSpaces(TrimTrailingSpaces(path));
    return path[0] != '\0';
}

static bool HasBlank(const char *text)
{
    for (; *text != '\0'; ++text) {
        if (*text == ' ')
            return true;
    }
    return false;
}

static int SystemDirFile(char *path, const char *name)
{
    CopyText(path, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", LOCATION_BUFFER);
    return AppendText(path, name, LOCATION_BUFFER);
}

// --- exported pure parts ----------------------------------------------------------------------

void QuotePath(char *text, int size)
{
    int length = lstrlenA(text);
    if (length == 0 || text[0] == '"' || length + 3 > size)
        return;
    MoveMemory(text + 1, text, length + 1);
    text[0] = '"';
    text[length + 1] = '"';
    text[length + 2] = '\0';
}

int FormFolderVerbCommand(const char *programPath, char *command)
{
    CopyText(command, programPath, COMMAND_BUFFER);
    TrimLeadingSpaces(TrimTrailingSpaces(command));
    if (command[0] == '\0')
        return 0;
    // Explorer splits an unquoted command at its first blank.
    if (HasBlank(command))
        QuotePath(command, COMMAND_BUFFER);
    return AppendText(command, " /ChgIcon %1", COMMAND_BUFFER);
}

BOOL IsOwnFolderVerb(const char *command, const char *programPath)
{
    int n = lstrlenA(programPath);
    if (n == 0 || lstrlenA(command) <= n + 1)
        return FALSE;
    char text[COMMAND_BUFFER];
    CopyText(text, command[0] == '"' ? command + 1 : command, COMMAND_BUFFER);
    if (lstrlenA(text) > n && (text[n] == ' ' || text[n] == '"'))
        text[n] = '\0';
    return lstrcmpiA(text, programPath) == 0;
}

BOOL LabelTransparencySupported(DWORD versionHigh, DWORD versionLow)
{
    if (versionHigh != kComctl40)
        return versionHigh > kComctl40;
    return HIWORD(versionLow) >= COMCTL_LABELS_BUILD;
}

// --- reading ----------------------------------------------------------------------------------

static int StoredIconSize()
{
    // Some tools store the size as a DWORD: the shell takes it, and so does the page.
    int size = 0;
    if (!ReadRegNumber(HKEY_CURRENT_USER, kWindowMetrics, kIconSize, &size))
        return DEFAULT_ICON_SIZE;
    return size >= 1 && size <= ICON_SIZE_READ_MAX ? size : DEFAULT_ICON_SIZE;
}

static void ReadIconSize(HWND page)
{
    int size = StoredIconSize();
    CheckDlgButton(page, IDC_IS_LARGE,
                   size == DEFAULT_ICON_SIZE ? BST_UNCHECKED : size == LARGE_ICON_SIZE ? BST_CHECKED : OTHER_SIZE);
    SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_SETRANGE, 0, MAKELONG(ICON_SIZE_MAX, ICON_SIZE_MIN));
    SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_SETPOS, 0, MAKELONG(size, 0));
}

static void ReadColourDepth(HWND page)
{
    int bpp = 0;
    if (!ReadRegNumber(HKEY_CURRENT_USER, kWindowMetrics, kIconBpp, &bpp) || bpp >= BPP_LIMIT)
        bpp = 0;
    CheckDlgButton(page, IDC_IS_ALLCOLOURS, bpp >= ALL_COLOURS_BPP ? BST_CHECKED : BST_UNCHECKED);
}

static void ReadShortcutArrow(HWND page)
{
    CheckDlgButton(page, IDC_IS_NOARROW, BST_UNCHECKED);
    RegKey key;
    // A machine-wide mark that the user may not write is written by an administrator copy.
    REGSAM access = PlaceOf(ROW_SHORTCUT_ARROW).MachineWide ? KEY_READ : kWritableAccess;
    if (!key.Open(HKEY_CLASSES_ROOT, kShortcutClasses[0], access)) {
        EnableControl(page, IDC_IS_NOARROW, false);
        return;
    }
    GlobalText arrow(ReadRegString(HKEY_CLASSES_ROOT, kShortcutClasses[0], kIsShortcut));
    if (arrow.Get() == nullptr)
        CheckDlgButton(page, IDC_IS_NOARROW, BST_CHECKED);
}

// The check box shows whether the class's icon is each file's own image ("%1").
static void ReadOwnImageSetting(HWND page, int control, const char *iconKey)
{
    if (!KeyIsWritable(iconKey))
        return;
    EnableControl(page, control, true);
    GlobalText value(ReadClassValue(ROW_FILE_CLASS, iconKey));
    if (value.Get() != nullptr && IsOwnImageValue(value.Get()))
        CheckDlgButton(page, control, BST_CHECKED);
}

static void ReadBitmapImages(HWND page)
{
    CheckDlgButton(page, IDC_IS_BMPIMAGE, BST_UNCHECKED);
    EnableControl(page, IDC_IS_BMPIMAGE, false);
    // Without the whole backup, switching the images off could not put the old icon back.
    if (Settings.BmpBackupUnreadable)
        return;
    GlobalText className(ReadRegString(HKEY_CLASSES_ROOT, kBmpExtension, nullptr));
    char key[KEY_BUFFER];
    if (className.Get() != nullptr && className.Get()[0] != '\0' && FormIconKey(className.Get(), key))
        ReadOwnImageSetting(page, IDC_IS_BMPIMAGE, key);
}

static void ReadControlPanelIcons(HWND page)
{
    CheckDlgButton(page, IDC_IS_CPLICONS, BST_UNCHECKED);
    EnableControl(page, IDC_IS_CPLICONS, false);
    // Without the whole backup, switching the own icons off could not put the old icon back.
    if (Settings.CplBackupUnreadable)
        return;
    GlobalText className(ReadRegString(HKEY_CLASSES_ROOT, kCplExtension, nullptr));
    if (className.Get() != nullptr && lstrcmpiA(className.Get(), kCplClass) == 0)
        ReadOwnImageSetting(page, IDC_IS_CPLICONS, kCplIconKey);
}

static void ReadLabelTransparency(HWND page)
{
    CheckDlgButton(page, IDC_IS_TRANSPARENT, BST_UNCHECKED);
    DWORD high = 0;
    DWORD low = 0;
    ReadFileVersion("COMCTL32.DLL", &high, &low);
    if (!LabelTransparencySupported(high, low)) {
        EnableControl(page, IDC_IS_TRANSPARENT, false);
        return;
    }
    if (DesktopLabelTransparency(LABELS_QUERY))
        CheckDlgButton(page, IDC_IS_TRANSPARENT, BST_CHECKED);
}

static void DeleteSubkey(const char *parent, const char *name)
{
    HKEY root = nullptr;
    char path[KEY_BUFFER];
    RegKey key;
    if (RowClassKey(ROW_FOLDER_VERB, parent, &root, path) && key.Open(root, path, KEY_WRITE))
        DeleteRegKey(key.Get(), name);
}

static void RemoveFolderVerb()
{
    DeleteSubkey(kVerbKey, kCommandName);
    DeleteSubkey(kDirectoryShellKey, kVerbName);
}

static void ReadFolderVerb(HWND page)
{
    CheckDlgButton(page, IDC_IS_FOLDERVERB, BST_UNCHECKED);
    EnableControl(page, IDC_IS_FOLDERVERB, false);
    EnableControl(page, IDC_IS_BROWSESETTING, false);
    {
        RegKey directory;
        if (!directory.Open(HKEY_CLASSES_ROOT, kDirectoryKey, KEY_READ))
            return;
    }
    EnableControl(page, IDC_IS_FOLDERVERB, Facts.IntegratedShell != 0);
    GlobalText command(ReadClassValue(ROW_FOLDER_VERB, kCommandKey));
    char program[MAX_PATH];
    if (command.Get() == nullptr || !ProgramPath(program) || !IsOwnFolderVerb(command.Get(), program))
        return;
    // Only the integrated shell shows the verb; an older one would keep a dead entry.
    if (Facts.IntegratedShell) {
        CheckDlgButton(page, IDC_IS_FOLDERVERB, BST_CHECKED);
        EnableControl(page, IDC_IS_BROWSESETTING, true);
    } else {
        RemoveFolderVerb();
    }
}

// The size goes with its up-down control and the large-icons box.
static void GreyIgnoredSettings(HWND page)
{
    for (const auto &setting : kIgnoredSettings) {
        if (!SystemHas(setting.Trait))
            continue;
        EnableControl(page, setting.Control, false);
        if (setting.Control == IDC_IS_SIZE) {
            EnableControl(page, IDC_IS_SIZESPIN, false);
            EnableControl(page, IDC_IS_LARGE, false);
        }
    }
}

void ReadIconSettings(HWND page)
{
    ReadIconSize(page);
    ReadColourDepth(page);
    ReadShortcutArrow(page);
    ReadBitmapImages(page);
    ReadControlPanelIcons(page);
    ReadLabelTransparency(page);
    ReadFolderVerb(page);
    GreyIgnoredSettings(page);
    ClearModified(page);
}

// --- applying ---------------------------------------------------------------------------------

static void ApplyIconSize(HWND page)
{
    LRESULT position = SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_GETPOS, 0, 0);
    // The error flag in the high word (no valid number typed) puts the result out of range.
    if (position < ICON_SIZE_MIN || position > ICON_SIZE_MAX)
        return;
    char text[16];
    wsprintfA(text, "%u", unsigned(position));
    WriteRegString(HKEY_CURRENT_USER, kWindowMetrics, kIconSize, text);
    AnnounceMetricsChange();
}

static void ApplyColourDepth(HWND page)
{
    if (IsChecked(page, IDC_IS_ALLCOLOURS)) {
        WriteRegString(HKEY_CURRENT_USER, kWindowMetrics, kIconBpp, "16");
        return;
    }
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kWindowMetrics, KEY_WRITE))
        RegDeleteValueA(key.Get(), kIconBpp);
}

// The shell draws the arrow on every class that carries the "IsShortcut" value.
static bool ApplyShortcutArrow(HWND page)
{
    bool written = true;
    bool noArrow = IsChecked(page, IDC_IS_NOARROW);
    char rowName[TEXT_BUFFER];
    GetDlgItemTextA(page, IDC_IS_NOARROW, rowName, sizeof rowName);
    for (const char *className : kShortcutClasses) {
        HKEY root = nullptr;
        char key[KEY_BUFFER];
        RegKey probe;
        // Only a class that is there gets the mark: it is not made for the arrow's sake.
        if (!probe.Open(HKEY_CLASSES_ROOT, className, KEY_QUERY_VALUE) ||
            !RowClassKey(ROW_SHORTCUT_ARROW, className, &root, key))
            continue;
        probe.Close();
        if (WriteRowValue(ROW_SHORTCUT_ARROW, root, key, kIsShortcut, noArrow ? nullptr : "", rowName) != WRITE_DONE)
            written = false;
    }
    AnnounceMetricsChange();
    return written;
}

static const char *BitmapFallback(char *buffer)
{
    if (Facts.CoolIconsAvailable) {
        SystemDirFile(buffer, "cool.dll,41");
        return buffer;
    }
    GlobalText server(ReadRegString(HKEY_CLASSES_ROOT, kPaintServerKey, nullptr));
    CopyText(buffer, server.Get() != nullptr && server.Get()[0] != '\0' ? server.Get() : "MSPAINT.EXE",
             LOCATION_BUFFER);
    AppendText(buffer, ",1", LOCATION_BUFFER);
    return buffer;
}

static const char *ControlPanelFallback(char *buffer)
{
    SystemDirFile(buffer, "shell32.dll,-154");
    return buffer;
}

// A class icon other than "%1" is kept, so that switching the images off later, in this run
// or another, puts it back.
static void ApplyOwnImageSetting(const char *iconKey, bool ownImage, char **backup,
                                 const char *(*fallback)(char *buffer))
{
    GlobalText current(ReadClassValue(ROW_FILE_CLASS, iconKey));
    if (current.Get() == nullptr || current.Get()[0] == '\0')
        return;
    if (!IsOwnImageValue(current.Get()))
        ReplaceText(backup, current.Get());
    char buffer[LOCATION_BUFFER];
    const char *value = ownImage ? kOwnImage : *backup != nullptr ? *backup : fallback(buffer);
    HKEY root = nullptr;
    char key[KEY_BUFFER];
    if (RowClassKey(ROW_FILE_CLASS, iconKey, &root, key))
        WriteRegString(root, key, nullptr, value);
}

static void ApplyBitmapImages(HWND page)
{
    // Without the whole backup, switching the images off could not put the old icon back.
    if (Settings.BmpBackupUnreadable)
        return;
    GlobalText className(ReadRegString(HKEY_CLASSES_ROOT, kBmpExtension, nullptr));
    if (className.Get() == nullptr || className.Get()[0] == '\0')
        return;
    ReplaceText(&Settings.BmpClassBackup, className.Get());
    char key[KEY_BUFFER];
    if (FormIconKey(className.Get(), key))
        ApplyOwnImageSetting(key, IsChecked(page, IDC_IS_BMPIMAGE), &Settings.BmpIconBackup, BitmapFallback);
}

static void ApplyControlPanelIcons(HWND page)
{
    if (Settings.CplBackupUnreadable)
        return;
    ApplyOwnImageSetting(kCplIconKey, IsChecked(page, IDC_IS_CPLICONS), &Settings.CplIconBackup,
                         ControlPanelFallback);
}

// The shortcut in the Startup folder that makes the labels transparent again at log-on. It is
// named in the language shown; a run in the other language may have left it under that name.
static bool FormLabelShortcutPath(char *path, TextLanguage language)
{
    if (!SpecialFolderPath(CSIDL_STARTUP, path) || lstrlenA(path) >= MAX_PATH - 1) {
        path[0] = '\0';
        return false;
    }
    AddBackslash(path);
    char name[TEXT_BUFFER];
    if (!LoadTextIn(language, IDS_LABELSHORTCUT, name, sizeof name) || !AppendText(path, name, MAX_PATH) ||
        !AppendText(path, ".lnk", MAX_PATH)) {
        path[0] = '\0';
        return false;
    }
    return true;
}

enum { LABEL_SHORTCUT_NAMES = 2 };

// The shortcut's paths in both languages, the shown one first; the count of those this code page
// can name.
static int FormLabelShortcutPaths(char (*paths)[MAX_PATH])
{
    TextLanguage shown = ShownLanguage();
    TextLanguage other = shown == LANGUAGE_ENGLISH ? LANGUAGE_JAPANESE : LANGUAGE_ENGLISH;
    int count = 0;
    if (FormLabelShortcutPath(paths[count], shown))
        ++count;
    if (FormLabelShortcutPath(paths[count], other))
        ++count;
    return count;
}

// The shortcuts of both languages, from the one of the language shown (first) or the other.
static void RemoveLabelShortcuts(int first)
{
    char links[LABEL_SHORTCUT_NAMES][MAX_PATH];
    int count = FormLabelShortcutPaths(links);
    for (int i = count - 1; i >= first; --i)
        if (IsFile(links[i]))
            DeleteFileA(links[i]);
}

// Setting the wallpaper again makes the shell rebuild its desktop with its own label colours.
static void ResetDesktop()
{
    GlobalText wallpaper(ReadRegString(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper"));
    char text[MAX_PATH];
    CopyText(text, wallpaper.Get() != nullptr ? wallpaper.Get() : "", MAX_PATH);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, text, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    SetCursor(previous);
}

static void ApplyLabelTransparency(HWND page)
{
    char link[MAX_PATH];
    FormLabelShortcutPath(link, ShownLanguage());
    if (IsChecked(page, IDC_IS_TRANSPARENT)) {
        DesktopLabelTransparency(LABELS_SET);
        char program[MAX_PATH];
        if (link[0] == '\0' || !ProgramPath(program))
            return;
        // The icon location takes a bare path; only the target is quoted.
        char target[MAX_PATH + 2];
        CopyText(target, program, sizeof target);
        if (HasBlank(target))
            QuotePath(target, sizeof target);
        // One shortcut is enough: the one a run in the other language made goes.
        if (CreateShortcut(link, target, "/CLR", program, LABEL_ICON_INDEX))
            RemoveLabelShortcuts(1);
        return;
    }
    RemoveLabelShortcuts(0);
    if (DesktopLabelTransparency(LABELS_QUERY))
        ResetDesktop();
}

static void ApplyFolderVerb(HWND page)
{
    if (!IsChecked(page, IDC_IS_FOLDERVERB)) {
        RemoveFolderVerb();
        return;
    }
    char program[MAX_PATH];
    char command[COMMAND_BUFFER];
    if (!ProgramPath(program) || !FormFolderVerbCommand(program, command))
        return;
    HKEY root = nullptr;
    char key[KEY_BUFFER];
    if (RowClassKey(ROW_FOLDER_VERB, kVerbKey, &root, key))
        WriteRegString(root, key, nullptr, LoadText(IDS_FOLDERVERB));
    if (RowClassKey(ROW_FOLDER_VERB, kCommandKey, &root, key))
        WriteRegString(root, key, nullptr, command);
}

void ApplyIconSettings(HWND page, BOOL *iconsNeedRefresh)
{
    *iconsNeedRefresh = FALSE;
    bool arrowPending = false;
    if (IsModified(page, IDC_IS_SIZE))
        ApplyIconSize(page);
    if (IsModified(page, IDC_IS_ALLCOLOURS))
        ApplyColourDepth(page);
    if (IsModified(page, IDC_IS_NOARROW)) {
        arrowPending = !ApplyShortcutArrow(page);
        *iconsNeedRefresh = TRUE;
    }
    if (IsModified(page, IDC_IS_BMPIMAGE)) {
        ApplyBitmapImages(page);
        *iconsNeedRefresh = TRUE;
    }
    if (IsModified(page, IDC_IS_CPLICONS)) {
        ApplyControlPanelIcons(page);
        *iconsNeedRefresh = TRUE;
    }
    if (IsModified(page, IDC_IS_TRANSPARENT))
        ApplyLabelTransparency(page);
    if (IsModified(page, IDC_IS_FOLDERVERB))
        ApplyFolderVerb(page);
    ClearModified(page);
    // A mark refused for want of rights waits for the next Apply.
    if (arrowPending)
        MarkModified(page, IDC_IS_NOARROW);
}

bool IconSettingsPending(HWND page)
{
    for (int control : kTrackedControls)
        if (IsModified(page, control))
            return true;
    return false;
}

// Every value and file ApplyIconSettings may write or delete, for what the user touched.
void RecordIconSettings(HWND page, RestorePoint *point)
{
    if (IsModified(page, IDC_IS_SIZE))
        point->Value(HKEY_CURRENT_USER, kWindowMetrics, kIconSize);
    if (IsModified(page, IDC_IS_ALLCOLOURS))
        point->Value(HKEY_CURRENT_USER, kWindowMetrics, kIconBpp);
    HKEY root = nullptr;
    char key[KEY_BUFFER];
    if (IsModified(page, IDC_IS_NOARROW)) {
        for (const char *className : kShortcutClasses)
            if (RowClassKey(ROW_SHORTCUT_ARROW, className, &root, key))
                point->Value(root, key, kIsShortcut);
    }
    if (IsModified(page, IDC_IS_BMPIMAGE)) {
        GlobalText className(ReadRegString(HKEY_CLASSES_ROOT, kBmpExtension, nullptr));
        char iconKey[KEY_BUFFER];
        if (className.Get() != nullptr && className.Get()[0] != '\0' && FormIconKey(className.Get(), iconKey) &&
            RowClassKey(ROW_FILE_CLASS, iconKey, &root, key))
            point->Value(root, key, "");
    }
    if (IsModified(page, IDC_IS_CPLICONS) && RowClassKey(ROW_FILE_CLASS, kCplIconKey, &root, key))
        point->Value(root, key, "");
    if (IsModified(page, IDC_IS_TRANSPARENT)) {
        // The other language's name only when a shortcut has it: it is deleted then.
        char links[LABEL_SHORTCUT_NAMES][MAX_PATH];
        for (int i = 0, count = FormLabelShortcutPaths(links); i < count; ++i)
            if (i == 0 || IsFile(links[i]))
                point->File(links[i]);
        point->Value(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper");
    }
    if (IsModified(page, IDC_IS_FOLDERVERB)) {
        // Removed, the verb takes its whole key along; added, it creates both keys.
        if (RowClassKey(ROW_FOLDER_VERB, kVerbKey, &root, key)) {
            point->KeyTree(root, key);
            point->Value(root, key, "");
        }
        if (RowClassKey(ROW_FOLDER_VERB, kCommandKey, &root, key))
            point->Value(root, key, "");
    }
}

// The number the field shows, blanks around it aside; -1 when it shows none.
static int TypedIconSize(HWND page)
{
    char text[16];
    if (GetDlgItemTextA(page, IDC_IS_SIZE, text, sizeof text) >= int(sizeof text) - 1)
        return -1;
    const char *digit = TrimLeadingSpaces(TrimTrailingSpaces(text));
    if (*digit == '\0')
        return -1;
    int size = 0;
    for (; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9')
            return -1;
        if (size <= ICON_SIZE_READ_MAX)
            size = size * 10 + (*digit - '0');
    }
    return size;
}

static void ShowSizeRange(HWND page)
{
    HWND sheet = GetParent(page);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    if (tabs != nullptr && SendMessageA(tabs, TCM_GETCURSEL, 0, 0) != TAB_SETTINGS1)
        SendMessageA(sheet, PSM_SETCURSEL, TAB_SETTINGS1, 0);
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_ICONSIZERANGE), TEXT_BUFFER);
    char message[TEXT_BUFFER + 32];
    wsprintfA(message, format, int(ICON_SIZE_MIN), int(ICON_SIZE_MAX));
    MessageBoxA(sheet, message, App.Caption, MB_ICONWARNING);
    // After the box: closing it gives the focus back to where it was before.
    HWND field = GetDlgItem(page, IDC_IS_SIZE);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

int RefuseUnwritableIconSize(HWND page)
{
    if (!IsModified(page, IDC_IS_SIZE))
        return 0;
    // Both must agree: an up-down control may also take a typed 200 for its nearest end.
    LRESULT position = SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_GETPOS, 0, 0);
    int typed = TypedIconSize(page);
    if (typed >= ICON_SIZE_MIN && typed <= ICON_SIZE_MAX && position == typed)
        return 0;
    ShowSizeRange(page);
    return 1;
}

// --- the page ---------------------------------------------------------------------------------

static int SizePosition(HWND page)
{
    return short(LOWORD(SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_GETPOS, 0, 0)));
}

// The large-icons box follows the size while it shows 32 or 48; a size of its own (state 2)
// stays so until the box is clicked.
static void OnSizeEdited(HWND page)
{
    if (IsDlgButtonChecked(page, IDC_IS_LARGE) != OTHER_SIZE)
        CheckDlgButton(page, IDC_IS_LARGE, SizePosition(page) >= LARGE_FROM ? BST_CHECKED : BST_UNCHECKED);
    NotifyChanged(page);
    MarkModified(page, IDC_IS_SIZE);
}

static void OnLargeClicked(HWND page)
{
    int position = SizePosition(page);
    UINT state = IsDlgButtonChecked(page, IDC_IS_LARGE);
    // Moving the position rewrites the edit, whose change notice then sets the box.
    if (state == BST_UNCHECKED && position >= LARGE_FROM)
        SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_SETPOS, 0, MAKELONG(DEFAULT_ICON_SIZE, 0));
    else if (state == BST_CHECKED && position < LARGE_FROM)
        SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_SETPOS, 0, MAKELONG(LARGE_ICON_SIZE, 0));
    if (!SendMessageA(GetParent(page), UM_QUERYCHANGED, 0, 0))
        NotifyChanged(page);
    MarkModified(page, IDC_IS_SIZE);
}

static void OnSettingClicked(HWND page, int control)
{
    NotifyChanged(page);
    MarkModified(page, control);
    if (control == IDC_IS_FOLDERVERB)
        EnableControl(page, IDC_IS_BROWSESETTING, IsChecked(page, IDC_IS_FOLDERVERB));
}

// The page reads the shell's settings when it is first shown or when the sheet has time after
// the lists are filled, not while the sheet is being built: the reads are slow (the common
// controls' version among them) and nothing needs them before.
enum PageState { PAGE_UNREAD = 0, PAGE_READING = 1, PAGE_READ = 2 };

static void EnsureRead(HWND page)
{
    if (GetWindowLongPtrA(page, DWLP_USER) != PAGE_UNREAD)
        return;
    SetWindowLongPtrA(page, DWLP_USER, PAGE_READING);
    EnableControl(page, IDC_IS_DELETECACHE, IconCacheExists() != 0);
    ReadIconSettings(page);
    SetWindowLongPtrA(page, DWLP_USER, PAGE_READ);
}

// Earlier settings were put back: the controls show what is in force again, untouched.
// keepEdits: another copy changed the registry under a sheet that may hold edits of the
// user's; a page with any of them is left as the user made it.
static void OnShellRestored(HWND page, bool keepEdits)
{
    if (GetWindowLongPtrA(page, DWLP_USER) == PAGE_READING)
        return;
    for (int control : kTrackedControls) {
        if (keepEdits && IsModified(page, control))
            return;
    }
    SetWindowLongPtrA(page, DWLP_USER, PAGE_UNREAD);
    EnsureRead(page);
}

static void OnCommand(HWND page, int control, int code)
{
    // Filling the controls is no change of the user's.
    if (GetWindowLongPtrA(page, DWLP_USER) == PAGE_READING)
        return;
    switch (control) {
    case IDC_IS_SIZE:
        if (code == EN_CHANGE)
            OnSizeEdited(page);
        break;
    case IDC_IS_LARGE:
        if (code == BN_CLICKED)
            OnLargeClicked(page);
        break;
    case IDC_IS_ALLCOLOURS:
    case IDC_IS_NOARROW:
    case IDC_IS_BMPIMAGE:
    case IDC_IS_CPLICONS:
    case IDC_IS_TRANSPARENT:
    case IDC_IS_FOLDERVERB:
        if (code == BN_CLICKED)
            OnSettingClicked(page, control);
        break;
    case IDC_IS_BROWSESETTING:
        DefaultBrowseDialog(page);
        break;
    case IDC_IS_REDRAW:
        RedrawShellIcons();
        UpdateWindow(GetParent(page));
        break;
    case IDC_IS_DELETECACHE:
        if (DeleteIconCache(GetParent(page)))
            EnableControl(page, IDC_IS_DELETECACHE, false);
        break;
    default:
        break;
    }
}

// A setting put back through the page's own reaction to a click, so that Apply writes it
// like any change of the user's.
static void SetSettingTo(HWND page, int control, UINT state)
{
    if (IgnoredHere(control))
        return;
    CheckDlgButton(page, control, state);
    OnSettingClicked(page, control);
}

void IconSettingsToStandard(HWND page)
{
    EnsureRead(page);
    LRESULT position = SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_GETPOS, 0, 0);
    if (!IgnoredHere(IDC_IS_SIZE) && (HIWORD(position) != 0 || LOWORD(position) != DEFAULT_ICON_SIZE ||
                                      IsDlgButtonChecked(page, IDC_IS_LARGE) != BST_UNCHECKED)) {
        CheckDlgButton(page, IDC_IS_LARGE, BST_UNCHECKED);
        SendDlgItemMessageA(page, IDC_IS_SIZESPIN, UDM_SETPOS, 0, MAKELONG(DEFAULT_ICON_SIZE, 0));
        NotifyChanged(page);
        MarkModified(page, IDC_IS_SIZE);
    }
    if (IsChecked(page, IDC_IS_ALLCOLOURS))
        SetSettingTo(page, IDC_IS_ALLCOLOURS, BST_UNCHECKED);
    if (IsChecked(page, IDC_IS_NOARROW))
        SetSettingTo(page, IDC_IS_NOARROW, BST_UNCHECKED);
    // Only a value this program replaced has a way back; a "%1" that Windows or another
    // program set stays.
    if (IsChecked(page, IDC_IS_BMPIMAGE) && Settings.BmpIconBackup != nullptr)
        SetSettingTo(page, IDC_IS_BMPIMAGE, BST_UNCHECKED);
    if (IsChecked(page, IDC_IS_CPLICONS) && Settings.CplIconBackup != nullptr)
        SetSettingTo(page, IDC_IS_CPLICONS, BST_UNCHECKED);
    // The shortcut may outlive the transparency the box shows (another shell, an old
    // COMCTL32): it goes whenever it is there.
    char links[LABEL_SHORTCUT_NAMES][MAX_PATH];
    bool linked = false;
    for (int i = FormLabelShortcutPaths(links) - 1; i >= 0; --i)
        linked = linked || IsFile(links[i]);
    if (IsChecked(page, IDC_IS_TRANSPARENT) || linked)
        SetSettingTo(page, IDC_IS_TRANSPARENT, BST_UNCHECKED);
    if (IsChecked(page, IDC_IS_FOLDERVERB))
        SetSettingTo(page, IDC_IS_FOLDERVERB, BST_UNCHECKED);
}

static INT_PTR OnInitDialog(HWND page)
{
    LONG style = GetWindowLongA(page, GWL_STYLE);
    SetWindowLongA(page, GWL_STYLE, style & ~(WS_CAPTION | WS_DISABLED));
    SetWindowLongPtrA(page, DWLP_USER, PAGE_UNREAD);
    return TRUE;
}

INT_PTR CALLBACK IconSettingsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CONTEXTMENU:
        return TRUE;
    case WM_SHOWWINDOW:
        if (wParam)
            EnsureRead(page);
        return FALSE;
    case UM_READSETTINGS:
        EnsureRead(page);
        return TRUE;
    case UM_SHELLRESTORED:
        OnShellRestored(page, wParam != 0);
        return TRUE;
    default:
        return FALSE;
    }
}
