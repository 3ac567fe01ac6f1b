#include "support/probes.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include "support/testing.h"

const char kMetricsKey[] = "Control Panel\\desktop\\windowmetrics";
const char kIconSize[] = "Shell Icon Size";

static IconSizeRecorder *g_recorder;

static LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WININICHANGE && g_recorder != nullptr)
        g_recorder->Seen.push_back(GetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize));
    return DefWindowProcA(window, message, wParam, lParam);
}

IconSizeRecorder::IconSizeRecorder() : window_(CreateHelperWindow("TilefoxIconSizeRecorder", RecorderProc))
{
    g_recorder = this;
}

IconSizeRecorder::~IconSizeRecorder()
{
    g_recorder = nullptr;
    DestroyWindow(window_);
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string DlgItemText(HWND dialog, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void MakeShortcut(const std::string &link, const std::string &target)
{
    CoInitialize(nullptr);
    IShellLinkA *shellLink = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                              reinterpret_cast<void **>(&shellLink)));
    shellLink->SetPath(target.c_str());
    IPersistFile *file = nullptr;
    shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file));
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    EXPECT_HRESULT_SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
    shellLink->Release();
    CoUninitialize();
}

HWND StandInDesktop::Start()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string tool = TestBinDir() + "progman_standin.exe";
    if (!CreateProcessA(tool.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &tool_))
        return nullptr;
    for (int i = 0; i < 100 && list_ == nullptr; ++i) {
        PumpMessages(50);
        HWND found = FindWindowA("Progman", nullptr);
        DWORD process = 0;
        if (found != nullptr)
            GetWindowThreadProcessId(found, &process);
        if (process == tool_.dwProcessId) {
            desktop_ = found;
            list_ = GetWindow(GetWindow(desktop_, GW_CHILD), GW_CHILD);
        }
    }
    return list_;
}

void StandInDesktop::Stop()
{
    if (tool_.hProcess == nullptr)
        return;
    if (desktop_ != nullptr)
        PostMessageA(desktop_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(tool_.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(tool_.hProcess, 0);
    CloseHandle(tool_.hProcess);
    CloseHandle(tool_.hThread);
    tool_ = {};
    desktop_ = list_ = nullptr;
}
