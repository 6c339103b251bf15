#include "gesture/view_locator.h"

#include <initializer_list>

namespace cc {
namespace {

// Follows a path of direct children, each the first child of the named class.
HWND FindChildPath(HWND parent, std::initializer_list<const wchar_t*> classes) {
    HWND window = parent;
    for (const wchar_t* cls : classes) {
        if (!window) return nullptr;
        window = ::FindWindowExW(window, nullptr, cls, nullptr);
    }
    return window;
}

}  // namespace

LocatedView FindViewWindow(HWND topLevel, bool tabbedBrowser) {
    if (!topLevel) return {};
    // A browser whose first container exists but lacks the page view has no view at all;
    // only a missing container sends the search on to the folder list.
    if (tabbedBrowser) {
        if (HWND tab = ::FindWindowExW(topLevel, nullptr, L"TabWindowClass", nullptr)) {
            HWND page = FindChildPath(tab, {L"Shell DocObject View", L"Internet Explorer_Server"});
            return page ? LocatedView{page, ViewWeb} : LocatedView{};
        }
    } else if (HWND doc = ::FindWindowExW(topLevel, nullptr, L"Shell DocObject View", nullptr)) {
        HWND page = ::FindWindowExW(doc, nullptr, L"Internet Explorer_Server", nullptr);
        return page ? LocatedView{page, ViewWeb} : LocatedView{};
    }
    if (HWND list = FindChildPath(topLevel, {L"SHELLDLL_DefView", L"SysListView32"})) {
        return {list, ViewFolderList};
    }
    if (HWND list = FindChildPath(topLevel, {L"SHELLDLL_DefView", L"DUIViewWndClassName", L"DirectUIHWND",
                                             L"CtrlNotifySink", L"SysListView32"})) {
        return {list, ViewFolderList};
    }
    return {};
}

LocatedView LocateView(IWebBrowser2* browser, bool tabbedBrowser) {
    if (!browser) return {};
    SHANDLE_PTR top = 0;
    if (FAILED(browser->get_HWND(&top))) return {};
    return FindViewWindow(reinterpret_cast<HWND>(top), tabbedBrowser);
}

}  // namespace cc
