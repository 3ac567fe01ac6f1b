#include "shellsettings/copynotice.h"

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/sheetgdi.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"

enum { NOTICE_COLOUR = RGB(0, 0, 128) };

// The sheet runs in the property sheet's own loop, which gives the dialog manager only the
// sheet's keys; the notice watches its thread's messages itself so that Enter and Escape
// reach its hidden buttons. Only one notice is ever open.
static struct {
    HWND Window;
    HHOOK Hook;
} Keys;

static LRESULT CALLBACK NoticeKeyHook(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *msg = reinterpret_cast<MSG *>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
        Keys.Window != nullptr && (msg->hwnd == Keys.Window || IsChild(Keys.Window, msg->hwnd)) &&
        IsDialogMessageA(Keys.Window, msg))
        msg->message = WM_NULL;
    return CallNextHookEx(Keys.Hook, code, wParam, lParam);
}

static void WatchKeys(HWND notice)
{
    if (Keys.Hook != nullptr)
        return;
    Keys.Window = notice;
    Keys.Hook = SetWindowsHookExA(WH_GETMESSAGE, NoticeKeyHook, nullptr, GetCurrentThreadId());
}

static void StopWatchingKeys(HWND notice)
{
    if (Keys.Window != notice)
        return;
    if (Keys.Hook != nullptr)
        UnhookWindowsHookEx(Keys.Hook);
    Keys.Hook = nullptr;
    Keys.Window = nullptr;
}

static HWND TextStatic(HWND notice)
{
    return GetDlgItem(notice, IDC_CN_TEXT);
}

// The one large icon the clipboard names, or null. The notice only reads the clipboard.
static HICON LoadCopiedIcon()
{
    const char *copied = CopiedIcon();
    if (copied == nullptr || copied[0] == '\0')
        return nullptr;
    char location[LOCATION_BUFFER];
    CopyText(location, copied, LOCATION_BUFFER);
    TrimLeadingSpaces(TrimTrailingSpaces(location));
    int index = SplitIconLocation(location);
    char found[MAX_PATH];
    // Index -1 would ask ExtractIconEx for the count instead of an icon.
    if (index == -1 || !SearchFile(location, found))
        return nullptr;
    HICON icon = nullptr;
    if (ExtractIconExA(found, index, &icon, nullptr, 1) == 0)
        return nullptr;
    return icon;
}

static void SetBoldText(HWND notice)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(notice, WM_GETFONT, 0, 0));
    LOGFONTA logFont;
    if (font == nullptr || GetObjectA(font, sizeof logFont, &logFont) != int(sizeof logFont))
        return;
    logFont.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectA(&logFont);
    if (bold == nullptr)
        return;
    SendMessageA(TextStatic(notice), WM_SETFONT, WPARAM(bold), TRUE);
    SetWindowLongPtrA(notice, GWLP_USERDATA, LONG_PTR(bold));
}

static INT_PTR OnInitDialog(HWND notice)
{
    SetWindowLongPtrA(notice, GWLP_USERDATA, 0);
    SetWindowLongPtrA(TextStatic(notice), GWLP_USERDATA, 0);
    HICON icon = LoadCopiedIcon();
    if (icon == nullptr) {
        DestroyWindow(notice);
        return FALSE;
    }
    if (SetTimer(notice, COPY_NOTICE_TIMER, COPY_NOTICE_MILLISECONDS, nullptr) == 0) {
        DestroyIcon(icon);
        DestroyWindow(notice);
        return FALSE;
    }
    SendDlgItemMessageA(notice, IDC_CN_ICON, STM_SETIMAGE, IMAGE_ICON, LPARAM(icon));
    SetBoldText(notice);
    WatchKeys(notice);
    return TRUE;
}

static void Close(HWND notice)
{
    KillTimer(notice, COPY_NOTICE_TIMER);
    DestroyWindow(notice);
}

static INT_PTR OnCtlColorStatic(HDC dc, HWND control)
{
    if (LOWORD(GetDlgCtrlID(control)) != IDC_CN_TEXT)
        return FALSE;
    HBRUSH brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(control, GWLP_USERDATA));
    if (brush == nullptr) {
        brush = GetSysColorBrush(COLOR_BTNFACE);
        SetWindowLongPtrA(control, GWLP_USERDATA, LONG_PTR(brush));
    }
    SetTextColor(dc, NOTICE_COLOUR);
    SetBkMode(dc, TRANSPARENT);
    return INT_PTR(brush);
}

static void OnDestroy(HWND notice)
{
    StopWatchingKeys(notice);
    HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(notice, IDC_CN_ICON, STM_SETIMAGE, IMAGE_ICON, 0));
    if (icon != nullptr)
        DestroyIcon(icon);
    HFONT bold = reinterpret_cast<HFONT>(GetWindowLongPtrA(notice, GWLP_USERDATA));
    if (bold != nullptr) {
        SendMessageA(TextStatic(notice), WM_SETFONT, 0, FALSE);
        DeleteObject(bold);
    }
    SetWindowLongPtrA(notice, GWLP_USERDATA, 0);
}

INT_PTR CALLBACK CopyNoticeWindow(HWND notice, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(notice);
    case WM_TIMER:
        if (wParam == COPY_NOTICE_TIMER)
            Close(notice);
        return TRUE;
    case WM_COMMAND:
        // Enter and Escape reach the hidden OK and Cancel.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            Close(notice);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CONTEXTMENU:
        return TRUE;
    case WM_DESTROY:
        OnDestroy(notice);
        return FALSE;
    default:
        return FALSE;
    }
}

HWND OpenCopyNotice(HWND sheet, HWND page)
{
    HWND notice = MakeDialog(IDD_COPYNOTICE, sheet, CopyNoticeWindow, 0);
    if (notice == nullptr || !IsWindow(notice))
        return nullptr;
    RECT pageRect;
    GetWindowRect(page, &pageRect);
    SetWindowPos(notice, nullptr, pageRect.left + ScaledPixels(COPY_NOTICE_RIGHT),
                 pageRect.top + ScaledPixels(COPY_NOTICE_DOWN), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(notice, SW_SHOWDEFAULT);
    return notice;
}
