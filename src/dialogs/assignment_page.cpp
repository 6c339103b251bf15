// The assignment page: every action of one host with its gesture, edited through the
// gesture edit dialog into a working copy that reaches the block on OK.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>

#include "dialogs/gesture_edit_dialog.h"
#include "dialogs/report_list.h"
#include "dialogs/resource.h"
#include "dialogs/sheet_pages.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

// The list's columns at 96 DPI: the action column, and the margin right of the gesture
// column (room for the scroll bar).
constexpr TwoColumnWidths kColumns{150, 22};
constexpr int kComboExplorer = 0;
constexpr int kComboBrowser = 1;
constexpr wchar_t kIe7Mark[] = L"＊";

std::wstring NameText(ActionList list, int action) {
    std::wstring name = ActionName(list, action);
    if (list == ActionList::Browser && BrowserActionIe7Only(action)) name += kIe7Mark;
    return name.substr(0, 255);
}

void SetGestureCell(HWND list, int row, const Gesture& g) {
    wchar_t text[kGestureTextUnits];
    FormatGestureText(g, text, kGestureTextUnits);
    ListView_SetItemText(list, row, 1, text);
}

void Fill(HWND list, AssignmentPageState& working, ActionList host) {
    ListView_DeleteAllItems(list);
    for (int k = 0; k < ActionCount(host); ++k) {
        wchar_t gesture[kGestureTextUnits];
        FormatGestureText(working.Of(host)[k], gesture, kGestureTextUnits);
        InsertListRow(list, k, NameText(host, k).c_str(), gesture);
    }
}

void OnInit(HWND page, SheetState& sheet) {
    HWND list = ::GetDlgItem(page, IDC_ACTION_LIST);
    SetUpTwoColumnList(list, L"機能", L"ジェスチャー", kColumns, PageDpi(page, sheet));

    AssignmentPageState& working = sheet.assignment;
    const SettingsView s = sheet.settings();
    for (ActionList host : {ActionList::Explorer, ActionList::Browser}) {
        for (int k = 0; k < ActionCount(host); ++k) working.Of(host)[k] = s.ReadGesture(host, k);
    }
    HWND combo = ::GetDlgItem(page, IDC_HOST_CHOICE);
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Explorer"));
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Internet Explorer"));
    if (sheet.browserKind() == ViewFolderList) {
        Fill(list, working, ActionList::Explorer);
        ::SendMessageW(combo, CB_SETCURSEL, kComboExplorer, 0);
    } else if (sheet.browserKind() == ViewWeb) {
        Fill(list, working, ActionList::Browser);
        ::SendMessageW(combo, CB_SETCURSEL, kComboBrowser, 0);
    }
}

void OnHostChanged(HWND page, AssignmentPageState& working) {
    const LRESULT choice = ::SendDlgItemMessageW(page, IDC_HOST_CHOICE, CB_GETCURSEL, 0, 0);
    HWND list = ::GetDlgItem(page, IDC_ACTION_LIST);
    if (choice == kComboExplorer) Fill(list, working, ActionList::Explorer);
    if (choice == kComboBrowser) Fill(list, working, ActionList::Browser);
}

void OnListClick(HWND page) {
    HWND list = ::GetDlgItem(page, IDC_ACTION_LIST);
    const bool one = ListView_GetSelectedCount(list) == 1;
    const bool settingsRow = (ListView_GetItemState(list, 0, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    ::EnableWindow(::GetDlgItem(page, IDC_EDIT_GESTURE), one && !settingsRow ? TRUE : FALSE);
}

void OnEdit(HWND page) {
    HWND list = ::GetDlgItem(page, IDC_ACTION_LIST);
    if (ListView_GetSelectedCount(list) == 0) return;
    // The lowest selected row other than the settings action, whose gesture is fixed.
    int row = -1;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
        if (i >= 1) {
            row = i;
            break;
        }
    }
    if (row < 0) return;
    wchar_t name[256] = L"", gesture[256] = L"";
    ListView_GetItemText(list, row, 0, name, 256);
    ListView_GetItemText(list, row, 1, gesture, 256);
    CGestureEditDlg dialog;
    dialog.SetCaption(name, gesture);
    if (dialog.DoModal(page) != IDOK) return;
    // The sheet may have gone with its owner while the dialog was open.
    SheetState* sheet = SheetStateOf(page);
    if (!sheet) return;
    const LRESULT choice = ::SendDlgItemMessageW(page, IDC_HOST_CHOICE, CB_GETCURSEL, 0, 0);
    const ActionList host = choice == kComboExplorer ? ActionList::Explorer : ActionList::Browser;
    if ((choice != kComboExplorer && choice != kComboBrowser) || row >= ActionCount(host)) return;
    Gesture entered;
    int32_t count = 0;
    dialog.GetGesture(entered, count);
    sheet->assignment.Of(host)[row] = entered;
    SetGestureCell(list, row, entered);
}

void OnApply(SheetState& sheet) {
    const SettingsView s = sheet.settings();
    for (ActionList host : {ActionList::Explorer, ActionList::Browser}) {
        for (int k = 0; k < ActionCount(host); ++k) s.WriteGesture(host, k, sheet.assignment.Of(host)[k]);
    }
}

}  // namespace

INT_PTR CALLBACK AssignmentPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (SheetState* sheet = KeepSheetState(page, lParam)) OnInit(page, *sheet);
        return TRUE;
    }
    SheetState* sheet = SheetStateOf(page);
    if (!sheet) return FALSE;
    if (PageRebuildsForDpi(page, message)) {
        SizeTwoColumnList(::GetDlgItem(page, IDC_ACTION_LIST), kColumns, PageDpi(page, *sheet));
        return TRUE;
    }
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_HOST_CHOICE && HIWORD(wParam) == CBN_SELCHANGE) OnHostChanged(page, sheet->assignment);
        if (LOWORD(wParam) == IDC_EDIT_GESTURE && HIWORD(wParam) == BN_CLICKED) OnEdit(page);
        return FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_ACTION_LIST && header->code == NM_CLICK) OnListClick(page);
        if (header->code == PSN_APPLY) {
            OnApply(*sheet);
            return AcceptApply(page);
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace cc
