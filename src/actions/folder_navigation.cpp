#include "actions/folder_navigation.h"
#include "common/active_shell_view.h"
#include "common/com_query.h"
#include "common/shell_item_list.h"
#include "common/unique_handle.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <utility>

#include "actions/address_walk.h"
#include "actions/executor.h"
#include "actions/launch.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

constexpr UINT kTabBarOpenPending = WM_APP + 3;
constexpr LONG kCsidlDrives = 17;
// A folder of a few hundred thousand items is compared in well under a second; a view
// that keeps enumerating is not followed further.
constexpr int kMaxItemsCompared = 1 << 20;
// Display names longer than this are never matched.
constexpr UINT kItemNameUnits = 1024;

HRESULT NavigateTo(IWebBrowser2* browser, VARIANT* target) {
    VARIANT empty;
    ::VariantInit(&empty);
    return browser->Navigate2(target, &empty, &empty, &empty, &empty);
}

// The browser's current address copied into `out` (empty when it has none).
bool ReadAddress(IWebBrowser2* browser, AddressBuffer& out) {
    unique_bstr url;
    const HRESULT hr = browser->get_LocationURL(url.put());
    CopyAddress(out, SUCCEEDED(hr) ? url.get() : nullptr);
    return SUCCEEDED(hr);
}

bool NavigateToAddress(IWebBrowser2* browser, const wchar_t* address) {
    unique_variant target;
    target->bstrVal = ::SysAllocString(address);
    if (!target->bstrVal) return false;
    target->vt = VT_BSTR;
    NavigateTo(browser, target.get());
    return true;
}

int UpOneFolderByPath(IWebBrowser2* browser) {
    AddressBuffer address;
    ReadAddress(browser, address);
    switch (UpOneFolderAddress(address)) {
    case UpFolderTarget::Nothing:
        return 0;
    case UpFolderTarget::Drives: {
        VARIANT drives;
        ::VariantInit(&drives);
        drives.vt = VT_I4;
        drives.lVal = kCsidlDrives;
        NavigateTo(browser, &drives);
        return 1;
    }
    case UpFolderTarget::Address:
        NavigateToAddress(browser, address);
        return 1;
    }
    return 0;
}

int UpOneFolderByNamespace(IWebBrowser2* browser) {
    unique_pidl pidl;
    if (!GetCurrentFolderPidl(browser, pidl)) return 1;
    if (::ILRemoveLastID(reinterpret_cast<PUIDLIST_RELATIVE>(pidl.get()))) {
        unique_variant target;
        if (PidlToVariant(target.get(), pidl.get())) NavigateTo(browser, target.get());
    }
    return 1;
}

}  // namespace

bool GetCurrentFolderPidl(IWebBrowser2* browser, unique_pidl& pidl) {
    pidl.reset();
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> shellBrowser;
    ComPtr<IShellView> view;
    ComPtr<IFolderView> folderView;
    ComPtr<IPersistFolder2> folder;
    if (!QueryTo(browser, services) ||
        FAILED(services->QueryService(IID_IShellBrowser, IID_PPV_ARGS(&shellBrowser))) || !shellBrowser ||
        FAILED(shellBrowser->QueryActiveShellView(&view)) || !QueryTo(view, folderView) ||
        FAILED(folderView->GetFolder(IID_PPV_ARGS(&folder))) || !folder) {
        return false;
    }
    unique_pidl current;
    if (FAILED(folder->GetCurFolder(current.put())) || !current || ShellItemListSize(current.get()) == 0) return false;
    pidl = std::move(current);
    return true;
}

int UpOneFolder(const GestureContext& ctx, int32_t byPath) {
    if (!ctx.browser) return 0;
    return byPath != 0 ? UpOneFolderByPath(ctx.browser) : UpOneFolderByNamespace(ctx.browser);
}

int UpOneLevel(const GestureContext& ctx) {
    if (!ctx.browser) return 0;
    AddressBuffer address;
    if (!ReadAddress(ctx.browser, address) || address[0] == L'\0') return 0;
    if (!UpOneLevelAddress(address)) return 0;
    return NavigateToAddress(ctx.browser, address) ? 1 : 0;
}

namespace {

// The display name of a child as the view shows it, or false.
bool DisplayName(IShellFolder* folder, PCUITEMID_CHILD child, SHGDNF flags, wchar_t* out, UINT units) {
    STRRET name{};
    out[0] = L'\0';
    return SUCCEEDED(folder->GetDisplayNameOf(child, flags, &name)) &&
           SUCCEEDED(::StrRetToBufW(&name, child, out, units));  // frees what the STRRET holds
}

// The one child of the view shown as `itemName`; false when none or several are.
bool FindOnlyItemNamed(IFolderView* view, IShellFolder* folder, const wchar_t* itemName, unique_child_pidl& found) {
    ComPtr<IEnumIDList> items;
    if (FAILED(view->Items(SVGIO_ALLVIEW, IID_PPV_ARGS(&items))) || !items) return false;
    int matches = 0;
    wchar_t name[kItemNameUnits];
    for (int i = 0; i < kMaxItemsCompared; ++i) {
        unique_child_pidl child;
        ULONG fetched = 0;
        if (items->Next(1, child.put(), &fetched) != S_OK || fetched != 1 || !child) break;
        if (!DisplayName(folder, child.get(), SHGDN_INFOLDER, name, kItemNameUnits) ||
            std::wcscmp(name, itemName) != 0) {
            continue;
        }
        if (++matches > 1) return false;  // "a" the folder and "a.txt" with extensions hidden
        found = std::move(child);
    }
    return matches == 1;
}

}  // namespace

bool OpenFolderItemInNewWindow(const GestureContext& ctx, const wchar_t* itemName) {
    if (!ctx.browser || !itemName || !itemName[0] || std::wcslen(itemName) >= kItemNameUnits - 1) return false;
    const ComPtr<IShellView> view = ActiveShellView(ctx.browser);
    ComPtr<IFolderView> folderView;
    ComPtr<IShellFolder> folder;
    if (!QueryTo(view, folderView) || FAILED(folderView->GetFolder(IID_PPV_ARGS(&folder))) || !folder) return false;
    unique_child_pidl item;
    if (!FindOnlyItemNamed(folderView.Get(), folder.Get(), itemName, item)) return false;
    // A zip or similar file that browses like a folder is still a file here.
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_STREAM;
    PCUITEMID_CHILD items[] = {item.get()};
    if (FAILED(folder->GetAttributesOf(1, items, &attributes)) || !(attributes & SFGAO_FOLDER) ||
        !(attributes & SFGAO_FILESYSTEM) || (attributes & SFGAO_STREAM)) {
        return false;
    }
    std::unique_ptr<wchar_t[]> path(new (std::nothrow) wchar_t[kCommandLineUnits]);
    if (!path || !DisplayName(folder.Get(), item.get(), SHGDN_FORPARSING, path.get(), kCommandLineUnits) || !path[0]) {
        return false;
    }
    // Nothing navigates here, so a tab add-on is handed the navigation to take.
    if (HWND tabBar = FindTabBarWindow(ctx.browser)) {
        ::SendMessageW(tabBar, kTabBarOpenPending, 0, 0);
        return NavigateToAddress(ctx.browser, path.get());
    }
    ProgramParameters parameters;
    if (parameters.Join(L"explorer.exe", L"/n, file:///", path.get())) {
        StartProgram(L"explorer.exe", parameters.text());
    }
    return true;
}

void OpenInNewWindow(const GestureContext& ctx, BSTR url, VARIANT_BOOL* cancel) {
    ctx.session->NewWindowPending = 0;
    if (ctx.session->ViewKind == ViewWeb) {
        if (cancel) *cancel = VARIANT_TRUE;
        ProgramParameters address;
        if (address.Join(L"iexplore.exe", nullptr, url)) StartProgram(L"iexplore.exe", address.text());
        return;
    }
    if (HWND tabBar = FindTabBarWindow(ctx.browser)) {
        ::SendMessageW(tabBar, kTabBarOpenPending, 0, 0);
        return;
    }
    if (cancel) *cancel = VARIANT_TRUE;
    ProgramParameters parameters;
    if (parameters.Join(L"explorer.exe", L"/n, file:///", url)) StartProgram(L"explorer.exe", parameters.text());
}

}  // namespace cc
