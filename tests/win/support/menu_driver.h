// Drives a popup menu from inside its own modal loop: once the menu is tracked, presses
// the given keys as real keyboard input and records what the menu held.
#pragma once

#include <windows.h>

#include <vector>

#include "menus/quick_wnd.h"
#include "screenshot.h"

namespace cc::test {

// Presses keys in the popup menu once it is tracked; records what it saw.
class MenuDriver {
public:
    explicit MenuDriver(std::vector<WORD> keys, const wchar_t* screenshot = nullptr, QuickWnd* quick = nullptr)
        : keys_(std::move(keys)), screenshot_(screenshot), quick_(quick) {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 50, &MenuDriver::Tick);
    }
    ~MenuDriver() {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    HMENU menu = nullptr;
    int items = -1;
    std::vector<UINT> ids;       // command ids, top to bottom
    std::vector<HICON> icons;    // the slots' icons while the menu was open
    std::vector<SIZE> iconSizes;  // their sizes
    std::vector<RECT> rects;     // each item's rectangle on the screen
    bool ran = false;
    bool releaseRightFirst = false;  // let go of the right button inside the menu first

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        MenuDriver* self = current_;
        if (!self || self->ran) return;
        HWND window = ::FindWindowW(L"#32768", nullptr);
        if (!window || !::IsWindowVisible(window)) return;
        self->ran = true;
        self->menu = reinterpret_cast<HMENU>(::SendMessageW(window, MN_GETHMENU, 0, 0));
        self->items = ::GetMenuItemCount(self->menu);
        for (int i = 0; i < self->items; ++i) {
            self->ids.push_back(::GetMenuItemID(self->menu, i));
            RECT r{};
            ::GetMenuItemRect(nullptr, self->menu, static_cast<UINT>(i), &r);
            self->rects.push_back(r);
        }
        if (self->quick_) {
            for (int i = 0; i < kMenuSlots; ++i) {
                const HICON icon = self->quick_->slot(i).icon;
                if (!icon) continue;
                self->icons.push_back(icon);
                ICONINFO info{};
                BITMAP bitmap{};
                if (::GetIconInfo(icon, &info)) {
                    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
                    if (info.hbmColor) ::DeleteObject(info.hbmColor);
                    if (info.hbmMask) ::DeleteObject(info.hbmMask);
                }
                self->iconSizes.push_back({bitmap.bmWidth, bitmap.bmHeight});
            }
        }
        if (self->screenshot_) SaveScreenshot(window, self->screenshot_);
        if (self->releaseRightFirst) {
            INPUT up{};
            up.type = INPUT_MOUSE;
            up.mi.dwFlags = MOUSEEVENTF_RIGHTUP;
            ::SendInput(1, &up, sizeof(INPUT));
        }
        for (WORD key : self->keys_) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wVk = in[1].ki.wVk = key;
            in[1].ki.dwFlags = KEYEVENTF_KEYUP;
            ::SendInput(2, in, sizeof(INPUT));
        }
    }
    static inline MenuDriver* current_ = nullptr;
    std::vector<WORD> keys_;
    const wchar_t* screenshot_;
    QuickWnd* quick_;
    UINT_PTR timer_ = 0;
};

}  // namespace cc::test
