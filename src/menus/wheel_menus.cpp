#include "menus/wheel_menus.h"
#include "common/com_query.h"

#include <shellapi.h>
#include <shlobj.h>
#include <tlogstg.h>
#include <wrl/client.h>

#include "common/dpi.h"
#include "common/shell_item_list.h"
#include "settings/quick_move_store.h"
#include "menus/quick_wnd.h"
#include "common/unique_handle.h"
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

// A DC of the window under the pointer with the menu's font selected (the default GUI
// font where none could be made): what the item texts are measured with.
class MeasuringDc {
public:
    MeasuringDc(HWND window, HFONT font)
        : dc_(window, ::GetDC(window)), font_(dc_.get(), font ? font : ::GetStockObject(DEFAULT_GUI_FONT)) {}
    HDC get() const { return dc_.get(); }

private:
    unique_window_dc dc_;
    select_object_scope font_;  // put back before the DC goes
};

class PopupMenu {
public:
    PopupMenu() : menu_(::CreatePopupMenu()) {}
    HMENU get() const { return menu_.get(); }
    // An owner-drawn item (drawn from slot id - 1) at `position`.
    void Insert(UINT position, UINT id, UINT state, bool withState) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_FTYPE | (withState ? MIIM_STATE : 0);
        item.fType = MFT_OWNERDRAW;
        item.fState = state;
        item.wID = id;
        ::InsertMenuItemW(menu_.get(), position, TRUE, &item);
    }
    UINT Track(POINT at, HWND owner) const {
        return static_cast<UINT>(::TrackPopupMenu(menu_.get(), kMenuFlags, at.x, at.y, 0, owner, nullptr));
    }

private:
    unique_hmenu menu_;
};

void SetNothing(unique_variant& v) {
    v.reset();
    v->vt = VT_BOOL;
    v->boolVal = VARIANT_FALSE;
}

// The resource's image nearest the size, scaled to it.
unique_hicon LoadArrow(int id, int size) {
    return unique_hicon(
        static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

// A folder's icon at `size` pixels: the shell item's own image at that size (the file
// information call knows only the system's small and large sizes); that small icon where
// the item gives no image of that size (Wine's answers a 1 x 1 bitmap).
unique_hicon FolderIcon(PCIDLIST_ABSOLUTE pidl, int size) {
    ComPtr<IShellItemImageFactory> images;
    HBITMAP bitmap = nullptr;
    if (SUCCEEDED(::SHCreateItemFromIDList(pidl, IID_PPV_ARGS(&images))) && images &&
        SUCCEEDED(images->GetImage(SIZE{size, size}, SIIGBF_ICONONLY, &bitmap)) && bitmap) {
        const unique_hbitmap colour(bitmap);
        BITMAP measured{};
        const bool ofTheSize = ::GetObjectW(bitmap, sizeof(measured), &measured) == sizeof(measured) &&
                               measured.bmWidth == size && measured.bmHeight == size;
        // The image is 32-bit with alpha: the mask is ignored for such an icon but must exist.
        const unique_hbitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmColor = colour.get();
        info.hbmMask = mask.get();
        if (ofTheSize && mask) {
            if (HICON icon = ::CreateIconIndirect(&info)) return unique_hicon(icon);
        }
    }
    SHFILEINFOW file{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &file, sizeof(file), SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
    return unique_hicon(file.hIcon);
}

// The slots a menu draws from borrow these; they go when the menu has closed, and the
// slots are cleared so nothing points at them afterwards.
struct SlotOwners {
    explicit SlotOwners(QuickWnd& quick) : quick_(quick) {}
    ~SlotOwners() {
        for (int i = 0; i < kMenuSlots; ++i) {
            quick_.slot(i).icon = nullptr;
            quick_.slot(i).pidl = nullptr;
        }
    }
    SlotOwners(const SlotOwners&) = delete;
    SlotOwners& operator=(const SlotOwners&) = delete;
    unique_hicon icons[kMenuSlots];
    unique_pidl pidls[kMenuSlots];

private:
    QuickWnd& quick_;
};

}  // namespace

void ShowQuickMoveMenu(const GestureContext& ctx, POINT screen, HWND underPointer, unique_variant& chosenFolder) {
    SetNothing(chosenFolder);
    QuickWnd* quick = QuickWnd::FromHandle(ctx.quickWnd);
    if (!quick) return;
    // A store that cannot be reached now (a network share that does not answer) shows as empty.
    const wchar_t* folder = ctx.mapping ? ctx.mapping->ReadableFolder() : ModuleFolder();
    wchar_t links[MAX_PATH] = L"";
    if (folder && !LinksFolderPath(folder, links)) return;

    PopupMenu menu;
    if (!menu.get()) return;
    SlotOwners owners(*quick);
    quick->SetMenuDpi(PointDpi(screen, underPointer));
    int count = 0;
    {
        MeasuringDc dc(underPointer, quick->menuFont());
        const std::vector<std::wstring> names = folder ? QuickMoveLinkNames(links) : std::vector<std::wstring>();
        if (names.empty()) {
            // Nothing registered: one grayed item, drawn like the others.
            quick->SetSlotName(0, L"登録なし", dc.get());
            menu.Insert(0, 1, MFS_GRAYED, true);
        }
        for (const std::wstring& name : names) {
            wchar_t path[MAX_PATH];
            if (!AppendPath(path, links, name.c_str())) break;
            MenuSlot& slot = quick->slot(count);
            const LinkRead read = ReadQuickMoveLink(path, owners.pidls[count].put());
            if (read == LinkRead::Stop) break;
            if (read == LinkRead::Skip) continue;
            slot.pidl = owners.pidls[count].get();
            SHFILEINFOW info{};
            ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(slot.pidl), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_DISPLAYNAME);
            owners.icons[count] = FolderIcon(slot.pidl, quick->iconSize());
            slot.icon = owners.icons[count].get();
            quick->SetSlotName(count, info.szDisplayName, dc.get());
            menu.Insert(static_cast<UINT>(count), static_cast<UINT>(count + 1), 0, false);
            if (++count == kMenuSlots) break;
        }
    }
    const UINT chosen = menu.Track(screen, ctx.quickWnd);
    if (chosen > 0 && static_cast<int>(chosen) <= count && !PidlToVariant(chosenFolder.put(), quick->slot(chosen - 1).pidl)) {
        SetNothing(chosenFolder);
    }
}

bool ShowHistoryMenu(const GestureContext& ctx, POINT screen, HWND underPointer) {
    QuickWnd* quick = QuickWnd::FromHandle(ctx.quickWnd);
    ComPtr<IServiceProvider> services;
    ComPtr<ITravelLogStg> log;
    if (!quick || !QueryTo(ctx.browser, services) ||
        FAILED(services->QueryService(kTravelLogStg, kTravelLogStg, reinterpret_cast<void**>(log.GetAddressOf()))) ||
        !log) {
        return false;
    }
    DWORD back = 0, forward = 0;
    if (FAILED(log->GetCount(TLEF_RELATIVE_BACK, &back))) return false;
    if (FAILED(log->GetCount(TLEF_RELATIVE_FORE, &forward))) return false;
    if (back > kMaxHistoryEntries) back = kMaxHistoryEntries;
    if (forward > kMaxHistoryEntries) forward = kMaxHistoryEntries;
    ComPtr<IEnumTravelLogEntry> backEntries, forwardEntries;
    if (FAILED(log->EnumEntries(TLEF_RELATIVE_BACK, &backEntries)) || !backEntries ||
        FAILED(log->EnumEntries(TLEF_RELATIVE_FORE, &forwardEntries)) || !forwardEntries) {
        return false;
    }

    PopupMenu menu;
    if (!menu.get()) return false;
    SlotOwners owners(*quick);
    quick->SetMenuDpi(PointDpi(screen, underPointer));
    const unique_hicon backIcon = LoadArrow(kBackIconId, quick->iconSize());
    const unique_hicon forwardIcon = LoadArrow(kForwardIconId, quick->iconSize());
    {
        MeasuringDc dc(underPointer, quick->menuFont());
        auto addEntry = [&](IEnumTravelLogEntry* entries, int slot, UINT position, HICON icon) {
            ComPtr<ITravelLogEntry> entry;
            ULONG fetched = 0;
            if (entries->Next(1, &entry, &fetched) != S_OK || !entry) return false;
            unique_cotaskmem_string title;
            if (FAILED(entry->GetTitle(title.put()))) title.reset();
            quick->SetSlotName(slot, title.get(), dc.get());
            quick->slot(slot).icon = icon;
            menu.Insert(position, static_cast<UINT>(slot + 1), 0, true);
            return true;
        };
        for (DWORD i = 0; i < back; ++i) addEntry(backEntries.Get(), static_cast<int>(i), 0, backIcon.get());
        quick->SetSlotName(static_cast<int>(back), L"History", dc.get());
        quick->slot(static_cast<int>(back)).icon = nullptr;
        menu.Insert(back, back + 1, MFS_GRAYED | MFS_DEFAULT, true);
        int k = 0;
        for (DWORD attempt = 0; attempt < forward; ++attempt) {
            const int slot = static_cast<int>(back) + 1 + k;
            if (addEntry(forwardEntries.Get(), slot, static_cast<UINT>(slot), forwardIcon.get())) ++k;
        }
    }
    const UINT chosen = menu.Track(screen, ctx.quickWnd);
    if (chosen != 0) {
        const int offset = chosen > back ? static_cast<int>(chosen - back - 1) : -static_cast<int>(chosen);
        ComPtr<ITravelLogEntry> target;
        if (SUCCEEDED(log->GetRelativeEntry(offset, &target)) && target) log->TravelTo(target.Get());
    }
    return true;
}

}  // namespace cc
