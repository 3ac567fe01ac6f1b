// Every write of the program to the registry or to a file, reported as it returns.
#ifndef TILEFOX_TESTS_SUPPORT_WRITEWATCH_H
#define TILEFOX_TESTS_SUPPORT_WRITEWATCH_H

struct WriteSeen {
    const char *Function;
    const char *Target;  // the file, or the value or key name; null where none was given
    // It changed what is kept: a value set or deleted, a key made anew, a profile line, bytes
    // written, a file made for writing.
    bool Lasting;
    // It may change a file or key at all: also a file opened to write, a key opened to write,
    // a file deleted or made a folder, attributes set, a key deleted.
    bool Writing;
};

class WriteWatch {
public:
    explicit WriteWatch(void (*seen)(const WriteSeen &));
    ~WriteWatch();
    WriteWatch(const WriteWatch &) = delete;
    WriteWatch &operator=(const WriteWatch &) = delete;
};

#endif
