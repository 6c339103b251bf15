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
    void ShowValue();

    using unique_hbitmap = unique_any<HBITMAP, DeleteGdiObject>;
    using unique_hbrush = unique_any<HBRUSH, DeleteGdiObject>;
    unique_hbitmap faces_[kTrailPaletteSize];
    HWND sample_ = nullptr;
    HWND value_ = nullptr;
    COLORREF colour_ = 0;
    unique_hbrush sampleBrush_;
};

}  // namespace cc
