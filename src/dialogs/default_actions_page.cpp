// The default-actions page: the four built-in mouse actions on and off.
#include <windows.h>
#include <prsht.h>

#include "dialogs/page_logic.h"
#include "dialogs/resource.h"
#include "dialogs/settings_sheet.h"

namespace cc {
namespace {

bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Check(HWND page, int id, bool on) { ::CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

}  // namespace

INT_PTR CALLBACK DefaultActionsPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const DefaultActionBoxes boxes = BoxesFromFlags(SheetSettings().Get(Field::DefaultActionFlags) & 0xFF);
        Check(page, IDC_ROCKER_BACK, boxes.rockerBack);
        Check(page, IDC_ROCKER_FORWARD, boxes.rockerForward);
        Check(page, IDC_CTRL_RELEASES_RIGHT, boxes.ctrlReleasesRight);
        Check(page, IDC_MIDDLE_CLICK_NEW_WINDOW, boxes.middleClickNewWindow);
    } else if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == PSN_APPLY) {
        const DefaultActionBoxes boxes{Checked(page, IDC_ROCKER_BACK), Checked(page, IDC_ROCKER_FORWARD),
                                       Checked(page, IDC_CTRL_RELEASES_RIGHT),
                                       Checked(page, IDC_MIDDLE_CLICK_NEW_WINDOW)};
        SheetSettings().Set(Field::DefaultActionFlags, FlagsFromBoxes(boxes));
    }
    return FALSE;
}

}  // namespace cc
