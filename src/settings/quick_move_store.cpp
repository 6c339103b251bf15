#include "settings/quick_move_store.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "common/com_query.h"
#include "common/shell_item_list.h"
#include "common/unique_handle.h"
#include "settings/shortcut_format.h"
#include "module/module.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

// A shortcut is a few kilobytes. Anything larger is not read at all: the menu reads the
// store inside the browser window, and a huge file there would stall it.
constexpr DWORD kMaxShortcutBytes = 64 * 1024;

inline void GlobalFreeValue(HGLOBAL memory) { ::GlobalFree(memory); }
using unique_hglobal = unique_any<HGLOBAL, GlobalFreeValue>;

// Whether an object opened with FILE_FLAG_OPEN_REPARSE_POINT is a link or junction itself
// (true too when that cannot be told).
bool IsReparsePoint(HANDLE opened) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return !::GetFileInformationByHandleEx(opened, FileAttributeTagInfo, &tag, sizeof(tag)) ||
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A look by path first: Wine reports a link to a folder only there, as it opens the
// target whatever the flags say.
bool PathIsReparsePoint(const wchar_t* path) {
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The whole file as a stream in memory, read with one bounded read; null when the file
// cannot be opened, is a link, is larger than a shortcut can be, or is not a well-formed
// shortcut (the shell's reader trusts the sizes and offsets inside and must not see a
// damaged one).
ComPtr<IStream> ReadShortcutFile(const wchar_t* path) {
    unique_hfile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    LARGE_INTEGER size{};
    if (!file || IsReparsePoint(file.get()) || !::GetFileSizeEx(file.get(), &size) ||
        size.QuadPart > kMaxShortcutBytes) {
        return nullptr;
    }
    unique_hglobal memory(::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size.QuadPart) + 1));
    if (!memory) return nullptr;
    DWORD read = 0;
    void* bytes = ::GlobalLock(memory.get());
    const bool ok = bytes && ::ReadFile(file.get(), bytes, static_cast<DWORD>(size.QuadPart), &read, nullptr) &&
                    IsWellFormedShortcut(static_cast<const unsigned char*>(bytes), read);
    if (bytes) ::GlobalUnlock(memory.get());
    ComPtr<IStream> stream;
    if (!ok || FAILED(::CreateStreamOnHGlobal(memory.get(), TRUE, &stream)) || !stream) return nullptr;
    (void)memory.release();  // the stream frees it
    // The stream's size is what was really read, whatever the file claimed.
    ULARGE_INTEGER length{};
    length.QuadPart = read;
    if (FAILED(stream->SetSize(length))) return nullptr;
    return stream;
}

// The folder holding the target can name it. The shell's file-information call (Wine's,
// at least) takes the name from its folder without looking whether the folder gave one,
// so for an item the folder refuses (damaged inside a well-formed list) it reads through
// whatever pointer happened to be there.
bool FolderNamesTarget(PCIDLIST_ABSOLUTE pidl) {
    ComPtr<IShellFolder> parent;
    PCUITEMID_CHILD last = nullptr;
    if (FAILED(::SHBindToParent(pidl, IID_PPV_ARGS(&parent), &last)) || !parent || !last) return false;
    STRRET name{};
    if (FAILED(parent->GetDisplayNameOf(last, SHGDN_INFOLDER, &name))) return false;
    unique_cotaskmem_string text(name.uType == STRRET_WSTR ? name.pOleStr : nullptr);
    return true;
}

// The store's folder held open, so that nobody can rename or remove it (no delete
// sharing) while it is written: the paths below it keep naming it.
unique_hfile OpenStoreFolder(const wchar_t* links, DWORD* error) {
    if (PathIsReparsePoint(links)) {
        *error = kStoreReparsePointError;
        return unique_hfile();
    }
    unique_hfile held(::CreateFileW(links, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!held) {
        *error = ::GetLastError();
        return unique_hfile();
    }
    if (IsReparsePoint(held.get())) {
        *error = kStoreReparsePointError;
        return unique_hfile();
    }
    return held;
}

// An existing shortcut of the store, opened for deletion without following a link;
// refused (kStoreReparsePointError) when it is a link or shares its data with another
// name, which deleting or rewriting would reach.
unique_hfile OpenStoreEntry(const wchar_t* path, DWORD* error) {
    unique_hfile entry(::CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!entry) {
        *error = ::GetLastError();
        return unique_hfile();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (IsReparsePoint(entry.get()) || !::GetFileInformationByHandle(entry.get(), &info) ||
        info.nNumberOfLinks != 1) {
        *error = kStoreReparsePointError;
        return unique_hfile();
    }
    return entry;
}

// A shortcut to `target` as the bytes of a .lnk file, in memory.
HRESULT ShortcutBytes(PCIDLIST_ABSOLUTE target, ComPtr<IStream>& stream, ULONG* bytes) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistStream> persist;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&link));
    if (SUCCEEDED(hr)) hr = link->SetIDList(target);
    if (SUCCEEDED(hr)) hr = link.As(&persist);
    if (SUCCEEDED(hr)) hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(hr)) hr = persist->Save(stream.Get(), TRUE);
    ULARGE_INTEGER end{};
    if (SUCCEEDED(hr)) hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end);
    if (SUCCEEDED(hr) && end.QuadPart > kMaxShortcutBytes) hr = E_UNEXPECTED;
    *bytes = static_cast<ULONG>(end.QuadPart);
    return hr;
}

// Writes a new shortcut file: created, never opened, so nothing already at `path` (a
// link planted there included) is followed or written through.
DWORD CreateShortcutFile(const wchar_t* path, PCIDLIST_ABSOLUTE target) {
    ComPtr<IStream> stream;
    ULONG bytes = 0;
    HGLOBAL memory = nullptr;
    HRESULT hr = ShortcutBytes(target, stream, &bytes);
    if (SUCCEEDED(hr)) hr = ::GetHGlobalFromStream(stream.Get(), &memory);
    if (FAILED(hr)) return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_CANNOT_MAKE;
    unique_hfile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return ::GetLastError();
    const void* data = ::GlobalLock(memory);
    if (!data) return ERROR_NOT_ENOUGH_MEMORY;
    DWORD written = 0;
    const BOOL wrote = ::WriteFile(file.get(), data, bytes, &written, nullptr);
    const DWORD error = wrote ? (written == bytes ? ERROR_SUCCESS : ERROR_WRITE_FAULT) : ::GetLastError();
    ::GlobalUnlock(memory);
    return error;
}

}  // namespace

std::vector<std::wstring> QuickMoveLinkNames(const wchar_t* links) {
    std::vector<std::wstring> names;
    wchar_t pattern[MAX_PATH];
    if (PathIsReparsePoint(links) || !AppendPath(pattern, links, L"*.lnk")) return names;
    WIN32_FIND_DATAW found;
    unique_hfind find(::FindFirstFileW(pattern, &found));
    if (!find) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (::FindNextFileW(find.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

LinkRead ReadQuickMoveLink(const wchar_t* path, PIDLIST_ABSOLUTE* pidl) {
    *pidl = nullptr;
    ComPtr<IStream> stream = ReadShortcutFile(path);
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistStream> persist;
    if (!stream || FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&link))) ||
        !QueryTo(link, persist) || FAILED(persist->Load(stream.Get()))) {
        return LinkRead::Stop;
    }
    if (FAILED(link->Resolve(nullptr, SLR_NO_UI | SLR_NOSEARCH | SLR_NOTRACK))) return LinkRead::Skip;
    unique_pidl target;
    if (FAILED(link->GetIDList(target.put())) || !target) return LinkRead::Skip;
    if (ShellItemListSize(target.get()) == 0 || !FolderNamesTarget(target.get())) return LinkRead::Skip;
    *pidl = target.release();
    return LinkRead::Loaded;
}

bool QuickMoveFolders::Append(PIDLIST_ABSOLUTE pidl) {
    unique_pidl owned(pidl);
    if (full()) return false;
    items_[count_++] = std::move(owned);
    return true;
}

void QuickMoveFolders::Reorder(const std::size_t* order, std::size_t count) {
    unique_pidl next[kMaxQuickMoveFolders];
    bool kept[kMaxQuickMoveFolders] = {};
    std::size_t n = 0;
    for (std::size_t i = 0; i < count && n < kMaxQuickMoveFolders; ++i) {
        if (order[i] < count_ && !kept[order[i]]) {
            kept[order[i]] = true;
            next[n++] = std::move(items_[order[i]]);
        }
    }
    // Entries not named are freed as their slots take the new order.
    std::move(std::begin(next), std::end(next), std::begin(items_));
    count_ = n;
}

void QuickMoveFolders::Clear() {
    for (unique_pidl& item : items_) item.reset();
    count_ = 0;
}

bool LinksFolderPath(const wchar_t* folder, wchar_t (&out)[MAX_PATH]) { return AppendPath(out, folder, L"Links"); }

void ReadQuickMoveStore(const wchar_t* folder, QuickMoveFolders& into) {
    into.Clear();
    wchar_t links[MAX_PATH];
    if (!LinksFolderPath(folder, links)) return;
    for (const std::wstring& name : QuickMoveLinkNames(links)) {
        if (into.full()) return;
        wchar_t path[MAX_PATH];
        if (!AppendPath(path, links, name.c_str())) return;
        PIDLIST_ABSOLUTE pidl = nullptr;
        const LinkRead read = ReadQuickMoveLink(path, &pidl);
        if (read == LinkRead::Stop) return;
        if (read == LinkRead::Loaded) into.Append(pidl);
    }
}

DWORD WriteQuickMoveStore(const wchar_t* folder, const QuickMoveFolders& folders) {
    wchar_t links[MAX_PATH];
    if (!LinksFolderPath(folder, links)) return ERROR_FILENAME_EXCED_RANGE;
    if (!::CreateDirectoryW(links, nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return ::GetLastError();
    DWORD error = ERROR_SUCCESS;
    const unique_hfile held = OpenStoreFolder(links, &error);
    if (!held) return error;

    // Every old shortcut is checked before any goes, so a refused one leaves the store whole.
    std::vector<unique_hfile> old;
    for (const std::wstring& name : QuickMoveLinkNames(links)) {
        wchar_t path[MAX_PATH];
        if (!AppendPath(path, links, name.c_str())) return ERROR_FILENAME_EXCED_RANGE;
        unique_hfile entry = OpenStoreEntry(path, &error);
        if (!entry) return error;
        old.push_back(std::move(entry));
    }
    for (unique_hfile& entry : old) {
        FILE_DISPOSITION_INFO gone{TRUE};
        if (!::SetFileInformationByHandle(entry.get(), FileDispositionInfo, &gone, sizeof(gone))) {
            return ::GetLastError();
        }
        entry.reset();  // deleted as its last handle closes
    }
    for (std::size_t i = 0; i < folders.count(); ++i) {
        wchar_t name[16];
        std::swprintf(name, 16, L"%02d.lnk", static_cast<int>(i));
        wchar_t path[MAX_PATH];
        if (!AppendPath(path, links, name)) return ERROR_FILENAME_EXCED_RANGE;
        error = CreateShortcutFile(path, folders.at(i));
        if (error != ERROR_SUCCESS) return error;
    }
    return ERROR_SUCCESS;
}

}  // namespace cc
