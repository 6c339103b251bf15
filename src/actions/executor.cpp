#include "actions/executor.h"

#include <wrl/client.h>

#include <initializer_list>

#include "actions/action_match.h"
#include "actions/address_walk.h"
#include "actions/folder_navigation.h"
#include "actions/items_view_scroll.h"
#include "actions/key_chord.h"
#include "actions/launch.h"
#include "common/directui_view.h"
#include "dialogs/settings_sheet.h"
#include "menus/quick_wnd.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

constexpr UINT kTabBarNewWindow = WM_APP + 1;
constexpr UINT kTabBarClose = WM_APP + 2;
constexpr LONG kNavOpenInNewTab = 0x0800;
constexpr int kCsidlPersonal = 5;

// The browser's current address; an empty text when it has none.
class LocationUrl {
public:
    explicit LocationUrl(IWebBrowser2* browser) {
        if (FAILED(browser->get_LocationURL(url_.put()))) url_.reset();
    }
    const wchar_t* text() const { return url_ ? url_.get() : L""; }
    BSTR bstr() const { return url_.get(); }

private:
    unique_bstr url_;
};

HRESULT Navigate(IWebBrowser2* browser, VARIANT* target, LONG flags = 0, bool withFlags = false) {
    unique_variant flagsArg, empty;
    if (withFlags) {
        flagsArg->vt = VT_I4;
        flagsArg->lVal = flags;
    }
    return browser->Navigate2(target, flagsArg.get(), empty.get(), empty.get(), empty.get());
}

// "Key of c": the key VkKeyScanW gives for the character in the current layout.
WORD KeyOf(wchar_t c) {
    const SHORT scan = ::VkKeyScanW(c);
    // The high byte is the shift state the character needs; it is not a key of its own,
    // and a key value above 0xFF would reach no window.
    return scan == -1 ? 0 : static_cast<WORD>(scan & 0xFF);
}

void Chord(std::initializer_list<WORD> keys) {
    for (WORD k : keys) {
        if (k == 0) return;  // a character this layout cannot type
    }
    SendKeyChord(static_cast<UINT>(keys.size()), keys.begin());
}

void ToggleMaximized(HWND top) { ::ShowWindow(top, ::IsZoomed(top) ? SW_SHOWNORMAL : SW_SHOWMAXIMIZED); }


// The prompt starts in the folder as its working folder, with no command: a folder name
// never passes through the command interpreter's parsing (quotes, "&", "^", "%NAME%").
void OpenCommandPrompt(IWebBrowser2* browser) {
    LocationUrl url(browser);
    AddressBuffer folder;
    if (CommandPromptFolder(url.text(), folder)) StartProgram(L"cmd.exe", nullptr, folder);
}

// Every other browser of this process (tabs sharing this thread included) is asked to
// quit, each on its own thread and once.
void CloseOtherInstances(const GestureContext& ctx) {
    if (!ctx.otherQuickWindows) return;
    for (HWND other : ctx.otherQuickWindows(ctx.quickWnd)) QuickWnd::PostQuitRequest(other);
}

// Rows 0..4, 8 and 9 are the same in both tables.
constexpr bool SameRow(BrowserAction browser, ExplorerAction explorer) {
    return static_cast<int>(browser) == static_cast<int>(explorer);
}
static_assert(SameRow(BrowserOpenSettings, ExplorerOpenSettings) && SameRow(BrowserBack, ExplorerBack) &&
              SameRow(BrowserForward, ExplorerForward) && SameRow(BrowserStop, ExplorerStop) &&
              SameRow(BrowserRefresh, ExplorerRefresh) && SameRow(BrowserMaximiseRestore, ExplorerMaximiseRestore) &&
              SameRow(BrowserMinimise, ExplorerMinimise));
bool RunCommonAction(const GestureContext& ctx, int action, HWND top) {
    IWebBrowser2* b = ctx.browser;
    switch (action) {
    case ExplorerOpenSettings:
        OpenSettingsSheet(ctx);
        return true;
    case ExplorerBack:
        b->GoBack();
        return true;
    case ExplorerForward:
        b->GoForward();
        return true;
    case ExplorerStop:
        b->Stop();
        return true;
    case ExplorerRefresh:
        b->Refresh();
        return true;
    case ExplorerMaximiseRestore:
        ToggleMaximized(top);
        return true;
    case ExplorerMinimise:
        ::ShowWindow(top, SW_MINIMIZE);
        return true;
    default:
        return false;
    }
}

// The four scroll rows, in the same order in both lists: top, bottom, page up, page down.
// A DirectUI items view has no scroll bars of its window's own to take WM_VSCROLL.
static_assert(BrowserPageDown - BrowserScrollTop == 3 && ExplorerPageDown - ExplorerScrollTop == 3);
bool RunScrollAction(const GestureContext& ctx, int row) {
    static constexpr WPARAM kRequests[] = {SB_TOP, SB_BOTTOM, SB_PAGEUP, SB_PAGEDOWN};
    static constexpr ItemsViewScroll kItemsViewRequests[] = {ItemsViewScroll::Top, ItemsViewScroll::Bottom,
                                                             ItemsViewScroll::PageUp, ItemsViewScroll::PageDown};
    if (row < 0 || row >= 4) return false;
    HWND view = ctx.session->TargetView;
    if (IsDirectUIItemsView(view)) {
        ScrollItemsView(ctx.browser, view, kItemsViewRequests[row]);
    } else {
        ::SendMessageW(view, WM_VSCROLL, kRequests[row], 0);
    }
    return true;
}

void RunExplorerAction(const GestureContext& ctx, int action, HWND top) {
    if (RunCommonAction(ctx, action, top) || RunScrollAction(ctx, action - ExplorerScrollTop)) return;
    IWebBrowser2* b = ctx.browser;
    switch (action) {
    case ExplorerClose:
        if (HWND tabBar = FindTabBarWindow(b)) {
            ::SendMessageW(tabBar, kTabBarClose, 0, 0);
        } else {
            b->Quit();
        }
        break;
    case ExplorerNewWindow:
        if (HWND tabBar = FindTabBarWindow(b)) {
            ::SendMessageW(tabBar, kTabBarNewWindow, 0, 0);
        } else {
            LocationUrl url(b);
            ProgramParameters parameters;
            if (parameters.Join(L"explorer.exe", L"/n, ", url.text())) StartProgram(L"explorer.exe", parameters.text());
        }
        break;
    case ExplorerHome: {
        unique_variant home;
        home->vt = VT_I4;
        home->lVal = kCsidlPersonal;
        Navigate(b, home.get());
        break;
    }
    case ExplorerUpOneFolder:
        UpOneFolder(ctx, ctx.settings.Get(Field::UpFolderByPath));
        break;
    case ExplorerCommandPrompt:
        OpenCommandPrompt(b);
        break;
    default:
        break;
    }
}

void RunBrowserAction(const GestureContext& ctx, int action, HWND top) {
    IWebBrowser2* b = ctx.browser;
    const bool tabbed = ctx.session->TabbedBrowser != 0;
    if (BrowserActionTabbedOnly(action) && !tabbed) return;
    if (RunCommonAction(ctx, action, top) || RunScrollAction(ctx, action - BrowserScrollTop)) return;
    const WORD zoomModifier = tabbed ? VK_CONTROL : VK_MENU;
    switch (action) {
    case BrowserClose:
        b->Quit();
        break;
    case BrowserNewWindow:
        StartProgram(L"iexplore.exe", nullptr);
        break;
    case BrowserHome:
        b->GoHome();
        break;
    case BrowserUpOneLevel:
        UpOneLevel(ctx);
        break;
    case BrowserNewTab: {
        unique_variant blank;
        blank->vt = VT_BSTR;
        blank->bstrVal = ::SysAllocString(L"about:blank");
        if (blank->bstrVal) Navigate(b, blank.get(), kNavOpenInNewTab, true);
        break;
    }
    case BrowserDuplicateTab: {
        LocationUrl url(b);
        unique_variant target;
        target->vt = VT_BSTR;
        target->bstrVal = ::SysAllocString(url.text());
        if (target->bstrVal) Navigate(b, target.get(), kNavOpenInNewTab, true);
        break;
    }
    case BrowserCloseOtherTabs:
        CloseOtherInstances(ctx);
        break;
    case BrowserQuickTabs:
        Chord({VK_CONTROL, KeyOf(L'q')});
        break;
    case BrowserTabList:
        Chord({VK_CONTROL, VK_SHIFT, KeyOf(L'q')});
        break;
    case BrowserNextTab:
        Chord({VK_CONTROL, VK_TAB});
        break;
    case BrowserPreviousTab:
        Chord({VK_CONTROL, VK_SHIFT, VK_TAB});
        break;
    case BrowserDuplicatePage:
        Chord({VK_CONTROL, KeyOf(L'n')});
        break;
    case BrowserFullScreen: {
        VARIANT_BOOL theater = VARIANT_FALSE;
        if (FAILED(b->get_TheaterMode(&theater))) theater = VARIANT_FALSE;
        b->put_TheaterMode(theater == VARIANT_TRUE ? VARIANT_FALSE : VARIANT_TRUE);
        break;
    }
    case BrowserLargerFont:
        Chord({zoomModifier, KeyOf(L'+')});
        break;
    case BrowserSmallerFont:
        Chord({zoomModifier, KeyOf(L'-')});
        break;
    case BrowserResetFont:
        Chord({zoomModifier, KeyOf(L'0')});
        break;
    case BrowserHistoryPane:
        Chord({VK_CONTROL, VK_SHIFT, KeyOf(L'h')});
        break;
    case BrowserFavouritesPane:
        Chord({VK_CONTROL, VK_SHIFT, KeyOf(L'i')});
        break;
    default:
        break;
    }
}

}  // namespace

HWND FindTabBarWindow(IWebBrowser2* browser) {
    SHANDLE_PTR top = 0;
    if (!browser || FAILED(browser->get_HWND(&top))) return nullptr;
    HWND window = reinterpret_cast<HWND>(top);
    for (const wchar_t* cls : {L"WorkerW", L"ReBarWindow32", L"CadenceTab"}) {
        if (!window) return nullptr;
        window = ::FindWindowExW(window, nullptr, cls, nullptr);
    }
    return window && ::IsWindowVisible(window) ? window : nullptr;
}

HRESULT RunBoundAction(const GestureContext& ctx) {
    if (!ctx.browser || !ctx.session) return E_POINTER;
    SHANDLE_PTR top = 0;
    const HRESULT hr = ctx.browser->get_HWND(&top);
    if (FAILED(hr)) return hr;
    const GestureSession& s = *ctx.session;
    if (s.StrokeCount == 0) return S_OK;
    const int action = FindBoundAction(ctx.settings, s.ViewKind, s.StrokeCount, s.Strokes);
    if (action == kNoAction) return S_OK;
    if (s.ViewKind == ViewFolderList) {
        RunExplorerAction(ctx, action, reinterpret_cast<HWND>(top));
    } else if (s.ViewKind == ViewWeb) {
        RunBrowserAction(ctx, action, reinterpret_cast<HWND>(top));
    }
    return S_OK;
}

}  // namespace cc
