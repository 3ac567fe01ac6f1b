// fuzz_inputs CHANNEL COUNT SEED: feeds COUNT generated and mutated inputs of one input channel
// into the program's own code, in this process, and ends with "CHANNEL: COUNT inputs, N failures".
// Built against the fuzz copy of the program (guarded heap blocks, stack protector). A failure
// is a fault, a canary or guard byte overwritten, an output not terminated inside its buffer,
// a broken invariant, or a write outside the scratch folder and keys; each failing input is
// saved as fuzz-failures\CHANNEL-SEED-INDEX.bin. Saved inputs put into fuzz-regressions\ beside
// the program (CHANNEL-*.bin) are replayed first.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "app/startup.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "common/sheetgdi.h"
#include "lists/catalogues.h"
#include "lists/iconentry.h"
#include "shellglue/iconlocation.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "support/testing.h"
#include "support/writewatch.h"
#include "fuzz/fuzzchannels.h"

// --- the stack protector's canary and its alarm, kept here so that a smashed frame counts as
// one failing input instead of ending the run ---------------------------------------------------
extern "C" {
void *__stack_chk_guard = reinterpret_cast<void *>(0x5AC3E1F7);
void __stack_chk_fail(void);
}

namespace fuzz {

Run g_run;

namespace {

#ifdef _WIN64
// x64's longjmp unwinds the frames between, and a fault's frames cannot be unwound: jump plainly.
void *g_resume[5];
#define RESUME_POINT() __builtin_setjmp(g_resume)
#define RESUME() __builtin_longjmp(g_resume, 1)
#else
jmp_buf g_resume;
#define RESUME_POINT() setjmp(g_resume)
#define RESUME() longjmp(g_resume, 1)
#endif
bool g_verbose;     // FUZZ_VERBOSE set: each input is named before it runs
void *g_sehChain;
DWORD g_faultCode;
void *g_faultAddress;

// x86 keeps its exception-handler chain on the stack; x64 handlers live in tables instead.
void *CurrentSehChain()
{
    void *chain = nullptr;
#ifndef _WIN64
    __asm__ volatile("movl %%fs:0, %0" : "=r"(chain));
#endif
    return chain;
}

void SetSehChain(void *chain)
{
#ifndef _WIN64
    __asm__ volatile("movl %0, %%fs:0" : : "r"(chain) : "memory");
#endif
}

// Reached through a rewritten context after a fault, on the stack the fault left: it only
// jumps back to the loop, which restores the exception-handler chain it had.
__attribute__((noreturn)) void ResumeAfterFault()
{
    RESUME();
}

LONG CALLBACK CatchFault(EXCEPTION_POINTERS *pointers)
{
    DWORD code = pointers->ExceptionRecord->ExceptionCode;
    bool fatal = code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_STACK_OVERFLOW ||
                 code == EXCEPTION_ILLEGAL_INSTRUCTION || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
                 code == EXCEPTION_PRIV_INSTRUCTION || code == EXCEPTION_ARRAY_BOUNDS_EXCEEDED ||
                 code == EXCEPTION_DATATYPE_MISALIGNMENT || code == STATUS_HEAP_CORRUPTION;
    if (!fatal || !g_run.InInput)
        return EXCEPTION_CONTINUE_SEARCH;
    g_faultCode = code;
    g_faultAddress = pointers->ExceptionRecord->ExceptionAddress;
    g_run.InInput = false;
    // Continue in ResumeAfterFault well below the faulting frames.
#ifdef _WIN64
    // As if called: a return address's width off the 16-byte line.
    pointers->ContextRecord->Rsp = ((pointers->ContextRecord->Rsp - 256) & ~DWORD64(15)) - 8;
    pointers->ContextRecord->Rip = reinterpret_cast<DWORD64>(&ResumeAfterFault);
#else
    pointers->ContextRecord->Esp = (pointers->ContextRecord->Esp - 256) & ~15u;
    pointers->ContextRecord->Eip = DWORD(reinterpret_cast<UINT_PTR>(&ResumeAfterFault));
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

// --- writes outside the scratch places --------------------------------------------------------

bool InsideScratch(const char *path)
{
    if (path == nullptr)
        return true;
    char full[MAX_PATH * 2];
    char *file = nullptr;
    DWORD length = GetFullPathNameA(path, sizeof full, full, &file);
    if (length == 0 || length >= sizeof full)
        CopyText(full, path, sizeof full);
    if (!g_run.DriveRoot.empty() && lstrcmpiA(full, g_run.DriveRoot.c_str()) == 0)
        return true;
    const std::string &scratch = g_run.Scratch;
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, full, int(scratch.size()), scratch.c_str(),
                          int(scratch.size())) == CSTR_EQUAL &&
           (full[scratch.size()] == '\\' || full[scratch.size()] == '\0');
}

void StrayWrite(const char *what, const char *path)
{
    if (!g_run.Armed)
        return;
    char note[MAX_PATH + 64];
    wsprintfA(note, "%s outside the scratch places: %.260s", what, path != nullptr ? path : "(key)");
    Fail(note);
}

// Registry writes are stray whatever they name: no channel's code has any business there.
void WatchWrite(const WriteSeen &seen)
{
    bool registry = seen.Function[0] == 'R';
    bool profile = lstrcmpA(seen.Function, "WritePrivateProfileStringA") == 0;
    if (seen.Writing && (registry || (profile && seen.Target == nullptr) || !InsideScratch(seen.Target)))
        StrayWrite(seen.Function, seen.Target);
}

void WatchWrites()
{
    new WriteWatch(WatchWrite);
}

// --- the loop -------------------------------------------------------------------------------------

void SaveInput(const std::string &input, unsigned seed, int index)
{
    CreateDirectoryA("fuzz-failures", nullptr);
    char name[MAX_PATH];
    if (index == -1000000)
        wsprintfA(name, "fuzz-failures\\%s-%u-running.bin", g_run.Channel->Name, seed);
    else
        wsprintfA(name, "fuzz-failures\\%s-%u-%d.bin", g_run.Channel->Name, seed, index);
    if (!WriteFileText(name, input))
        return;
    if (index != -1000000)
        fprintf(stderr, "  input saved as %s\n", name);
}

// One input under watch; true when it passed.
bool RunOne(const std::string &input, const char *label, unsigned seed, int index)
{
    if (g_verbose) {
        // A hang leaves its input behind as fuzz-failures\CHANNEL-SEED-running.bin.
        fprintf(stderr, "%s input %d (%s), %u bytes\n", g_run.Channel->Name, index, label, unsigned(input.size()));
        SaveInput(input, seed, -1000000);
    }
    g_run.Failed = false;
    g_run.Label = label;
    g_run.Index = index;
    g_sehChain = CurrentSehChain();
    if (RESUME_POINT() == 0) {
        g_run.InInput = true;
        g_run.Channel->Feed(input);
        g_run.InInput = false;
    } else {
        SetSehChain(g_sehChain);
        g_run.Armed = false;
        char note[96];
        wsprintfA(note, "fault %08lX at %p", g_faultCode, g_faultAddress);
        Fail(note);
        // Whatever the input left half done (open keys, scratch files) is set right again.
        g_run.Channel->Recover();
    }
    if (g_run.Failed)
        SaveInput(input, seed, index);
    return !g_run.Failed;
}

int ReplayRegressions(int *failures)
{
    std::string pattern = TestBinDir() + "fuzz-regressions\\" + g_run.Channel->Name + "-*.bin";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int replayed = 0;
    do {
        std::string input = ReadFileText(TestBinDir() + "fuzz-regressions\\" + found.cFileName);
        if (!RunOne(input, found.cFileName, 0, -1 - replayed))
            ++*failures;
        ++replayed;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return replayed;
}

Channel *g_first;

}  // namespace

const Channel *FirstChannel()
{
    return g_first;
}

ChannelRegistration::ChannelRegistration(Channel *channel)
{
    channel->Next = g_first;
    g_first = channel;
}

void Fail(const char *reason)
{
    if (!g_run.Failed)
        fprintf(stderr, "%s input %d (%s): ", g_run.Channel->Name, g_run.Index, g_run.Label);
    else
        fprintf(stderr, "  also: ");
    fprintf(stderr, "%s\n", reason);
    g_run.Failed = true;
}

// --- inputs --------------------------------------------------------------------------------------

unsigned Random::Next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

std::string Random::Text(int maxLength)
{
    static const char kBytes[] = "abcXYZ019 ,.\\/:\"%-=;[]\t*?|<>";
    std::string text;
    int length = Below(maxLength + 1);
    while (int(text.size()) < length) {
        switch (Below(8)) {
        case 0: {
            // A double-byte character whose trail byte is a backslash.
            static const unsigned char kPairs[][2] = {{0x95, 0x5C}, {0x83, 0x5C}, {0x8B, 0x5C}, {0x9A, 0x5C},
                                                      {0xE0, 0x5C}, {0x82, 0xA0}, {0x88, 0x9F}};
            const unsigned char *pair = kPairs[Below(7)];
            text += char(pair[0]);
            text += char(pair[1]);
            break;
        }
        case 1:
            text += char(Below(256));
            break;
        default:
            text += kBytes[Below(sizeof kBytes - 1)];
            break;
        }
    }
    return text;
}

std::string Mutate(Random &random, std::string text, const std::vector<std::string> &dictionary)
{
    int steps = 1 + random.Below(6);
    for (int i = 0; i < steps; ++i) {
        size_t at = text.empty() ? 0 : random.Below(int(text.size()) + 1);
        switch (random.Below(10)) {
        case 0:
            if (!text.empty() && at < text.size())
                text[at] = char(text[at] ^ (1 << random.Below(8)));
            break;
        case 1:
            if (!text.empty())
                text.erase(at, random.Below(int(text.size() - at) + 1));
            break;
        case 2:
            text.insert(at, std::string(size_t(200 + random.Below(500)), "A\\%,\" "[random.Below(6)]));
            break;
        case 3:
            if (!text.empty()) {
                size_t from = random.Below(int(text.size()));
                text.insert(at, text.substr(from, random.Below(64)));
            }
            break;
        case 4:
            text.insert(at, random.Text(24));
            break;
        case 5:
            text.insert(at, 1, "\"\\,% \t\r\n\0="[random.Below(11)]);
            break;
        default:
            if (!dictionary.empty())
                text.insert(at, dictionary[random.Below(int(dictionary.size()))]);
            break;
        }
    }
    if (text.size() > 80000)
        text.resize(80000);
    return text;
}

std::string Expand(const std::string &input)
{
    std::string out;
    for (size_t i = 0; i < input.size(); ++i) {
        if (input.compare(i, 3, "$S$") == 0) {
            out += g_run.Scratch;
            i += 2;
        } else if (input.compare(i, 3, "$Y$") == 0) {
            out += g_run.SystemDir;
            i += 2;
        } else if (input.compare(i, 3, "$F$") == 0) {
            out += g_run.Fixtures;
            i += 2;
        } else {
            out += input[i];
        }
    }
    return out;
}

// --- checked buffers ----------------------------------------------------------------------------

CheckedBuffer::CheckedBuffer(int size, const std::string &content) : size_(size), bytes_(size + GUARD, char(MARK))
{
    size_t length = content.size() < size_t(size) ? content.size() : size_t(size - 1);
    memcpy(&bytes_[0], content.data(), length);
    bytes_[length] = '\0';
}

bool CheckedBuffer::Check(const char *what, int limit) const
{
    if (limit < 0)
        limit = size_;
    bool ok = true;
    if (memchr(&bytes_[0], 0, size_t(limit)) == nullptr) {
        char note[128];
        wsprintfA(note, "%s: not terminated within its %d bytes", what, limit);
        Fail(note);
        ok = false;
    }
    for (int i = size_; i < size_ + GUARD; ++i) {
        if (bytes_[size_t(i)] != char(MARK)) {
            char note[128];
            wsprintfA(note, "%s: written past its %d bytes", what, size_);
            Fail(note);
            return false;
        }
    }
    return ok;
}

}  // namespace fuzz

extern "C" void __stack_chk_fail(void)
{
    // The frame is not to be trusted: leave through the fault path.
    RaiseException(EXCEPTION_ARRAY_BOUNDS_EXCEEDED, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    ExitProcess(3);
}

int main(int argc, char **argv)
{
    using namespace fuzz;
    App.Instance = GetModuleHandleA(nullptr);
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 4) {
        fprintf(stderr, "usage: fuzz_inputs CHANNEL COUNT SEED\n  channels:");
        for (const Channel *c = FirstChannel(); c != nullptr; c = c->Next)
            fprintf(stderr, " %s", c->Name);
        fprintf(stderr, "\n");
        return 2;
    }
    for (const Channel *c = FirstChannel(); c != nullptr; c = c->Next) {
        if (lstrcmpiA(c->Name, argv[1]) == 0)
            g_run.Channel = c;
    }
    if (g_run.Channel == nullptr) {
        fprintf(stderr, "no channel %s\n", argv[1]);
        return 2;
    }
    int count = atoi(argv[2]);
    unsigned seed = unsigned(strtoul(argv[3], nullptr, 10));

    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    g_verbose = GetEnvironmentVariableA("FUZZ_VERBOSE", nullptr, 0) != 0;
    g_run.Scratch = MakeTempDir((std::string("fuzz_") + g_run.Channel->Name).c_str());
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    g_run.SystemDir = system;
    g_run.Fixtures = TestBinDir() + "fixtures";
    AddVectoredExceptionHandler(1, CatchFault);
    WatchWrites();

    g_run.Channel->SetUp();
    int failures = 0;
    int replayed = ReplayRegressions(&failures);
    if (replayed > 0)
        printf("%s: %d saved inputs replayed\n", g_run.Channel->Name, replayed);

    Random random{seed * 2654435761u + 0x9E3779B9u};
    if (random.state == 0)
        random.state = 1;
    for (int i = 0; i < count; ++i) {
        std::string input = g_run.Channel->Make(random);
        if (!RunOne(input, "generated", seed, i))
            ++failures;
    }
    g_run.Channel->TearDown();
    RemoveTree(g_run.Scratch);
    printf("%s: %d inputs, %d failures\n", g_run.Channel->Name, count, failures);
    return failures == 0 ? 0 : 1;
}
