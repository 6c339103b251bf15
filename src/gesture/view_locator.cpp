#include "gesture/view_locator.h"
#include "common/active_shell_view.h"

#include <wrl/client.h>

#include <initializer_list>
#include <cwchar>
#include <iterator>

using Microsoft::WRL::ComPtr;

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

// The page container FindViewWindow looks for first: where it exists, the class paths
// have decided (a page view, or none), and the shell view is not asked.
bool HasPageContainer(HWND topLevel, bool tabbedBrowser) {
    return ::FindWindowExW(topLevel, nullptr, tabbedBrowser ? L"TabWindowClass" : L"Shell DocObject View", nullptr) !=
           nullptr;
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

HWND FindShellViewItems(IWebBrowser2* browser) {
    const ComPtr<IShellView> view = ActiveShellView(browser);
    HWND viewWindow = nullptr;
    if (!view || FAILED(view->GetWindow(&viewWindow)) || !viewWindow) return nullptr;
    // The view is the browser's own, on this thread; anything else is not ours to hook.
    if (::GetWindowThreadProcessId(viewWindow, nullptr) != ::GetCurrentThreadId()) return nullptr;
    if (HWND list = ::FindWindowExW(viewWindow, nullptr, L"SysListView32", nullptr)) return list;
    return ::FindWindowExW(viewWindow, nullptr, kDirectUIClass, nullptr);
}

LocatedView LocateView(IWebBrowser2* browser, bool tabbedBrowser) {
    if (!browser) return {};
    SHANDLE_PTR top = 0;
    if (FAILED(browser->get_HWND(&top))) return {};
    const HWND topLevel = reinterpret_cast<HWND>(top);
    const LocatedView found = FindViewWindow(topLevel, tabbedBrowser);
    if (found.kind != ViewNone || !topLevel || HasPageContainer(topLevel, tabbedBrowser)) return found;
    if (HWND items = FindShellViewItems(browser)) return {items, ViewFolderList};
    return {};
}

}  // namespace cc
