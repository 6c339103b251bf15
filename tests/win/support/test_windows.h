// Real windows shaped like the hosts' windows, input injected as real mouse and
// keyboard events, and message pumping with deadlines.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "common/unique_handle.h"

namespace cc::test {

// Registers a plain window class once per test program (white background, default
// painting) so windows can carry the hosts' class names.
void EnsureClass(const wchar_t* name);

// Items "item 0", "item 1", ... appended to a list view.
void AddListItems(HWND list, int count);

// A top-level window with children along a path of class names; the last one is the
// view. A "SysListView32" in the path is a real list view with `items` items.
// The screen scale a run was started at (CC_EXPECT_DPI, set by the runs at 144 and 192
// DPI), or 0 when the run names none: a prefix at the wrong scale must not pass silently.
unsigned ExpectedTestDpi();

class HostWindow {
public:
    HostWindow(std::initializer_list<const wchar_t*> path, RECT frame, int items = 0);
    HWND frame() const { return frame_.get(); }
    HWND view() const { return view_; }
    // The child at depth i of the path (0 = first child of the frame).
    HWND child(size_t i) const { return i < children_.size() ? children_[i] : nullptr; }
    POINT ViewCenter() const;

private:
    unique_hwnd frame_;
    std::vector<HWND> children_;
    HWND view_ = nullptr;
};

struct LoggedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Subclasses a window and records the mouse messages it receives. Button presses are
// recorded and swallowed, so a list view never enters its own drag loop in a test.
class MouseLog {
public:
    explicit MouseLog(HWND window);
    ~MouseLog();
    MouseLog(const MouseLog&) = delete;
    MouseLog& operator=(const MouseLog&) = delete;

    std::vector<LoggedMessage> messages;
    // Other messages worth recording (scrolling, private messages), beside the mouse.
    std::vector<UINT> alsoRecord;
    bool swallowButtons = true;
    // What a list view tells its parent about a right click.
    int contextMenus = 0;
    int rightClickNotifications = 0;
    size_t Count(UINT message) const;
    void Clear() { messages.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND window_;
    WNDPROC original_;
};

// Pumps this thread's messages until `done` holds or `timeoutMs` passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Pumps for a fixed time: only for checking that something does NOT happen.
void PumpFor(DWORD ms);

// Real input through SendInput. Each call waits until the event reached this thread.
// Another program's window, on a thread of its own: what the hook never sees. With
// `takeKeyboard` it becomes the foreground window and holds the keyboard focus.
class ForeignWindow {
public:
    explicit ForeignWindow(RECT frame, bool takeKeyboard = false);
    ~ForeignWindow();
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;

private:
    std::atomic<bool> ready_{false}, stop_{false};
    std::thread thread_;
};

class Input {
public:
    Input();
    ~Input();  // releases what it pressed, puts the cursor back
    void MoveTo(int x, int y);
    void RightDown();
    void RightUp();
    void LeftDown();
    void LeftUp();
    void MiddleDown();
    void MiddleUp();
    void Wheel(int delta);
    // Two clicks inside the double-click time where the pointer is (or at `at`).
    void DoubleClick();
    void DoubleClickAt(POINT at);
    // Ctrl, Shift and Alt are held through the X server, the way a physical keyboard
    // holds them, so they stay down across pointer moves; other keys go through SendInput.
    void KeyDown(WORD vk);
    void KeyUp(WORD vk);

private:
    void Mouse(DWORD flags, DWORD data = 0);
    POINT saved_{};
    bool rightDown_ = false;
    bool leftDown_ = false;
    bool middleDown_ = false;
    std::vector<WORD> keysDown_;
};

}  // namespace cc::test
