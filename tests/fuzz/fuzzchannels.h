// What the fuzz channels share: the run, the input generator, buffers with guard bytes.
#ifndef TILEFOX_FUZZCHANNELS_H
#define TILEFOX_FUZZCHANNELS_H

#include <windows.h>

#include <string>
#include <vector>

namespace fuzz {

struct Random {
    unsigned state;
    unsigned Next();
    int Below(int limit) { return limit <= 0 ? 0 : int(Next() % unsigned(limit)); }
    bool Chance(int percent) { return Below(100) < percent; }
    // Blanks, quotes, separators, stray bytes and double-byte characters with 0x5C trail bytes.
    std::string Text(int maxLength);
};

// One input channel: Make builds an input, Feed runs it through the program's code and calls
// Fail for whatever is wrong. Recover sets the scratch places right after a fault.
struct Channel {
    const char *Name;
    void (*SetUp)();
    std::string (*Make)(Random &random);
    void (*Feed)(const std::string &input);
    void (*Recover)();
    void (*TearDown)();
    const Channel *Next;
};

const Channel *FirstChannel();
// Registers a channel at start-up (a static object per channel file).
struct ChannelRegistration {
    explicit ChannelRegistration(Channel *channel);
};

struct Run {
    const Channel *Channel = nullptr;
    std::string Scratch;    // the only folder the program's code may write in
    std::string DriveRoot;  // and this one file in a drive root, when a channel needs it
    std::string SystemDir;
    std::string Fixtures;
    bool InInput = false;
    bool Armed = false;     // the program's code is running: writes are watched
    bool Failed = false;
    const char *Label = "";
    int Index = 0;
};
extern Run g_run;

// Marks the running input failed, with a reason for the log.
void Fail(const char *reason);

// Applies a few random edits: flips, cuts, long runs, separators, dictionary words.
std::string Mutate(Random &random, std::string text, const std::vector<std::string> &dictionary);
// "$S$" the scratch folder, "$Y$" the system folder, "$F$" the fixtures folder: saved inputs
// stay valid in another prefix.
std::string Expand(const std::string &input);

// Takes the folder-icon change through its Change Icon dialog, answered with 'O' (OK), 'C'
// (Cancel) or 'D' (restore); without anchor it restores at once.
void ChangeFolderIconWith(const std::string &folder, char answer, bool anchored);

// Opens the Change Icon dialog on a library, types the text into its file-name field and
// answers as above; the location it gives back is checked.
void TypeIntoChangeIcon(HWND owner, const std::string &typed, char answer);

// Runs the program's code with writes watched.
class Armed {
public:
    Armed() { g_run.Armed = true; }
    ~Armed() { g_run.Armed = false; }
};

// A buffer of the stated size pre-filled with a marker byte, followed by guard bytes.
class CheckedBuffer {
public:
    enum { MARK = 0xA7, GUARD = 32 };
    CheckedBuffer(int size, const std::string &content);
    char *Get() { return &bytes_[0]; }
    // Terminated within limit (default: the whole size) and no guard byte touched.
    bool Check(const char *what, int limit = -1) const;

private:
    int size_;
    std::string bytes_;
};

}  // namespace fuzz

#endif
