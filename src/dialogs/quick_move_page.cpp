// The quick-move page: what the wheel does with the right button held, and the list of
// favourite folders the quick-move menu offers.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <vector>

#include "dialogs/page_logic.h"
#include "settings/quick_move_store.h"
#include "dialogs/report_list.h"
#include "dialogs/resource.h"
#include "dialogs/settings_sheet.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

constexpr int kNameColumnWidth = 120;
constexpr int kListControls[] = {IDC_FOLDER_LIST, IDC_FOLDER_ADD, IDC_FOLDER_LIST_LABEL};

// One per process: only one sheet exists at a time.
QuickMoveFolders g_folders;

bool Selected(HWND page, int id) { return ::SendDlgItemMessageW(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Select(HWND page, int id, bool on) {
    ::SendDlgItemMessageW(page, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
void Enable(HWND page, int id, bool on) { ::EnableWindow(::GetDlgItem(page, id), on ? TRUE : FALSE); }
HWND List(HWND page) { return ::GetDlgItem(page, IDC_FOLDER_LIST); }

std::vector<bool> SelectedRows(HWND list) {
    const int count = ListView_GetItemCount(list);
    std::vector<bool> rows(count > 0 ? count : 0, false);
    for (int i = 0; i < count; ++i) rows[i] = (ListView_GetItemState(list, i, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    return rows;
}

void FillList(HWND list) {
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < g_folders.count(); ++i) {
        SHFILEINFOW info{};
        ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(g_folders.at(i)), 0, &info, sizeof(info),
                         SHGFI_PIDL | SHGFI_DISPLAYNAME);
        wchar_t path[MAX_PATH] = L"";
        if (!::SHGetPathFromIDListW(g_folders.at(i), path)) ::lstrcpyW(path, L"\xFF0D");
        InsertListRow(list, static_cast<int>(i), info.szDisplayName, path);
    }
}

void FocusRow(HWND list, int row) {
    if (row >= 0) {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, row, FALSE);
    }
    ::SetFocus(list);
}

// Delete, up and down follow the selection: one row all three, several only delete.
void EnableForSelection(HWND page) {
    const UINT selected = ListView_GetSelectedCount(List(page));
    Enable(page, IDC_FOLDER_DELETE, selected >= 1);
    Enable(page, IDC_FOLDER_UP, selected == 1);
    Enable(page, IDC_FOLDER_DOWN, selected == 1);
}

void EnableAdd(HWND page) { Enable(page, IDC_FOLDER_ADD, Selected(page, IDC_EXPLORER_QUICK_MOVE) && !g_folders.full()); }

void OnInit(HWND page) {
    HWND list = List(page);
    SetUpTwoColumnList(list, L"フォルダ名", kNameColumnWidth, L"フルパス", 4);

    const SettingsView s = SheetSettings();
    const int32_t explorer = s.Get(Field::ExplorerWheelAction);
    const int32_t browser = s.Get(Field::BrowserWheelAction);
    for (int id : {IDC_FOLDER_DELETE, IDC_FOLDER_UP, IDC_FOLDER_DOWN}) Enable(page, id, false);
    if (explorer != 1) {
        for (int id : kListControls) Enable(page, id, false);
    }
    ReadQuickMoveStore(SheetFolder(), g_folders);
    FillList(list);
    if (explorer == 1) Select(page, IDC_EXPLORER_QUICK_MOVE, true);
    if (explorer == 0) Select(page, IDC_EXPLORER_NOTHING, true);
    if (browser == 4) Select(page, IDC_IE_HISTORY, true);
    if (browser == 2) Select(page, IDC_IE_SCROLL, true);
    if (browser == 0) Select(page, IDC_IE_NOTHING, true);
    EnableAdd(page);
}

// Two spellings of one folder compare equal: some shells end a special folder's path
// with a separator and the same folder's plain path without one.
void DropTrailingSeparator(wchar_t* path) {
    const int length = ::lstrlenW(path);
    if (length > 3 && path[length - 1] == L'\\') path[length - 1] = L'\0';
}

void OnAdd(HWND page) {
    // A 65th folder has no place in the store.
    if (g_folders.full()) return;
    PIDLIST_ABSOLUTE documents = nullptr;
    ComPtr<IMalloc> allocator;
    if (FAILED(::SHGetSpecialFolderLocation(page, CSIDL_PERSONAL, &documents)) || !documents) return;
    if (FAILED(::SHGetMalloc(&allocator)) || !allocator) {
        ::CoTaskMemFree(documents);
        return;
    }
    BROWSEINFOW browse{};
    browse.hwndOwner = page;
    browse.lpszTitle = L"追加するフォルダの選択";
    browse.ulFlags = BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
    HWND list = List(page);
    if (!chosen) {
        allocator->Free(documents);
        ::SetFocus(list);
        return;
    }
    // The documents folder is kept as its special item, with its shell name and icon.
    wchar_t chosenPath[MAX_PATH] = L"", documentsPath[MAX_PATH] = L"";
    const bool chosenHasPath = ::SHGetPathFromIDListW(chosen, chosenPath) != FALSE;
    const bool documentsHasPath = ::SHGetPathFromIDListW(documents, documentsPath) != FALSE;
    DropTrailingSeparator(chosenPath);
    DropTrailingSeparator(documentsPath);
    PIDLIST_ABSOLUTE kept = chosen;
    if (chosenHasPath && documentsHasPath && ::lstrcmpW(chosenPath, documentsPath) == 0) {
        allocator->Free(chosen);
        kept = documents;
    } else {
        allocator->Free(documents);
    }
    g_folders.Append(kept);
    FillList(list);
    FocusRow(list, static_cast<int>(g_folders.count()) - 1);
    for (int id : {IDC_FOLDER_DELETE, IDC_FOLDER_UP, IDC_FOLDER_DOWN}) Enable(page, id, true);
    EnableAdd(page);
}

void ApplyEdit(HWND page, const ListEdit& edit, bool changesCount) {
    HWND list = List(page);
    if (changesCount || edit.selected >= 0) {
        g_folders.Reorder(edit.order.data(), edit.order.size());
        FillList(list);
    }
    FocusRow(list, edit.selected);
    EnableAdd(page);
}

void OnExplorerChoice(HWND page, int id) {
    if (!Selected(page, id)) {
        Select(page, IDC_EXPLORER_QUICK_MOVE, id == IDC_EXPLORER_QUICK_MOVE);
        Select(page, IDC_EXPLORER_NOTHING, id == IDC_EXPLORER_NOTHING);
    }
    if (Selected(page, IDC_EXPLORER_QUICK_MOVE)) {
        for (int control : kListControls) Enable(page, control, true);
        EnableAdd(page);
        const UINT selected = ListView_GetSelectedCount(List(page));
        if (selected >= 1) Enable(page, IDC_FOLDER_DELETE, true);
        if (selected == 1) {
            Enable(page, IDC_FOLDER_UP, true);
            Enable(page, IDC_FOLDER_DOWN, true);
        } else if (selected > 1) {
            Enable(page, IDC_FOLDER_UP, false);
            Enable(page, IDC_FOLDER_DOWN, false);
        }
    } else {
        for (int control : {IDC_FOLDER_LIST, IDC_FOLDER_ADD, IDC_FOLDER_DELETE, IDC_FOLDER_UP, IDC_FOLDER_DOWN,
                            IDC_FOLDER_LIST_LABEL}) {
            Enable(page, control, false);
        }
    }
}

void OnBrowserChoice(HWND page, int id) {
    if (Selected(page, id)) return;
    for (int radio : {IDC_IE_HISTORY, IDC_IE_SCROLL, IDC_IE_NOTHING}) Select(page, radio, radio == id);
}

void OnCommand(HWND page, int id) {
    HWND list = List(page);
    switch (id) {
    case IDC_FOLDER_ADD:
        OnAdd(page);
        break;
    case IDC_FOLDER_DELETE: {
        const ListEdit edit = DeleteRows(g_folders.count(), SelectedRows(list));
        ApplyEdit(page, edit, true);
        break;
    }
    case IDC_FOLDER_UP:
        ApplyEdit(page, MoveRowUp(g_folders.count(), SelectedRows(list)), false);
        break;
    case IDC_FOLDER_DOWN:
        ApplyEdit(page, MoveRowDown(g_folders.count(), SelectedRows(list)), false);
        break;
    case IDC_EXPLORER_QUICK_MOVE:
    case IDC_EXPLORER_NOTHING:
        OnExplorerChoice(page, id);
        break;
    case IDC_IE_HISTORY:
    case IDC_IE_SCROLL:
    case IDC_IE_NOTHING:
        OnBrowserChoice(page, id);
        break;
    default:
        break;
    }
}

void OnApply(HWND page) {
    WriteQuickMoveStore(SheetFolder(), g_folders);
    const SettingsView s = SheetSettings();
    s.Set(Field::ExplorerWheelAction, Selected(page, IDC_EXPLORER_QUICK_MOVE) ? 1 : 0);
    s.Set(Field::BrowserWheelAction, Selected(page, IDC_IE_HISTORY) ? 4 : Selected(page, IDC_IE_SCROLL) ? 2 : 0);
}

}  // namespace

INT_PTR CALLBACK QuickMovePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(page);
        return TRUE;
    case WM_DESTROY:
        g_folders.Clear();
        return FALSE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnCommand(page, LOWORD(wParam));
        return FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_FOLDER_LIST && header->code == NM_CLICK) EnableForSelection(page);
        if (header->code == PSN_APPLY) {
            OnApply(page);
            return AcceptApply(page);
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace cc
