#include "menus/wheel_menus.h"
#include "common/com_query.h"

#include <shellapi.h>
#include <shlobj.h>
#include <tlogstg.h>
#include <wrl/client.h>

#include "actions/folder_navigation.h"
#include "settings/quick_move_store.h"
#include "menus/quick_wnd.h"
#include "module/module.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

constexpr UINT kMenuFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;
constexpr int kBackIconId = 210;
constexpr int kForwardIconId = 212;
constexpr ULONG kMaxHistoryEntries = 15;
// SID_STravelLogCursor and IID_ITravelLogStg, which MinGW's uuid library lacks.
constexpr GUID kTravelLogStg = {0x7EBFDD80, 0xAD18, 0x11D3, {0xA4, 0xC5, 0x00, 0xC0, 0x4F, 0x72, 0xD6, 0xB8}};

// A DC of the window under the pointer with the default GUI font selected: what the
// item texts are measured with.
class MeasuringDc {
public:
    explicit MeasuringDc(HWND window) : window_(window), dc_(::GetDC(window)) {
        if (dc_) previous_ = ::SelectObject(dc_, ::GetStockObject(DEFAULT_GUI_FONT));
    }
    ~MeasuringDc() {
        if (!dc_) return;
        if (previous_) ::SelectObject(dc_, previous_);
        ::ReleaseDC(window_, dc_);
    }
    MeasuringDc(const MeasuringDc&) = delete;
    MeasuringDc& operator=(const MeasuringDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

class PopupMenu {
public:
    PopupMenu() : menu_(::CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu_) ::DestroyMenu(menu_);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU get() const { return menu_; }
    // An owner-drawn item (drawn from slot id - 1) at `position`.
    void Insert(UINT position, UINT id, UINT state, bool withState) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_FTYPE | (withState ? MIIM_STATE : 0);
        item.fType = MFT_OWNERDRAW;
        item.fState = state;
        item.wID = id;
        ::InsertMenuItemW(menu_, position, TRUE, &item);
    }
    UINT Track(POINT at, HWND owner) const {
        return static_cast<UINT>(::TrackPopupMenu(menu_, kMenuFlags, at.x, at.y, 0, owner, nullptr));
    }

private:
    HMENU menu_;
};

VARIANT Nothing() {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_FALSE;
    return v;
}

HICON LoadArrow(int id) {
    return static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
}

}  // namespace

VARIANT ShowQuickMoveMenu(const GestureContext& ctx, POINT screen, HWND underPointer) {
    VARIANT result = Nothing();
    QuickWnd* quick = QuickWnd::FromHandle(ctx.quickWnd);
    ComPtr<IMalloc> allocator;
    if (!quick || FAILED(::SHGetMalloc(&allocator)) || !allocator) return result;
    wchar_t links[MAX_PATH];
    if (!LinksFolderPath(ctx.mapping ? ctx.mapping->folder() : ModuleFolder(), links)) return result;

    PopupMenu menu;
    if (!menu.get()) return result;
    int count = 0;
    {
        MeasuringDc dc(underPointer);
        const std::vector<std::wstring> names = QuickMoveLinkNames(links);
        if (names.empty()) {
            // Nothing registered: one grayed item, drawn like the others.
            quick->SetSlotName(0, L"登録なし", dc.get());
            menu.Insert(0, 1, MFS_GRAYED, true);
        }
        for (const std::wstring& name : names) {
            wchar_t path[MAX_PATH];
            if (!AppendPath(path, links, name.c_str())) break;
            MenuSlot& slot = quick->slot(count);
            const LinkRead read = ReadQuickMoveLink(path, &slot.pidl);
            if (read == LinkRead::Stop) break;
            if (read == LinkRead::Skip) continue;
            SHFILEINFOW info{};
            ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(slot.pidl), 0, &info, sizeof(info),
                             SHGFI_PIDL | SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_SMALLICON);
            slot.icon = info.hIcon;
            quick->SetSlotName(count, info.szDisplayName, dc.get());
            menu.Insert(static_cast<UINT>(count), static_cast<UINT>(count + 1), 0, false);
            if (++count == kMenuSlots) break;
        }
    }
    const UINT chosen = menu.Track(screen, ctx.quickWnd);
    if (chosen > 0 && static_cast<int>(chosen) <= count) PidlToVariant(&result, quick->slot(chosen - 1).pidl);
    if (result.vt == VT_EMPTY) result = Nothing();
    for (int i = 0; i < count; ++i) {
        MenuSlot& slot = quick->slot(i);
        if (slot.icon) ::DestroyIcon(slot.icon);
        slot.icon = nullptr;
        allocator->Free(slot.pidl);
        slot.pidl = nullptr;
    }
    return result;
}

int ShowHistoryMenu(const GestureContext& ctx, POINT screen, HWND underPointer) {
    QuickWnd* quick = QuickWnd::FromHandle(ctx.quickWnd);
    ComPtr<IServiceProvider> services;
    ComPtr<ITravelLogStg> log;
    if (!quick || !QueryTo(ctx.browser, services) ||
        FAILED(services->QueryService(kTravelLogStg, kTravelLogStg, reinterpret_cast<void**>(log.GetAddressOf()))) ||
        !log) {
        return 0;
    }
    DWORD back = 0, forward = 0;
    if (FAILED(log->GetCount(TLEF_RELATIVE_BACK, &back))) return 0;
    if (FAILED(log->GetCount(TLEF_RELATIVE_FORE, &forward))) return 0;
    if (back > kMaxHistoryEntries) back = kMaxHistoryEntries;
    if (forward > kMaxHistoryEntries) forward = kMaxHistoryEntries;
    ComPtr<IEnumTravelLogEntry> backEntries, forwardEntries;
    if (FAILED(log->EnumEntries(TLEF_RELATIVE_BACK, &backEntries)) || !backEntries ||
        FAILED(log->EnumEntries(TLEF_RELATIVE_FORE, &forwardEntries)) || !forwardEntries) {
        return 0;
    }

    PopupMenu menu;
    if (!menu.get()) return 0;
    HICON backIcon = LoadArrow(kBackIconId);
    HICON forwardIcon = LoadArrow(kForwardIconId);
    {
        MeasuringDc dc(underPointer);
        auto addEntry = [&](IEnumTravelLogEntry* entries, int slot, UINT position, HICON icon) {
            ComPtr<ITravelLogEntry> entry;
            ULONG fetched = 0;
            if (entries->Next(1, &entry, &fetched) != S_OK || !entry) return false;
            LPWSTR title = nullptr;
            if (FAILED(entry->GetTitle(&title))) title = nullptr;
            quick->SetSlotName(slot, title, dc.get());
            ::CoTaskMemFree(title);
            quick->slot(slot).icon = icon;
            menu.Insert(position, static_cast<UINT>(slot + 1), 0, true);
            return true;
        };
        for (DWORD i = 0; i < back; ++i) addEntry(backEntries.Get(), static_cast<int>(i), 0, backIcon);
        quick->SetSlotName(static_cast<int>(back), L"History", dc.get());
        quick->slot(static_cast<int>(back)).icon = nullptr;
        menu.Insert(back, back + 1, MFS_GRAYED | MFS_DEFAULT, true);
        int k = 0;
        for (DWORD attempt = 0; attempt < forward; ++attempt) {
            const int slot = static_cast<int>(back) + 1 + k;
            if (addEntry(forwardEntries.Get(), slot, static_cast<UINT>(slot), forwardIcon)) ++k;
        }
    }
    const UINT chosen = menu.Track(screen, ctx.quickWnd);
    if (chosen != 0) {
        const int offset = chosen > back ? static_cast<int>(chosen - back - 1) : -static_cast<int>(chosen);
        ComPtr<ITravelLogEntry> target;
        if (SUCCEEDED(log->GetRelativeEntry(offset, &target)) && target) log->TravelTo(target.Get());
    }
    if (backIcon) ::DestroyIcon(backIcon);
    if (forwardIcon) ::DestroyIcon(forwardIcon);
    for (int i = 0; i < kMenuSlots; ++i) quick->slot(i).icon = nullptr;
    return 1;
}

}  // namespace cc
