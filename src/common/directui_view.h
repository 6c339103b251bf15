// The items view of the Explorer since Windows 7: a DirectUI window, known by its class.
#pragma once

#include <windows.h>

#include <cwchar>
#include <iterator>

namespace cc {

inline constexpr wchar_t kDirectUIClass[] = L"DirectUIHWND";

// True for a DirectUI items view, which is asked about its items through its accessible
// object and the shell view, not list-view messages.
inline bool IsDirectUIItemsView(HWND view) {
    wchar_t name[std::size(kDirectUIClass) + 1] = L"";
    return ::GetClassNameW(view, name, static_cast<int>(std::size(name))) > 0 && std::wcscmp(name, kDirectUIClass) == 0;
}

}  // namespace cc
