#include "process_util.h"

#include <shlobj.h>
#include <wrl/client.h>

#include "common/unique_handle.h"

namespace cc::test {
namespace {

// The Unix path of a Windows path, through Wine's own kernel32 export; empty elsewhere.
std::string UnixPath(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!unix) return std::string();
    std::string copy = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return copy;
}

// Starts a Unix shell command from inside Wine (which starts Unix programs it is given).
bool RunUnixShell(const std::string& command) {
    std::wstring line = L"sh -c \"" + std::wstring(command.begin(), command.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);  // says nothing: Wine does not follow a Unix program
    return true;
}

// Whether a directory entry of that name is there, a link whose target is gone included.
bool EntryExists(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    unique_hfind find(::FindFirstFileW(path.c_str(), &found));
    return static_cast<bool>(find);
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = folder + L"\\" + name;
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveUnixSymlink(full);  // never into a link's target
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                ::DeleteFileW(full.c_str());
            }
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

unique_handle StartProcess(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring mutableLine = commandLine;
    if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        return unique_handle();
    }
    ::CloseHandle(info.hThread);
    return unique_handle(info.hProcess);
}

long WaitForExit(const unique_handle& process, DWORD timeoutMs) {
    if (!process) return -1;
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 5000);
        return -2;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

long RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
    return WaitForExit(StartProcess(commandLine), timeoutMs);
}

std::wstring ProgramPath() {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring ProgramFolder() {
    std::wstring path = ProgramPath();
    return path.substr(0, path.find_last_of(L'\\'));
}

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    for (unsigned attempt = 0;; ++attempt) {
        path_ = std::wstring(temp) + L"cc-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(attempt);
        if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool WriteWholeFile(const std::wstring& path, const void* data, size_t bytes) {
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), data, static_cast<DWORD>(bytes), &written, nullptr) && written == bytes;
}

std::vector<unsigned char> ReadWholeFile(const std::wstring& path) {
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<unsigned char> data;
    if (!file) return data;
    data.resize(::GetFileSize(file.get(), nullptr));
    DWORD read = 0;
    if (!data.empty() && !::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr)) {
        data.clear();
    }
    data.resize(read);
    return data;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return names;
}

bool SaveShortcut(const std::wstring& path, const std::wstring& target) {
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> persist;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&link)))) return false;
    if (!target.empty()) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (FAILED(::SHParseDisplayName(target.c_str(), nullptr, &pidl, 0, nullptr))) return false;
        const HRESULT set = link->SetIDList(pidl);
        ::CoTaskMemFree(pidl);
        if (FAILED(set)) return false;
    }
    return SUCCEEDED(link.As(&persist)) && SUCCEEDED(persist->Save(path.c_str(), TRUE));
}

bool MakeUnixSymlink(const std::wstring& link, const std::wstring& target) {
    const std::string from = UnixPath(link), to = UnixPath(target);
    if (from.empty() || to.empty() || !RunUnixShell("ln -s '" + to + "' '" + from + "'")) return false;
    // Wine hands a Unix program over without waiting for it: wait for the link instead.
    for (ULONGLONG start = ::GetTickCount64(); ::GetTickCount64() - start < 10000; ::Sleep(20)) {
        const DWORD attributes = ::GetFileAttributesW(link.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }
    return false;
}

void RemoveUnixSymlink(const std::wstring& link) {
    const std::string unix = UnixPath(link);
    if (unix.empty() || !RunUnixShell("rm -f '" + unix + "'")) return;
    for (ULONGLONG start = ::GetTickCount64(); ::GetTickCount64() - start < 10000; ::Sleep(20)) {
        if (!EntryExists(link)) return;
    }
}

}  // namespace cc::test
