// The object's message-only window: target of the gesture timer and owner of the two
// owner-drawn wheel menus, whose items it measures and paints from its MenuSlot records.
// One per browser object, created and destroyed on its thread.
#pragma once

#include <windows.h>
#include <shtypes.h>

#include <cstdint>

#include "common/unique_handle.h"

namespace cc {

inline constexpr int kMenuSlots = 32;
inline constexpr int kMenuNameUnits = 128;

// What one owner-drawn menu item shows; slot k is the item with command id k + 1.
struct MenuSlot {
    HICON icon = nullptr;                 // owned by the menu that filled it
    wchar_t name[kMenuNameUnits] = L"";   // at most 127 characters
    SIZE extent = {0, 0};                 // of the name, in the menu font at the menu's DPI
    PIDLIST_ABSOLUTE pidl = nullptr;      // quick-move entries only; owned by that menu
};

class QuickWnd {
public:
    QuickWnd() = default;
    ~QuickWnd() { Destroy(); }
    QuickWnd(const QuickWnd&) = delete;
    QuickWnd& operator=(const QuickWnd&) = delete;

    // Creates the window (parent HWND_MESSAGE). False when it could not be made.
    bool Create();
    void Destroy();
    HWND hwnd() const { return window_.get(); }

    // Every WM_TIMER from now on (but the expiry's below) sets *flag to 1 (the session's
    // TimedOut). Before this is called a timer message changes nothing.
    void SetTimedOutFlag(int32_t* flag) { timedOut_ = flag; }
    // Called after each such timer message has set the flag.
    using TimedOutHandler = void (*)(void* context);
    void SetTimedOutHandler(TimedOutHandler handler, void* context) {
        timedOutHandler_ = handler;
        timedOutContext_ = context;
    }

    // Clears *flag (which lives as long as this window) once `ms` have passed and this
    // thread's queue holds no posted message or input: a timer message comes only then,
    // so whatever was posted before, and any navigation it starts, is seen first.
    // Replaces an expiry still running.
    void ExpireFlagLater(int32_t* flag, UINT ms);

    // Called on this window's thread when another thread asks its browser to quit.
    using QuitHandler = void (*)(void* context);
    void SetQuitHandler(QuitHandler handler, void* context) {
        quitHandler_ = handler;
        quitContext_ = context;
    }
    // Asks the browser behind a QuickWnd of any thread of this process to quit. Posted,
    // so that browser is only ever called on its own thread.
    static bool PostQuitRequest(HWND quickWnd);

    // The window's object (same thread only), or null.
    static QuickWnd* FromHandle(HWND quickWnd);
    MenuSlot& slot(int i) { return slots_[i]; }
    // Writes a name (cut to 127 characters) and measures it with `dc`'s font.
    void SetSlotName(int i, const wchar_t* name, HDC dc);

    // The DPI the next menu is measured and drawn at: its icon size, margins and the
    // system's menu font at that DPI (kept until the DPI changes). The font is null when
    // it could not be made; the DC's own font is used then.
    void SetMenuDpi(UINT dpi);
    UINT menuDpi() const { return menuDpi_; }
    HFONT menuFont() const { return menuFont_.get(); }
    int iconSize() const;

private:
    void MeasureMenuItem(MEASUREITEMSTRUCT& item) const;
    void DrawMenuItem(const DRAWITEMSTRUCT& item) const;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    unique_hwnd window_;
    int32_t* timedOut_ = nullptr;
    TimedOutHandler timedOutHandler_ = nullptr;
    void* timedOutContext_ = nullptr;
    int32_t* expiring_ = nullptr;
    QuitHandler quitHandler_ = nullptr;
    void* quitContext_ = nullptr;
    MenuSlot slots_[kMenuSlots];
    UINT menuDpi_ = 0;
    unique_hfont menuFont_;
};

}  // namespace cc
