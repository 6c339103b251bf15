// The default-actions page: the four built-in mouse actions on and off.
#include <windows.h>
#include <prsht.h>

#include "dialogs/page_logic.h"
#include "dialogs/resource.h"
#include "dialogs/sheet_pages.h"

namespace cc {
namespace {

bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Check(HWND page, int id, bool on) { ::CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

}  // namespace

INT_PTR CALLBACK DefaultActionsPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const SheetState* sheet = KeepSheetState(page, lParam);
        if (!sheet) return FALSE;
        const DefaultActionBoxes boxes = BoxesFromFlags(sheet->settings().Get(Field::DefaultActionFlags) & 0xFF);
        Check(page, IDC_ROCKER_BACK, boxes.rockerBack);
        Check(page, IDC_ROCKER_FORWARD, boxes.rockerForward);
        Check(page, IDC_CTRL_RELEASES_RIGHT, boxes.ctrlReleasesRight);
        Check(page, IDC_MIDDLE_CLICK_NEW_WINDOW, boxes.middleClickNewWindow);
    } else if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == PSN_APPLY) {
        const SheetState* sheet = SheetStateOf(page);
        if (!sheet) return FALSE;
        const DefaultActionBoxes boxes{Checked(page, IDC_ROCKER_BACK), Checked(page, IDC_ROCKER_FORWARD),
                                       Checked(page, IDC_CTRL_RELEASES_RIGHT),
                                       Checked(page, IDC_MIDDLE_CLICK_NEW_WINDOW)};
        sheet->settings().Set(Field::DefaultActionFlags, FlagsFromBoxes(boxes));
    }
    return FALSE;
}

}  // namespace cc
