// A window class of this module registered while at least one window of it exists and
// unregistered with the last, so no class with a window procedure of this module
// outlives the module.
#pragma once

#include <windows.h>

namespace cc {

class SharedWindowClass {
public:
    explicit constexpr SharedWindowClass(const wchar_t* name) : name_(name) {}

    // Before a window of the class is made: registers `wc` (whose name is this one's)
    // with the first. False when it could not be registered: then no window may be made,
    // and Release is not called.
    bool Acquire(const WNDCLASSEXW& wc) {
        ::AcquireSRWLockExclusive(&lock_);
        bool ok = true;
        if (live_ == 0) ok = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        if (ok) {
            ++live_;
            instance_ = wc.hInstance;
        }
        ::ReleaseSRWLockExclusive(&lock_);
        return ok;
    }
    // After a window of the class is gone (or left to its thread).
    void Release() {
        ::AcquireSRWLockExclusive(&lock_);
        if (live_ > 0 && --live_ == 0) ::UnregisterClassW(name_, instance_);
        ::ReleaseSRWLockExclusive(&lock_);
    }
    const wchar_t* name() const { return name_; }

private:
    const wchar_t* name_;
    HINSTANCE instance_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    int live_ = 0;
};

}  // namespace cc
