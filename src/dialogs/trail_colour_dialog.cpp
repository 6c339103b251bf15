#include "dialogs/trail_colour_dialog.h"

#include "dialogs/activation_context.h"
#include "dialogs/page_logic.h"
#include "dialogs/resource.h"
#include "module/module.h"

namespace cc {

INT_PTR CTrailColourDlg::DoModal(HWND parent) {
    ModuleActivationContext context;
    ActivationScope active(context.get());
    const INT_PTR result = ::DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(IDD_TRAIL_COLOUR), parent, &DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    for (auto& face : faces_) face.reset();
    sampleBrush_.reset();
    return result;
}

void CTrailColourDlg::OnInit(HWND dialog) {
    RECT button{};
    ::GetClientRect(::GetDlgItem(dialog, IDC_FIRST_COLOUR), &button);
    const int w = button.right, h = button.bottom;
    unique_window_dc dc(dialog, ::GetDC(dialog));
    for (int k = 0; k < kTrailPaletteSize; ++k) {
        faces_[k].reset(::CreateCompatibleBitmap(dc.get(), w, h));
        if (!faces_[k]) continue;
        {
            unique_hdc memory(::CreateCompatibleDC(dc.get()));
            select_object_scope bitmap(memory.get(), faces_[k].get());
            unique_hbrush fill(::CreateSolidBrush(TrailPalette[k]));
            const RECT all{0, 0, w, h};
            ::FillRect(memory.get(), &all, fill.get());
            // The colour current when the picker opened carries a dotted frame.
            if (TrailPalette[k] == colour_) {
                unique_hpen dotted(::CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
                select_object_scope pen(memory.get(), dotted.get());
                const POINT frame[] = {{3, 3}, {w - 4, 3}, {w - 4, h - 4}, {3, h - 4}, {3, 3}};
                ::Polyline(memory.get(), frame, 5);
            }
        }
        ::SendDlgItemMessageW(dialog, IDC_FIRST_COLOUR + k, BM_SETIMAGE, IMAGE_BITMAP,
                              reinterpret_cast<LPARAM>(faces_[k].get()));
    }
    sample_ = ::GetDlgItem(dialog, IDC_COLOUR_SAMPLE);
    value_ = ::GetDlgItem(dialog, IDC_COLOUR_VALUE);
    ShowValue();
}

void CTrailColourDlg::ShowValue() {
    wchar_t text[64];
    FormatColourValue(colour_, text);
    ::SetWindowTextW(value_, text);
}

INT_PTR CALLBACK CTrailColourDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CTrailColourDlg*>(lParam)->OnInit(hwnd);
        return TRUE;
    }
    auto* self = reinterpret_cast<CTrailColourDlg*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (id >= IDC_FIRST_COLOUR && id < IDC_FIRST_COLOUR + kTrailPaletteSize) {
            self->colour_ = TrailPalette[id - IDC_FIRST_COLOUR];
            self->ShowValue();
            ::InvalidateRect(self->sample_, nullptr, FALSE);
            return TRUE;
        }
        if (id == IDOK || id == IDCANCEL) {
            ::EndDialog(hwnd, id);
            return TRUE;
        }
        return FALSE;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == self->sample_) {
            self->sampleBrush_.reset(::CreateSolidBrush(self->colour_));
            return reinterpret_cast<INT_PTR>(self->sampleBrush_.get());
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace cc
