#include "actions/executor.h"

#include <wrl/client.h>

#include <initializer_list>

#include "actions/action_match.h"
#include "actions/address_walk.h"
#include "actions/folder_navigation.h"
#include "actions/key_chord.h"
#include "actions/launch.h"
#include "attach/instance_list.h"
#include "dialogs/settings_sheet.h"
#include "menus/quick_wnd.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

constexpr UINT kTabBarNewWindow = WM_APP + 1;
constexpr UINT kTabBarClose = WM_APP + 2;
constexpr LONG kNavOpenInNewTab = 0x0800;
constexpr int kCsidlPersonal = 5;

// A variant that clears itself.
class Variant {
public:
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT v;
};

// The browser's current address; an empty text when it has none.
class LocationUrl {
public:
    explicit LocationUrl(IWebBrowser2* browser) {
        if (FAILED(browser->get_LocationURL(&url_))) url_ = nullptr;
    }
    ~LocationUrl() { ::SysFreeString(url_); }
    LocationUrl(const LocationUrl&) = delete;
    LocationUrl& operator=(const LocationUrl&) = delete;
    const wchar_t* text() const { return url_ ? url_ : L""; }
    BSTR bstr() const { return url_; }

private:
    BSTR url_ = nullptr;
};

HRESULT Navigate(IWebBrowser2* browser, VARIANT* target, LONG flags = 0, bool withFlags = false) {
    Variant flagsArg, empty;
    if (withFlags) {
        flagsArg.v.vt = VT_I4;
        flagsArg.v.lVal = flags;
    }
    return browser->Navigate2(target, &flagsArg.v, &empty.v, &empty.v, &empty.v);
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

void Scroll(const GestureContext& ctx, WPARAM request) {
    ::SendMessageW(ctx.session->TargetView, WM_VSCROLL, request, 0);
}

// The prompt starts in the folder as its working folder, with no command: a folder name
// never passes through the command interpreter's parsing (quotes, "&", "^", "%NAME%").
void OpenCommandPrompt(IWebBrowser2* browser) {
    LocationUrl url(browser);
    AddressBuffer folder;
    if (CommandPromptFolder(url.text(), folder)) StartProgram(L"cmd.exe", nullptr, folder);
}

// Every other browser of this process (tabs sharing this thread included) is asked to
// quit, each on its own thread and once.
void CloseOtherInstances(HWND ownQuickWnd) {
    if (InstanceList::Count() < 2) return;
    for (HWND other : InstanceList::OtherQuickWindows(ownQuickWnd)) QuickWnd::PostQuitRequest(other);
}

// Rows 0..4, 8 and 9 are the same in both tables.
bool RunCommonAction(const GestureContext& ctx, int action, HWND top) {
    IWebBrowser2* b = ctx.browser;
    switch (action) {
    case 0:
        OpenSettingsSheet(ctx);
        return true;
    case 1:
        b->GoBack();
        return true;
    case 2:
        b->GoForward();
        return true;
    case 3:
        b->Stop();
        return true;
    case 4:
        b->Refresh();
        return true;
    case 8:
        ToggleMaximized(top);
        return true;
    case 9:
        ::ShowWindow(top, SW_MINIMIZE);
        return true;
    default:
        return false;
    }
}

// The four scroll rows: Explorer 12..15, browser 20..23.
bool RunScrollAction(const GestureContext& ctx, int row) {
    static constexpr WPARAM kRequests[] = {SB_TOP, SB_BOTTOM, SB_PAGEUP, SB_PAGEDOWN};
    if (row < 0 || row >= 4) return false;
    Scroll(ctx, kRequests[row]);
    return true;
}

void RunExplorerAction(const GestureContext& ctx, int action, HWND top) {
    if (RunCommonAction(ctx, action, top) || RunScrollAction(ctx, action - 12)) return;
    IWebBrowser2* b = ctx.browser;
    switch (action) {
    case 5:
        if (HWND tabBar = FindTabBarWindow(b)) {
            ::SendMessageW(tabBar, kTabBarClose, 0, 0);
        } else {
            b->Quit();
        }
        break;
    case 6:
        if (HWND tabBar = FindTabBarWindow(b)) {
            ::SendMessageW(tabBar, kTabBarNewWindow, 0, 0);
        } else {
            LocationUrl url(b);
            ProgramParameters parameters;
            if (parameters.Join(L"explorer.exe", L"/n, ", url.text())) StartProgram(L"explorer.exe", parameters.text());
        }
        break;
    case 7: {
        Variant home;
        home.v.vt = VT_I4;
        home.v.lVal = kCsidlPersonal;
        Navigate(b, &home.v);
        break;
    }
    case 10:
        UpOneFolder(ctx, ctx.settings.Get(Field::UpFolderByPath));
        break;
    case 11:
        OpenCommandPrompt(b);
        break;
    default:
        break;
    }
}

// Rows that exist only in a tabbed browser: the marked tab commands and the two panes.
bool TabbedOnly(int action) { return BrowserActionIe7Only(action) || action == 27 || action == 28; }

void RunBrowserAction(const GestureContext& ctx, int action, HWND top) {
    IWebBrowser2* b = ctx.browser;
    const bool tabbed = ctx.session->TabbedBrowser != 0;
    if (TabbedOnly(action) && !tabbed) return;
    if (RunCommonAction(ctx, action, top) || RunScrollAction(ctx, action - 20)) return;
    const WORD zoomModifier = tabbed ? VK_CONTROL : VK_MENU;
    switch (action) {
    case 5:
        b->Quit();
        break;
    case 6:
        StartProgram(L"iexplore.exe", nullptr);
        break;
    case 7:
        b->GoHome();
        break;
    case 10:
        UpOneLevel(ctx);
        break;
    case 11: {
        Variant blank;
        blank.v.vt = VT_BSTR;
        blank.v.bstrVal = ::SysAllocString(L"about:blank");
        if (blank.v.bstrVal) Navigate(b, &blank.v, kNavOpenInNewTab, true);
        break;
    }
    case 12: {
        LocationUrl url(b);
        Variant target;
        target.v.vt = VT_BSTR;
        target.v.bstrVal = ::SysAllocString(url.text());
        if (target.v.bstrVal) Navigate(b, &target.v, kNavOpenInNewTab, true);
        break;
    }
    case 13:
        CloseOtherInstances(ctx.quickWnd);
        break;
    case 14:
        Chord({VK_CONTROL, KeyOf(L'q')});
        break;
    case 15:
        Chord({VK_CONTROL, VK_SHIFT, KeyOf(L'q')});
        break;
    case 16:
        Chord({VK_CONTROL, VK_TAB});
        break;
    case 17:
        Chord({VK_CONTROL, VK_SHIFT, VK_TAB});
        break;
    case 18:
        Chord({VK_CONTROL, KeyOf(L'n')});
        break;
    case 19: {
        VARIANT_BOOL theater = VARIANT_FALSE;
        if (FAILED(b->get_TheaterMode(&theater))) theater = VARIANT_FALSE;
        b->put_TheaterMode(theater == VARIANT_TRUE ? VARIANT_FALSE : VARIANT_TRUE);
        break;
    }
    case 24:
        Chord({zoomModifier, KeyOf(L'+')});
        break;
    case 25:
        Chord({zoomModifier, KeyOf(L'-')});
        break;
    case 26:
        Chord({zoomModifier, KeyOf(L'0')});
        break;
    case 27:
        Chord({VK_CONTROL, VK_SHIFT, KeyOf(L'h')});
        break;
    case 28:
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
