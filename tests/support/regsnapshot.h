// A copy of some registry keys, to compare with a later one and to put the registry back.
#ifndef TILEFOX_REGSNAPSHOT_H
#define TILEFOX_REGSNAPSHOT_H

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

struct RegistryScope {
    HKEY Root;
    std::string Path;
    bool Recursive;     // with every subkey
};

class RegistrySnapshot {
public:
    // Keys under an excluded path ("HKCU\\Software\\Wine": the system's own bookkeeping) are
    // left out.
    explicit RegistrySnapshot(const std::vector<RegistryScope> &scope, const std::vector<std::string> &excluded = {})
        : scope_(scope), excluded_(excluded)
    {
    }
    void Take();
    // What changed from this copy to the registry now, one line per value or key:
    // "+ HKLM\KEY :: NAME = text", "- ...", "~ ..." (names in capitals, sorted).
    std::vector<std::string> ChangesSince() const;
    // Puts every value and key of the scope back as it was when taken.
    void Restore() const;

    // The line ChangesSince gives for a value that was added (or changed, with '~').
    static std::string Line(char mark, HKEY root, const std::string &path, const std::string &name,
                            const std::string &text);

    // The line for a key that was added or removed.
    static std::string KeyLine(char mark, HKEY root, const std::string &path);

private:
    struct Value {
        HKEY Root;
        std::string Path;
        std::string Name;
        DWORD Type;
        std::string Data;
    };
    struct Key {
        HKEY Root;
        std::string Path;
    };
    void Read(HKEY root, const std::string &path, bool recursive);
    bool ReadSaved(HKEY root, const std::string &path);
    bool Excluded(HKEY root, const std::string &path) const;
    static std::string Identity(HKEY root, const std::string &path, const std::string &name);
    static std::string Shown(const Value &value);

    std::vector<RegistryScope> scope_;
    std::vector<std::string> excluded_;
    std::map<std::string, Value> values_;
    std::map<std::string, Key> keys_;
};

// Both roots whole, for the snapshots that must find every write of a run.
std::vector<RegistryScope> WholeRegistry();

// ChangesSince's lines as one text, each ended by a newline, for comparisons that show them.
std::string JoinLines(const std::vector<std::string> &lines);

// The default value's name in lines.
#define DEFAULT_VALUE_NAME "(default)"

#endif
