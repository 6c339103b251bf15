// One owner per handle: small RAII wrappers in the shape of WIL's unique_any
// (get, put, reset, release), so no path frees a handle by hand.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <shtypes.h>

#include <cstdint>
#include <utility>

namespace cc {

// `InvalidBits` is the "no handle" value as an integer (0, or -1 for file handles), since
// a pointer constant such as INVALID_HANDLE_VALUE cannot be a template argument.
template <typename T, auto Close, intptr_t InvalidBits = 0>
class unique_any {
    static T Invalid() { return (T)InvalidBits; }  // pointer or integer handle types alike

public:
    unique_any() = default;
    explicit unique_any(T value) : value_(value) {}
    ~unique_any() { reset(); }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid(); }

    void reset() { reset(Invalid()); }
    void reset(T value) {
        const T old = std::exchange(value_, value);
        if (old != Invalid()) Close(old);
    }
    [[nodiscard]] T release() { return std::exchange(value_, Invalid()); }
    // Closes the current value and hands out its slot for an API to fill.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Invalid();
};

inline void CloseHandleValue(HANDLE h) { ::CloseHandle(h); }
inline void DestroyWindowValue(HWND h) { ::DestroyWindow(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void UnmapViewValue(void* view) { ::UnmapViewOfFile(view); }
inline void CloseRegKey(HKEY key) { ::RegCloseKey(key); }
inline void UnhookValue(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
inline void FreeBstr(BSTR text) { ::SysFreeString(text); }
inline void DestroyIconValue(HICON icon) { ::DestroyIcon(icon); }
inline void DestroyMenuValue(HMENU menu) { ::DestroyMenu(menu); }
inline void DeleteDcValue(HDC dc) { ::DeleteDC(dc); }
inline void FindCloseValue(HANDLE find) { ::FindClose(find); }
inline void CoTaskMemFreeValue(void* memory) { ::CoTaskMemFree(memory); }
inline void LocalFreeValue(void* memory) { ::LocalFree(memory); }

using unique_handle = unique_any<HANDLE, CloseHandleValue>;
using unique_hwnd = unique_any<HWND, DestroyWindowValue>;
using unique_hpen = unique_any<HPEN, DeleteGdiObject>;
using unique_hfont = unique_any<HFONT, DeleteGdiObject>;
using unique_hbitmap = unique_any<HBITMAP, DeleteGdiObject>;
using unique_mapped_view = unique_any<void*, UnmapViewValue>;
using unique_hkey = unique_any<HKEY, CloseRegKey>;
using unique_hhook = unique_any<HHOOK, UnhookValue>;
using unique_bstr = unique_any<BSTR, FreeBstr>;
using unique_hicon = unique_any<HICON, DestroyIconValue>;
using unique_hmenu = unique_any<HMENU, DestroyMenuValue>;
// A memory DC from CreateCompatibleDC (a window's DC goes back with unique_window_dc).
using unique_hdc = unique_any<HDC, DeleteDcValue>;
// FindFirstFileW reports failure as INVALID_HANDLE_VALUE.
using unique_hfind = unique_any<HANDLE, FindCloseValue, -1>;
// Memory from the COM task allocator: item lists and strings the shell hands out.
template <typename T>
using unique_cotaskmem = unique_any<T, CoTaskMemFreeValue>;
using unique_cotaskmem_string = unique_cotaskmem<wchar_t*>;
using unique_pidl = unique_cotaskmem<PIDLIST_ABSOLUTE>;
using unique_child_pidl = unique_cotaskmem<PITEMID_CHILD>;
// Memory from LocalAlloc: security descriptors, SIDs and strings the security functions hand out.
template <typename T>
using unique_hlocal = unique_any<T, LocalFreeValue>;

// A VARIANT cleared when it goes.
class unique_variant {
public:
    unique_variant() { ::VariantInit(&value_); }
    ~unique_variant() { reset(); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    void reset() {
        ::VariantClear(&value_);
        ::VariantInit(&value_);
    }
    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARIANT* operator->() { return &value_; }
    const VARIANT* operator->() const { return &value_; }
    // Clears the current value and hands out the slot for an API to fill.
    VARIANT* put() {
        reset();
        return &value_;
    }
    // Hands the value over to the caller, who clears it.
    [[nodiscard]] VARIANT release() {
        VARIANT out = value_;
        ::VariantInit(&value_);
        return out;
    }

private:
    VARIANT value_;
};
// CreateFileW reports failure as INVALID_HANDLE_VALUE, not null.
using unique_hfile = unique_any<HANDLE, CloseHandleValue, -1>;

// A device context from GetDC/GetDCEx, given back to its window.
class unique_window_dc {
public:
    unique_window_dc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    ~unique_window_dc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    unique_window_dc(const unique_window_dc&) = delete;
    unique_window_dc& operator=(const unique_window_dc&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class select_object_scope {
public:
    select_object_scope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~select_object_scope() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    select_object_scope(const select_object_scope&) = delete;
    select_object_scope& operator=(const select_object_scope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace cc
