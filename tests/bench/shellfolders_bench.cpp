// Shell-folder discovery against a large class registry: seeds 20,000 classes (a few hundred
// of them shell folders), then times FillShellFolderList beside a bare RegEnumKeyExA walk
// over the same key, and removes the seeded classes again.
//   shellfolders_bench [classes] [folders] [rounds] [plain]
// "plain" runs without the integrated shell, whose reads try the user's key first.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "common/appstate.h"
#include "common/tabs.h"
#include "shellglue/startfacts.h"
#include "lists/catalogues.h"
#include "lists/listpage.h"
#include "classseed.h"

namespace {

int BareWalk()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClasses, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    char name[237];
    int count = 0;
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof(name);
        LONG result = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        ++count;
    }
    RegCloseKey(key);
    return count;
}

}  // namespace

int main(int argc, char **argv)
{
    int classes = argc > 1 ? atoi(argv[1]) : 20000;
    int folders = argc > 2 ? atoi(argv[2]) : 300;
    int rounds = argc > 3 ? atoi(argv[3]) : 3;
    bool integrated = !(argc > 4 && lstrcmpiA(argv[4], "plain") == 0);

    char systemDir[MAX_PATH];
    GetSystemDirectoryA(systemDir, MAX_PATH - 1);
    lstrcatA(systemDir, "\\");
    Facts.SystemDirPath = systemDir;
    Facts.NewShell = 1;
    Facts.IntegratedShell = integrated;

    HWND parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_OWNERDRAWFIXED | LBS_NOTIFY, 0, 0, 200, 200,
                                parent, nullptr, GetModuleHandleA(nullptr), nullptr);

    int before = CountClasses();
    double seedStart = Now();
    if (!Seed(classes, folders)) {
        printf("seeding failed\n");
        Unseed(classes);
        return 1;
    }
    printf("seeded %d classes (%d shell folders) in %.0f ms; the key now holds %d classes; %s\n", classes,
           folders, Now() - seedStart, CountClasses(), integrated ? "integrated shell" : "older shell");

    double bestWalk = 1e30, bestFill = 1e30;
    int walked = 0, rows = 0;
    for (int round = 0; round < rounds; ++round) {
        double start = Now();
        walked = BareWalk();
        double walk = Now() - start;

        start = Now();
        FillShellFolderList(list);
        double fill = Now() - start;
        rows = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
        FreeList(list);

        printf("round %d: RegEnumKeyExA walk %.1f ms (%d names), FillShellFolderList %.1f ms (%d rows)\n",
               round + 1, walk, walked, fill, rows);
        if (walk < bestWalk)
            bestWalk = walk;
        if (fill < bestFill)
            bestFill = fill;
    }
    printf("best of %d: walk %.1f ms, fill %.1f ms, ratio %.1f; %.2f us per class for the fill\n", rounds, bestWalk,
           bestFill, bestFill / (bestWalk > 0 ? bestWalk : 1), bestFill * 1000.0 / (walked > 0 ? walked : 1));

    double unseedStart = Now();
    Unseed(classes);
    printf("removed the seeded classes in %.0f ms; the key holds %d classes again (%d before)\n",
           Now() - unseedStart, CountClasses(), before);
    DestroyWindow(parent);
    return CountClasses() == before ? 0 : 1;
}
