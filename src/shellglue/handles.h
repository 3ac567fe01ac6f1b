// Owners that release what they hold on every path. Not copyable; a window wrapper does
// not exist on purpose: windows are owned by their parents.
#ifndef TILEFOX_HANDLES_H
#define TILEFOX_HANDLES_H

#include <windows.h>

#include "shellglue/system.h"

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;

    bool Open(HKEY root, const char *subkey, REGSAM access)
    {
        Close();
        return RegOpenKeyExA(root, subkey, 0, access | RegistryView(), &key_) == ERROR_SUCCESS;
    }
    bool Create(HKEY root, const char *subkey, REGSAM access)
    {
        Close();
        DWORD disposition = 0;
        char emptyClass[1] = {0};
        return RegCreateKeyExA(root, subkey, 0, emptyClass, REG_OPTION_NON_VOLATILE, access | RegistryView(),
                               nullptr, &key_, &disposition) == ERROR_SUCCESS;
    }
    void Close()
    {
        if (key_ != nullptr) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// A GMEM_FIXED block (texts handed around the program).
class GlobalText {
public:
    explicit GlobalText(char *text = nullptr) : text_(text) {}
    ~GlobalText() { Reset(nullptr); }
    GlobalText(const GlobalText &) = delete;
    GlobalText &operator=(const GlobalText &) = delete;

    char *Get() const { return text_; }
    char *Release()
    {
        char *text = text_;
        text_ = nullptr;
        return text;
    }
    void Reset(char *text)
    {
        if (text_ != nullptr)
            GlobalFree(text_);
        text_ = text;
    }

private:
    char *text_;
};

// A file opened with CreateFileA.
class FileHandle {
public:
    explicit FileHandle(HANDLE file = INVALID_HANDLE_VALUE) : file_(file) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    HANDLE Get() const { return file_; }
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    // False when the system could not finish the file (its last write failed).
    bool Close()
    {
        bool closed = true;
        if (file_ != INVALID_HANDLE_VALUE)
            closed = CloseHandle(file_) != FALSE;
        file_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE file_;
};

#endif
