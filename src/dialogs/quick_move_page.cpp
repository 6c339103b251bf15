// The quick-move page: what the wheel does with the right button held, and the list of
// favourite folders the quick-move menu offers.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "common/unique_handle.h"
#include "dialogs/page_logic.h"
#include "dialogs/report_list.h"
#include "dialogs/resource.h"
#include "dialogs/sheet_pages.h"
#include "settings/quick_move_store.h"

namespace cc {
namespace {

// The list's columns at 96 DPI: the name column, and the margin right of the path column.
constexpr TwoColumnWidths kColumns{120, 4};
constexpr int kListControls[] = {IDC_FOLDER_LIST, IDC_FOLDER_ADD, IDC_FOLDER_LIST_LABEL};

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

void FillList(HWND list, const QuickMoveFolders& folders) {
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < folders.count(); ++i) {
        SHFILEINFOW info{};
        ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(folders.at(i)), 0, &info, sizeof(info),
                         SHGFI_PIDL | SHGFI_DISPLAYNAME);
        wchar_t path[MAX_PATH] = L"";
        if (!::SHGetPathFromIDListW(folders.at(i), path)) ::lstrcpyW(path, L"\xFF0D");
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

void EnableAdd(HWND page, const QuickMoveFolders& folders) {
    Enable(page, IDC_FOLDER_ADD, Selected(page, IDC_EXPLORER_QUICK_MOVE) && !folders.full());
}

void OnInit(HWND page, SheetState& sheet) {
    HWND list = List(page);
    SetUpTwoColumnList(list, L"フォルダ名", L"フルパス", kColumns, PageDpi(page, sheet));

    QuickMoveFolders& folders = sheet.quickMoveFolders;
    const SettingsView s = sheet.settings();
    const int32_t explorer = s.Get(Field::ExplorerWheelAction);
    const int32_t browser = s.Get(Field::BrowserWheelAction);
    for (int id : {IDC_FOLDER_DELETE, IDC_FOLDER_UP, IDC_FOLDER_DOWN}) Enable(page, id, false);
    if (explorer != ExplorerWheelQuickMove) {
        for (int id : kListControls) Enable(page, id, false);
    }
    if (const wchar_t* folder = sheet.ReadableFolder(&sheet.quickMoveUnread)) {
        ReadQuickMoveStore(folder, folders);
    } else {
        folders.Clear();
    }
    FillList(list, folders);
    if (explorer == ExplorerWheelQuickMove) Select(page, IDC_EXPLORER_QUICK_MOVE, true);
    if (explorer == ExplorerWheelNothing) Select(page, IDC_EXPLORER_NOTHING, true);
    if (browser == BrowserWheelHistory) Select(page, IDC_IE_HISTORY, true);
    if (browser == BrowserWheelScrollsSideways) Select(page, IDC_IE_SCROLL, true);
    if (browser == BrowserWheelNothing) Select(page, IDC_IE_NOTHING, true);
    EnableAdd(page, folders);
}

// Two spellings of one folder compare equal: some shells end a special folder's path
// with a separator and the same folder's plain path without one.
void DropTrailingSeparator(wchar_t* path) {
    const int length = ::lstrlenW(path);
    if (length > 3 && path[length - 1] == L'\\') path[length - 1] = L'\0';
}

void OnAdd(HWND page, const SheetState& sheet) {
    // A 65th folder has no place in the store.
    if (sheet.quickMoveFolders.full()) return;
    unique_pidl documents;
    if (FAILED(::SHGetSpecialFolderLocation(page, CSIDL_PERSONAL, documents.put())) || !documents) return;
    BROWSEINFOW browse{};
    browse.hwndOwner = page;
    browse.lpszTitle = L"追加するフォルダの選択";
    browse.ulFlags = BIF_NEWDIALOGSTYLE;
    unique_pidl chosen(::SHBrowseForFolderW(&browse));
    // The sheet may have gone with its owner while the folder browser was open.
    SheetState* still = SheetStateOf(page);
    if (!still) return;
    HWND list = List(page);
    if (!chosen) {
        ::SetFocus(list);
        return;
    }
    // The documents folder is kept as its special item, with its shell name and icon.
    wchar_t chosenPath[MAX_PATH] = L"", documentsPath[MAX_PATH] = L"";
    const bool chosenHasPath = ::SHGetPathFromIDListW(chosen.get(), chosenPath) != FALSE;
    const bool documentsHasPath = ::SHGetPathFromIDListW(documents.get(), documentsPath) != FALSE;
    DropTrailingSeparator(chosenPath);
    DropTrailingSeparator(documentsPath);
    const bool isDocuments = chosenHasPath && documentsHasPath && ::lstrcmpW(chosenPath, documentsPath) == 0;
    QuickMoveFolders& folders = still->quickMoveFolders;
    folders.Append(isDocuments ? documents.release() : chosen.release());
    FillList(list, folders);
    FocusRow(list, static_cast<int>(folders.count()) - 1);
    for (int id : {IDC_FOLDER_DELETE, IDC_FOLDER_UP, IDC_FOLDER_DOWN}) Enable(page, id, true);
    EnableAdd(page, folders);
}

void ApplyEdit(HWND page, QuickMoveFolders& folders, const ListEdit& edit, bool changesCount) {
    HWND list = List(page);
    if (changesCount || edit.selected >= 0) {
        folders.Reorder(edit.order.data(), edit.order.size());
        FillList(list, folders);
    }
    FocusRow(list, edit.selected);
    EnableAdd(page, folders);
}

void OnExplorerChoice(HWND page, const QuickMoveFolders& folders, int id) {
    if (!Selected(page, id)) {
        Select(page, IDC_EXPLORER_QUICK_MOVE, id == IDC_EXPLORER_QUICK_MOVE);
        Select(page, IDC_EXPLORER_NOTHING, id == IDC_EXPLORER_NOTHING);
    }
    if (Selected(page, IDC_EXPLORER_QUICK_MOVE)) {
        for (int control : kListControls) Enable(page, control, true);
        EnableAdd(page, folders);
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

void OnCommand(HWND page, SheetState& sheet, int id) {
    HWND list = List(page);
    QuickMoveFolders& folders = sheet.quickMoveFolders;
    switch (id) {
    case IDC_FOLDER_ADD:
        OnAdd(page, sheet);  // runs a modal folder browser: `sheet` may be gone afterwards
        break;
    case IDC_FOLDER_DELETE:
        ApplyEdit(page, folders, DeleteRows(folders.count(), SelectedRows(list)), true);
        break;
    case IDC_FOLDER_UP:
        ApplyEdit(page, folders, MoveRowUp(folders.count(), SelectedRows(list)), false);
        break;
    case IDC_FOLDER_DOWN:
        ApplyEdit(page, folders, MoveRowDown(folders.count(), SelectedRows(list)), false);
        break;
    case IDC_EXPLORER_QUICK_MOVE:
    case IDC_EXPLORER_NOTHING:
        OnExplorerChoice(page, folders, id);
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

void OnApply(HWND page, SheetState& sheet) {
    DWORD error = sheet.quickMoveUnread;
    const wchar_t* folder = error == ERROR_SUCCESS ? sheet.WritableFolder(&error) : nullptr;
    if (folder) error = WriteQuickMoveStore(folder, sheet.quickMoveFolders);
    if (error != ERROR_SUCCESS) sheet.NoteApplyFailure(error);
    const SettingsView s = sheet.settings();
    s.Set(Field::ExplorerWheelAction,
          Selected(page, IDC_EXPLORER_QUICK_MOVE) ? ExplorerWheelQuickMove : ExplorerWheelNothing);
    s.Set(Field::BrowserWheelAction, Selected(page, IDC_IE_HISTORY)  ? BrowserWheelHistory
                                     : Selected(page, IDC_IE_SCROLL) ? BrowserWheelScrollsSideways
                                                                     : BrowserWheelNothing);
}

}  // namespace

INT_PTR CALLBACK QuickMovePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (SheetState* sheet = KeepSheetState(page, lParam)) OnInit(page, *sheet);
        return TRUE;
    }
    SheetState* sheet = SheetStateOf(page);
    if (!sheet) return FALSE;
    if (PageRebuildsForDpi(page, message)) {
        SizeTwoColumnList(::GetDlgItem(page, IDC_FOLDER_LIST), kColumns, PageDpi(page, *sheet));
        return TRUE;
    }
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnCommand(page, *sheet, LOWORD(wParam));
        return FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_FOLDER_LIST && header->code == NM_CLICK) EnableForSelection(page);
        if (header->code == PSN_APPLY) {
            OnApply(page, *sheet);
            return AcceptApply(page);
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace cc
