#include "dialogs/gesture_edit_dialog.h"

#include "common/dpi.h"
#include "dialogs/activation_context.h"
#include "dialogs/dpi_change.h"
#include "dialogs/resource.h"
#include "module/module.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

struct DirectionButton {
    int id;
    int32_t direction;
};
constexpr DirectionButton kDirectionButtons[] = {{IDC_DIRECTION_UP, StrokeUp},
                                                 {IDC_DIRECTION_RIGHT, StrokeRight},
                                                 {IDC_DIRECTION_DOWN, StrokeDown},
                                                 {IDC_DIRECTION_LEFT, StrokeLeft}};

}  // namespace

void CGestureEditDlg::SetCaption(const wchar_t* actionText, const wchar_t* gestureText) {
    caption_ = L"選択： ";
    caption_ += actionText ? actionText : L"";
    caption_ += L"  -->  ";
    caption_ += gestureText ? gestureText : L"";
}

INT_PTR CGestureEditDlg::DoModal(HWND parent) {
    ModuleActivationContext context;
    ActivationScope active(context.get());
    // Made in the per-monitor-v2 context where it exists, so that the dialog scales with its
    // monitor. DialogBoxParamW makes the dialog and then runs its loop, and the context
    // cannot be given back from inside (the thread takes the dialog's context while its
    // procedure runs and gets the earlier one back after), so it is given back once the
    // dialog has closed.
    const PerMonitorV2Scope perMonitor;
    return ::DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(IDD_GESTURE_EDIT), parent, &DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

int32_t CGestureEditDlg::GetGesture(Gesture& entry, int32_t& count) const {
    count = editor_.count();
    entry.count = count;
    for (int32_t i = 0; i < count; ++i) entry.strokes[i] = editor_.strokes()[i];
    return count;
}

void CGestureEditDlg::ShowStrokes() {
    wchar_t text[32];
    editor_.Text(text);
    ::SetWindowTextW(edit_, text);
}

void CGestureEditDlg::EnableDirections() {
    for (HWND button : directions_) ::EnableWindow(button, editor_.full() ? FALSE : TRUE);
}

void CGestureEditDlg::OnDirection(int32_t direction) {
    if (!editor_.Press(direction)) return;
    ShowStrokes();
    EnableDirections();
}

void CGestureEditDlg::OnBackspace() {
    editor_.Backspace();
    ShowStrokes();
    EnableDirections();
}

INT_PTR CALLBACK CGestureEditDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CGestureEditDlg*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->editor_ = GestureEditor();
        self->edit_ = ::GetDlgItem(hwnd, IDC_NEW_GESTURE);
        for (size_t i = 0; i < 4; ++i) self->directions_[i] = ::GetDlgItem(hwnd, kDirectionButtons[i].id);
        self->captionLabel_ = ::GetDlgItem(hwnd, IDC_EDIT_CAPTION);
        self->captionPending_ = true;
        return TRUE;
    }
    auto* self = reinterpret_cast<CGestureEditDlg*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_SHOWWINDOW:
        if (self->captionPending_) {
            ::SetWindowTextW(self->captionLabel_, self->caption_.c_str());
            self->captionPending_ = false;
        }
        return FALSE;
    case kWmDpiChanged:
        // Moved to a monitor of another scale: the offered rectangle. The dialog draws
        // nothing of its own, and the dialog manager (which sees the message after this)
        // lays out the controls and gives them the font for the new DPI.
        MoveToSuggestedRect(hwnd, lParam);
        return FALSE;
    case WM_COMMAND: {
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        const int id = LOWORD(wParam);
        for (const DirectionButton& b : kDirectionButtons) {
            if (b.id == id) {
                self->OnDirection(b.direction);
                return TRUE;
            }
        }
        if (id == IDC_BACKSPACE) {
            self->OnBackspace();
            return TRUE;
        }
        if (id == IDOK || id == IDCANCEL) {
            ::EndDialog(hwnd, id);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace cc
