// The modal picker of the 48 trail colours.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/unique_handle.h"
#include "settings/action_catalogue.h"

namespace cc {

class CTrailColourDlg {
public:
    void SetColour(COLORREF colour) { colour_ = colour & 0xFFFFFF; }
    // 1 for OK (or Enter), 2 for Cancel (or Escape).
    INT_PTR DoModal(HWND parent);
    COLORREF GetColour() const { return colour_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit(HWND dialog);
    // Draws every button's face at its button's size, the mark inset for `dpi`.
    void PaintFaces(HWND dialog, UINT dpi);
    void ShowValue();

    using unique_hbrush = unique_any<HBRUSH, DeleteGdiObject>;
    unique_hbitmap faces_[kTrailPaletteSize];
    HWND sample_ = nullptr;
    HWND value_ = nullptr;
    COLORREF colour_ = 0;
    // The colour current when the picker opened, which carries the mark.
    COLORREF opening_ = 0;
    // The DPI the picker's last WM_DPICHANGED announced; 0 before any.
    UINT announcedDpi_ = 0;
    unique_hbrush sampleBrush_;
};

}  // namespace cc
