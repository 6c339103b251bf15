#include "menus/quick_wnd.h"

#include "module/module.h"

namespace cc {
namespace {

constexpr wchar_t kQuickWndClass[] = L"CursorCadenceQuickWnd";

// The class is registered while at least one window of it exists and unregistered with
// the last one, so no class with a window procedure of this module outlives the module.
SRWLOCK g_classLock = SRWLOCK_INIT;
int g_liveWindows = 0;

// A registered message: should a stale handle have been reused by some other window,
// that window does not know the message and ignores it.
UINT QuitRequestMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"CursorCadence.QuitRequest");
    return message;
}

bool AcquireClass(WNDPROC proc) {
    ::AcquireSRWLockExclusive(&g_classLock);
    bool ok = true;
    if (g_liveWindows == 0) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = proc;
        wc.hInstance = ThisModule();
        wc.lpszClassName = kQuickWndClass;
        ok = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    if (ok) ++g_liveWindows;
    ::ReleaseSRWLockExclusive(&g_classLock);
    return ok;
}

void ReleaseClass() {
    ::AcquireSRWLockExclusive(&g_classLock);
    if (g_liveWindows > 0 && --g_liveWindows == 0) ::UnregisterClassW(kQuickWndClass, ThisModule());
    ::ReleaseSRWLockExclusive(&g_classLock);
}

}  // namespace

bool QuickWnd::Create() {
    if (window_) return true;
    if (!AcquireClass(&QuickWnd::WindowProc)) return false;
    window_.reset(::CreateWindowExW(0, kQuickWndClass, L"", WS_CHILD, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ThisModule(), this));
    if (!window_) {
        ReleaseClass();
        return false;
    }
    return true;
}

void QuickWnd::Destroy() {
    if (!window_) return;
    window_.reset();
    ReleaseClass();
}

bool QuickWnd::PostQuitRequest(HWND quickWnd) {
    return quickWnd && QuitRequestMessage() != 0 && ::PostMessageW(quickWnd, QuitRequestMessage(), 0, 0);
}

LRESULT CALLBACK QuickWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<QuickWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == QuitRequestMessage() && message != 0) {
        if (self && self->quitHandler_) self->quitHandler_(self->quitContext_);
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (self && self->timedOut_) *self->timedOut_ = 1;
        return 0;
    case WM_NCDESTROY:
        // From here on no message may reach the object.
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace cc
