// Other processes and files for the tests that are about processes: running a program
// with a time limit, a scratch folder that cleans itself up, whole-file reads and writes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace cc::test {

// Starts `commandLine`; the process handle, or an empty owner when it could not start.
unique_handle StartProcess(const std::wstring& commandLine);
// Its exit code; -1 for no process, -2 when it had to be killed after `timeoutMs`.
long WaitForExit(const unique_handle& process, DWORD timeoutMs = 60000);
// Both in one.
long RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// The folder of this test program (where the build puts the DLL and helper programs).
std::wstring ProgramFolder();
std::wstring ProgramPath();

// A fresh folder under the temp folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool WriteWholeFile(const std::wstring& path, const void* data, size_t bytes);
std::vector<unsigned char> ReadWholeFile(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Saves a real shell link at `path` to the folder `target` (empty: a link without a
// target). The caller has initialised COM.
bool SaveShortcut(const std::wstring& path, const std::wstring& target);
// Makes `link` a symbolic link to the folder `target`, as a user could make a junction:
// Wine has no call that makes one, so this asks the Unix shell. True when Wine then
// reports `link` as a reparse point.
bool MakeUnixSymlink(const std::wstring& link, const std::wstring& target);
void RemoveUnixSymlink(const std::wstring& link);
// Names of the files directly in `folder`.
std::vector<std::wstring> ListFolder(const std::wstring& folder);

}  // namespace cc::test
