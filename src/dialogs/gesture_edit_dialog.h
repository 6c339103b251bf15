// The modal dialog in which a new gesture is entered with direction buttons.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/page_logic.h"

namespace cc {

class CGestureEditDlg {
public:
    // "選択： <action>  -->  <gesture>", shown in the caption line once the dialog shows.
    void SetCaption(const wchar_t* actionText, const wchar_t* gestureText);
    // 1 for OK (or Enter), 2 for Cancel (or Escape).
    INT_PTR DoModal(HWND parent);
    // The entered gesture: count into `count`, the first `count` codes into `entry`.
    int32_t GetGesture(Gesture& entry, int32_t& count) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnDirection(int32_t direction);
    void OnBackspace();
    void ShowStrokes();
    void EnableDirections();

    GestureEditor editor_;
    HWND edit_ = nullptr;
    HWND directions_[4] = {};
    HWND captionLabel_ = nullptr;
    std::wstring caption_;
    bool captionPending_ = false;
};

}  // namespace cc
