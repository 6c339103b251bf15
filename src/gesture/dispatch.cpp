#include "gesture/dispatch.h"

#include <commctrl.h>

#include <atomic>
#include <initializer_list>

#include "actions/executor.h"
#include "actions/folder_navigation.h"
#include "actions/key_chord.h"
#include "common/dpi.h"
#include "gesture/absolute_input.h"
#include "gesture/status_text.h"
#include "gesture/tracker.h"
#include "gesture/tracker_rules.h"
#include "gesture/trail_status.h"
#include "gesture/view_hit.h"
#include "gesture/view_locator.h"
#include "menus/quick_wnd.h"
#include "menus/wheel_menus.h"

namespace cc {
namespace {

constexpr int kConsume = 1;
constexpr int kPass = 0;

// How long a middle click's navigation may take to begin once its posted click and all
// that was queued with it have been handled.
constexpr UINT kNewWindowPendingMs = 1000;

bool HasFlag(const GestureContext& ctx, int32_t flag) {
    return (ctx.settings.Get(Field::DefaultActionFlags) & flag) != 0;
}

// LocateView, storing the result in the session.
void RefreshView(const GestureContext& ctx) {
    GestureSession& s = *ctx.session;
    const LocatedView located = LocateView(ctx.browser, s.TabbedBrowser != 0);
    s.TargetView = located.view;
    s.ViewKind = located.kind;
}

// The pointer relative to a window's window rectangle: the frame of the trail.
Point WindowRelative(HWND window, POINT screen) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return {screen.x - r.left, screen.y - r.top};
}

// The pointer in a window's client coordinates: the frame of mouse-message points and
// of list-item and page hit tests. (For a view without a border it equals the above.)
POINT ClientPoint(HWND window, POINT screen) {
    POINT p = screen;
    ::ScreenToClient(window, &p);
    return p;
}

LPARAM Packed(POINT p) { return static_cast<LPARAM>(PackPointLParam({p.x, p.y})); }

// A mouse click posted to a window: posted messages do not pass the hook again.
void PostClick(HWND window, UINT down, WPARAM downKeys, UINT up, POINT client) {
    ::PostMessageW(window, down, downKeys, Packed(client));
    ::PostMessageW(window, up, 0, Packed(client));
}

bool PressOnSelectedListItem(HWND list, POINT client) {
    if (::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return false;
    const LRESULT count = ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (!(::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) & LVIS_SELECTED)) continue;
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        if (::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&bounds)) &&
            ::PtInRect(&bounds, client)) {
            return true;
        }
    }
    return false;
}

// A DirectUI items view is asked through its accessible object; when it cannot say, the
// press counts as one on an unselected item, so the gesture starts as usual.
bool PressOnSelectedItem(HWND view, POINT screen) {
    if (IsDirectUIItemsView(view)) {
        const AccessibleHit hit = AccessibleItemAt(view, screen);
        return hit.at == ItemAtPoint::Item && hit.selected;
    }
    return PressOnSelectedListItem(view, ClientPoint(view, screen));
}

// Empty space of a folder list. Where a DirectUI items view cannot say, the point counts
// as an item: nothing happens rather than an unexpected move up.
bool EmptyFolderSpace(HWND view, POINT screen) {
    if (IsDirectUIItemsView(view)) return AccessibleItemAt(view, screen).at == ItemAtPoint::Empty;
    return !HitListItem(view, ClientPoint(view, screen));
}

std::atomic<SendInputFn> g_sendInput{&::SendInput};

int OnRightDown(const GestureContext& ctx, const MOUSEHOOKSTRUCT& m) {
    GestureSession& s = *ctx.session;
    if (s.GesturesOff) return kPass;
    RefreshView(ctx);
    if (s.ViewKind == ViewNone || m.hwnd != s.TargetView) return kPass;
    s.NewWindowPending = 0;
    if (ctx.settings.Get(Field::NoStartOnSelectedItem) != 0 && PressOnSelectedItem(s.TargetView, m.pt)) return kPass;
    if (::GetKeyState(VK_LBUTTON) < 0 && HasFlag(ctx, RockerForward)) {
        s.Drawing = 0;
        s.SkipNextRightUp = 1;
        s.Tracking = 0;
        if (ctx.browser) ctx.browser->GoForward();
        return kConsume;
    }
    if (CtrlHeld() && HasFlag(ctx, CtrlReleasesRight)) return kPass;
    BeginGesture(ctx, m.pt);
    return kConsume;
}

int OnRightUp(const GestureContext& ctx, const MOUSEHOOKSTRUCT& m) {
    GestureSession& s = *ctx.session;
    if (s.GesturesOff) return kPass;
    if (s.TimerId != 0) {
        ::KillTimer(ctx.quickWnd, s.TimerId);
        s.TimerId = 0;
    }
    int result = kConsume;
    HideOverlay(ctx);  // whatever happens next, the gesture's drawing goes at the release
    if (s.SkipNextRightUp) {
        s.SkipNextRightUp = 0;
    } else if (m.hwnd != s.TargetView) {
        result = kPass;
    } else {
        if (s.Drawing) {
            if (s.TimedOut) {
                SetStatusText(ctx.browser, kStatusCancelled);
                FlashText(ctx, kStatusCancelled, m.pt);
                s.StrokeCount = 0;
            } else {
                RunBoundAction(ctx);
                s.StrokeCount = 0;
                SetStatusText(ctx.browser, kStatusEmpty);
            }
        } else {
            // A plain right click: the view gets it back, at the release point.
            s.CurrentPoint = WindowRelative(m.hwnd, m.pt);
            if (s.ViewKind == ViewFolderList && IsDirectUIItemsView(s.TargetView)) {
                ReplayRightClickAsInput(m.hwnd, m.pt);
            } else {
                PostClick(s.TargetView, WM_RBUTTONDOWN, MK_RBUTTON, WM_RBUTTONUP, ClientPoint(m.hwnd, m.pt));
            }
        }
        s.TimedOut = 0;
    }
    s.Tracking = 0;
    s.Drawing = 0;
    return result;
}

int OnLeftDown(const GestureContext& ctx, const MOUSEHOOKSTRUCT& m) {
    GestureSession& s = *ctx.session;
    RefreshView(ctx);
    if (s.ViewKind == ViewNone || m.hwnd != s.TargetView) return kPass;
    s.NewWindowPending = 0;
    if (!s.Tracking) return kPass;
    // The chord ends the gesture: its drawing goes at once, whatever the back does.
    HideOverlay(ctx);
    s.Tracking = 0;
    s.SkipNextRightUp = 1;
    s.Drawing = 0;
    if (HasFlag(ctx, RockerBack)) {
        if (ctx.browser) ctx.browser->GoBack();
        return kConsume;
    }
    return kPass;
}

int OnLeftDoubleClick(const GestureContext& ctx, const MOUSEHOOKSTRUCT& m) {
    GestureSession& s = *ctx.session;
    RefreshView(ctx);
    const int32_t action = ctx.settings.Get(Field::BlankDoubleClickAction);
    if (action == DoubleClickDoesNothing || m.hwnd != s.TargetView) return kPass;
    const bool empty = (s.ViewKind == ViewFolderList && EmptyFolderSpace(s.TargetView, m.pt)) ||
                       (s.ViewKind == ViewWeb && !LinkAtPoint(ctx.browser, ClientPoint(s.TargetView, m.pt)));
    if (!empty) return kPass;
    if (action == DoubleClickGoesUp) {
        if (s.ViewKind == ViewFolderList) return UpOneFolder(ctx, ctx.settings.Get(Field::UpFolderByPath));
        return UpOneLevel(ctx);
    }
    if (action == DoubleClickTogglesGestures) {
        const wchar_t* text = s.GesturesOff ? kStatusGesturesOn : kStatusGesturesOff;
        SetStatusText(ctx.browser, text);
        FlashText(ctx, text, m.pt);
        s.GesturesOff = s.GesturesOff ? 0 : 1;
    }
    return kPass;
}

int OnMiddleDown(const GestureContext& ctx, const MOUSEHOOKSTRUCT& m) {
    GestureSession& s = *ctx.session;
    RefreshView(ctx);
    if (s.ViewKind == ViewWeb) {
        if (s.TabbedBrowser) return kPass;  // the browser handles middle clicks itself
        if (m.hwnd != s.TargetView) return kConsume;
        return LinkAtPoint(ctx.browser, ClientPoint(s.TargetView, m.pt)) ? kConsume : kPass;
    }
    if (s.ViewKind == ViewFolderList) return HasFlag(ctx, MiddleClickNewWindow) ? kConsume : kPass;
    return kPass;
}

int OnMiddleUp(const GestureContext& ctx, const MOUSEHOOKSTRUCT& m) {
    GestureSession& s = *ctx.session;
    RefreshView(ctx);
    if (s.ViewKind == ViewNone) return kPass;
    if (s.ViewKind == ViewWeb && s.TabbedBrowser) return kPass;
    if (!HasFlag(ctx, MiddleClickNewWindow)) return kConsume;
    const POINT p = ClientPoint(m.hwnd, m.pt);
    if (s.ViewKind == ViewWeb && !LinkAtPoint(ctx.browser, p)) return kPass;
    // A DirectUI items view does not navigate on a single click: a folder under the
    // pointer is opened here. A file or empty space takes the usual road.
    if (s.ViewKind == ViewFolderList && m.hwnd == s.TargetView && IsDirectUIItemsView(s.TargetView)) {
        unique_bstr name;
        if (AccessibleItemAt(s.TargetView, m.pt, &name).at == ItemAtPoint::Item && name &&
            OpenFolderItemInNewWindow(ctx, name.get())) {
            return kConsume;
        }
    }
    // The replayed left click navigates; BeforeNavigate2 then sends it to a new window.
    s.NewWindowPending = 1;
    PostClick(m.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP, p);
    // A click that navigates nowhere (a file, or a folder in double-click mode) must not
    // leave the flag to hijack some later navigation (Back, the tree, the address bar).
    if (QuickWnd* quick = QuickWnd::FromHandle(ctx.quickWnd)) {
        quick->ExpireFlagLater(&s.NewWindowPending, kNewWindowPendingMs);
    }
    return kConsume;
}

// After a wheel menu the coming right release belongs to the menu, not to a context menu.
// When the user let go inside the menu (picking with the right button), that release has
// already gone by: a flag set then would swallow some later, unrelated release.
void SkipReleaseIfStillHeld(GestureSession& s) {
    if (::GetKeyState(VK_RBUTTON) < 0) s.SkipNextRightUp = 1;
}

HWND FindTabBand(const GestureContext& ctx) {
    SHANDLE_PTR top = 0;
    if (!ctx.browser || FAILED(ctx.browser->get_HWND(&top))) return nullptr;
    HWND window = reinterpret_cast<HWND>(top);
    for (const wchar_t* cls : {L"CommandBarClass", L"ReBarWindow32", L"TabBandClass"}) {
        if (!window) return nullptr;
        window = ::FindWindowExW(window, nullptr, cls, nullptr);
    }
    return window;
}

int OnWheel(const GestureContext& ctx, const MOUSEHOOKSTRUCT& m) {
    GestureSession& s = *ctx.session;
    const int delta = static_cast<short>(HIWORD(reinterpret_cast<const MOUSEHOOKSTRUCTEX&>(m).mouseData));
    RefreshView(ctx);
    if (s.ViewKind == ViewNone) return kPass;

    if (!s.Tracking && s.TabbedBrowser) {
        if (HWND band = FindTabBand(ctx)) {
            RECT r{};
            if (::GetWindowRect(band, &r) && ::PtInRect(&r, m.pt)) {
                static constexpr WORD kPreviousTab[] = {VK_CONTROL, VK_SHIFT, VK_TAB};
                static constexpr WORD kNextTab[] = {VK_CONTROL, VK_TAB};
                if (delta > 0) {
                    SendKeyChord(3, kPreviousTab);
                } else {
                    SendKeyChord(2, kNextTab);
                }
                return kConsume;
            }
        }
    }
    if (m.hwnd != s.TargetView || !s.Tracking) return kPass;
    // Before a menu or a scroll of the view under the gesture, the trail and plate go.
    HideOverlay(ctx);
    if (s.Drawing) SetStatusText(ctx.browser, kStatusEmpty);
    s.Drawing = 0;  // back to the pressed state; the strokes so far stay recorded

    if (s.ViewKind == ViewWeb) {
        switch (ctx.settings.Get(Field::BrowserWheelAction)) {
        case BrowserWheelHistory:
            ShowHistoryMenu(ctx, m.pt, m.hwnd);
            SkipReleaseIfStillHeld(s);
            return kConsume;
        case BrowserWheelScrollsSideways:
            if (ScrollHorizontally(ctx.browser, delta, ClientPoint(s.TargetView, m.pt))) s.SkipNextRightUp = 1;
            return kConsume;
        default:
            return kPass;
        }
    }
    if (ctx.settings.Get(Field::ExplorerWheelAction) != ExplorerWheelQuickMove) return kPass;
    unique_variant chosen;
    ShowQuickMoveMenu(ctx, m.pt, m.hwnd, chosen);
    SkipReleaseIfStillHeld(s);
    if (chosen->vt == (VT_ARRAY | VT_UI1) && ctx.browser) {
        VARIANT empty;
        ::VariantInit(&empty);
        ctx.browser->Navigate2(chosen.get(), &empty, &empty, &empty, &empty);
    }
    return kConsume;
}

}  // namespace

bool IsDispatchedMessage(UINT message) {
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
        return true;
    default:
        return false;
    }
}

// A DirectUI items view takes a button message only while that button is really down,
// so a posted click is lost on it: the plain right click is given back as input
// instead, at the release point, marked so that no hook takes it for the user's.
bool ReplayRightClickAsInput(HWND view, POINT screen) {
    // Absolute input is physical; the view's points may be scaled by the system.
    const POINT physical = LogicalToPhysical(view, screen);
    const RECT desktop = PhysicalVirtualScreen();
    const int left = desktop.left, top = desktop.top;
    const int width = desktop.right - desktop.left, height = desktop.bottom - desktop.top;
    // The buttons of input are physical: with swapped buttons the right one is the left.
    const bool swapped = ::GetSystemMetrics(SM_SWAPBUTTON) != 0;
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dwExtraInfo = kInjectedInputMark;
    }
    inputs[0].mi.dx = AbsoluteInputCoordinate(physical.x - left, width);
    inputs[0].mi.dy = AbsoluteInputCoordinate(physical.y - top, height);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK |
                           (swapped ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN);
    inputs[1].mi.dwFlags = swapped ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
    const SendInputFn send = g_sendInput.load();
    const UINT inserted = send(2, inputs, sizeof(INPUT));
    // Only the press went in: the release alone, so the button is not left down.
    if (inserted == 1) send(1, &inputs[1], sizeof(INPUT));
    return inserted > 0;
}

SendInputFn SetSendInputForTest(SendInputFn send) { return g_sendInput.exchange(send ? send : &::SendInput); }

int DispatchMouse(const GestureContext& ctx, UINT message, const MOUSEHOOKSTRUCT& data) {
    if (IsInjectedInput(data.dwExtraInfo)) return kPass;
    switch (message) {
    case WM_MOUSEMOVE:
        return TrackMove(ctx, data);
    case WM_LBUTTONDOWN:
        return OnLeftDown(ctx, data);
    case WM_LBUTTONDBLCLK:
        return OnLeftDoubleClick(ctx, data);
    case WM_RBUTTONDOWN:
    // A quick second right click of the user's: a press like any other, so it too is
    // either a gesture or given back once (passed on as a double-click, it would reach
    // the view and be given back at its release as well).
    case WM_RBUTTONDBLCLK:
        return OnRightDown(ctx, data);
    case WM_RBUTTONUP:
        return OnRightUp(ctx, data);
    case WM_MBUTTONDOWN:
        return OnMiddleDown(ctx, data);
    case WM_MBUTTONUP:
        return OnMiddleUp(ctx, data);
    case WM_MOUSEWHEEL:
        return OnWheel(ctx, data);
    default:
        return kPass;
    }
}

}  // namespace cc
