#include "support/boxrecorder.h"

namespace {

BoxRecorder *g_recorder;

int WINAPI RecordBox(HWND, LPCSTR text, LPCSTR, UINT)
{
    if (g_recorder == nullptr)
        return IDOK;
    g_recorder->Texts.push_back(text != nullptr ? text : "");
    return g_recorder->Answer;
}

}  // namespace

BoxRecorder::BoxRecorder(int answer) : Answer(answer), hook_("user32.dll", "MessageBoxA", reinterpret_cast<const void *>(&RecordBox))
{
    g_recorder = this;
}

BoxRecorder::~BoxRecorder()
{
    g_recorder = nullptr;
}

std::string BoxRecorder::All() const
{
    std::string all;
    for (const std::string &text : Texts)
        all += text + "\n";
    return all;
}
