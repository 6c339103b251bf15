// The object's message-only window: target of the gesture timer (and, later, owner of
// the popup menus). One per browser object, created and destroyed on its thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/unique_handle.h"

namespace cc {

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

    // Every WM_TIMER from now on sets *flag to 1 (the session's TimedOut). Before this
    // is called a timer message changes nothing.
    void SetTimedOutFlag(int32_t* flag) { timedOut_ = flag; }

    // Called on this window's thread when another thread asks its browser to quit.
    using QuitHandler = void (*)(void* context);
    void SetQuitHandler(QuitHandler handler, void* context) {
        quitHandler_ = handler;
        quitContext_ = context;
    }
    // Asks the browser behind a QuickWnd of any thread of this process to quit. Posted,
    // so that browser is only ever called on its own thread.
    static bool PostQuitRequest(HWND quickWnd);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    unique_hwnd window_;
    int32_t* timedOut_ = nullptr;
    QuitHandler quitHandler_ = nullptr;
    void* quitContext_ = nullptr;
};

}  // namespace cc
