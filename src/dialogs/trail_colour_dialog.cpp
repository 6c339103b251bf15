#include "dialogs/trail_colour_dialog.h"

#include <utility>

#include "common/dpi.h"
#include "dialogs/activation_context.h"
#include "dialogs/dpi_change.h"
#include "dialogs/page_logic.h"
#include "dialogs/resource.h"
#include "module/module.h"

namespace cc {
namespace {

// The mark's inset from the face's edges and its line width, in pixels at 96 DPI.
constexpr int kMarkInset = 3;
constexpr int kMarkLine = 1;

// A dotted black pen `width` pixels wide: a plain pen is dotted only one pixel wide.
HPEN CreateDottedPen(int width) {
    if (width <= 1) return ::CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    const LOGBRUSH black{BS_SOLID, RGB(0, 0, 0), 0};
    return ::ExtCreatePen(PS_GEOMETRIC | PS_DOT | PS_ENDCAP_FLAT | PS_JOIN_MITER, static_cast<DWORD>(width), &black,
                          0, nullptr);
}

}  // namespace

INT_PTR CTrailColourDlg::DoModal(HWND parent) {
    ModuleActivationContext context;
    ActivationScope active(context.get());
    // Made in the per-monitor-v2 context where it exists, so that the picker scales with its
    // monitor. DialogBoxParamW makes the picker and then runs its loop, and the context
    // cannot be given back from inside (the thread takes the picker's context while its
    // procedure runs and gets the earlier one back after), so it is given back once the
    // picker has closed.
    INT_PTR result = -1;
    {
        const PerMonitorV2Scope perMonitor;
        result = ::DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(IDD_TRAIL_COLOUR), parent, &DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    }
    for (auto& face : faces_) face.reset();
    sampleBrush_.reset();
    return result;
}

void CTrailColourDlg::PaintFaces(HWND dialog, UINT dpi) {
    unique_window_dc dc(dialog, ::GetDC(dialog));
    if (!dc) return;
    const int inset = ScaleForDpi(kMarkInset, dpi);
    for (int k = 0; k < kTrailPaletteSize; ++k) {
        HWND button = ::GetDlgItem(dialog, IDC_FIRST_COLOUR + k);
        RECT size{};
        if (!button || !::GetClientRect(button, &size) || size.right <= 0 || size.bottom <= 0) continue;
        const int w = size.right, h = size.bottom;
        unique_hbitmap face(::CreateCompatibleBitmap(dc.get(), w, h));
        if (!face) continue;
        {
            unique_hdc memory(::CreateCompatibleDC(dc.get()));
            if (!memory) continue;
            select_object_scope bitmap(memory.get(), face.get());
            unique_hbrush fill(::CreateSolidBrush(TrailPalette[k]));
            const RECT all{0, 0, w, h};
            ::FillRect(memory.get(), &all, fill.get());
            // The colour current when the picker opened carries a dotted frame.
            if (TrailPalette[k] == opening_) {
                unique_hpen dotted(CreateDottedPen(ScaleForDpi(kMarkLine, dpi)));
                select_object_scope pen(memory.get(), dotted.get());
                const int right = w - 1 - inset, bottom = h - 1 - inset;
                const POINT frame[] = {{inset, inset}, {right, inset}, {right, bottom}, {inset, bottom}, {inset, inset}};
                ::Polyline(memory.get(), frame, 5);
            }
        }
        // The button lets go of the old face before it is deleted.
        ::SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(face.get()));
        faces_[k] = std::move(face);
    }
}

void CTrailColourDlg::OnInit(HWND dialog) {
    opening_ = colour_;
    announcedDpi_ = 0;
    PaintFaces(dialog, WindowDpi(dialog));
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
    case kWmDpiChanged:
        // Moved to a monitor of another scale: the offered rectangle now, the faces once
        // the dialog manager (which sees the message after this) has resized the buttons.
        self->announcedDpi_ = AnnouncedDpi(wParam);
        MoveToSuggestedRect(hwnd, lParam);
        RequestRebuildForDpi(hwnd);
        return FALSE;
    case kWmRebuildForDpi:
        DropQueuedRebuilds(hwnd);
        self->PaintFaces(hwnd, self->announcedDpi_ != 0 ? self->announcedDpi_ : WindowDpi(hwnd));
        return TRUE;
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
