// The tracker against real windows, real timers and real injected input. A thread mouse
// hook of the test stands in for the dispatch: it starts a gesture on a right press over
// the view, hands every move to TrackMove and ends the gesture at the release.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>

#include "allocation_counter.h"
#include "common/dpi.h"
#include "fake_browser.h"
#include "gesture/status_text.h"
#include "gesture/tracker.h"
#include "gesture/tracker_rules.h"
#include "gesture/view_locator.h"
#include "menus/quick_wnd.h"
#include "overlay/overlay.h"
#include "settings/action_catalogue.h"
#include "test_windows.h"

namespace cc {
namespace {

using test::HostWindow;
using test::Input;
using test::MouseLog;
using test::PumpFor;
using test::PumpUntil;

constexpr RECT kFrame{200, 150, 700, 550};

class Harness {
public:
    explicit Harness(HWND topLevel) {
        ApplyDefaults(settings());
        browser.topLevel = topLevel;
        EXPECT_TRUE(quick.Create());
        quick.SetTimedOutFlag(&session.TimedOut);
        ctx = {&session, settings(), quick.hwnd(), &browser};
        ctx.overlay = overlay.get();
        current_ = this;
        hook_ = ::SetWindowsHookExW(WH_MOUSE, &Harness::Hook, nullptr, ::GetCurrentThreadId());
        EXPECT_NE(hook_, nullptr);
    }
    ~Harness() {
        ::UnhookWindowsHookEx(hook_);
        current_ = nullptr;
        if (session.TimerId) ::KillTimer(quick.hwnd(), session.TimerId);
    }

    SettingsView settings() { return SettingsView(block_.data()); }

    GestureSession session;
    test::FakeBrowser browser;
    QuickWnd quick;
    OverlayRef overlay{Overlay::AcquireForThisThread()};
    GestureContext ctx;
    int presses = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        Harness* self = current_;
        if (code != HC_ACTION || !self) return ::CallNextHookEx(nullptr, code, wParam, lParam);
        const auto& m = *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
        GestureSession& s = self->session;
        switch (wParam) {
        case WM_RBUTTONDOWN: {
            const LocatedView v = LocateView(&self->browser, s.TabbedBrowser != 0);
            s.TargetView = v.view;
            s.ViewKind = v.kind;
            if (v.view && m.hwnd == v.view) {
                ++self->presses;
                BeginGesture(self->ctx, m.pt);
                return 1;
            }
            break;
        }
        case WM_MOUSEMOVE:
            if (TrackMove(self->ctx, m)) return 1;
            break;
        case WM_RBUTTONUP:
            if (s.TimerId) ::KillTimer(self->quick.hwnd(), s.TimerId);
            s.TimerId = 0;
            s.Tracking = s.Drawing = 0;
            return 1;
        default:
            break;
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline Harness* current_ = nullptr;
    alignas(4) std::array<int32_t, kSettingsInts> block_{};
    HHOOK hook_ = nullptr;
};

class Tracker : public ::testing::Test {
protected:
    HostWindow folder{{L"SHELLDLL_DefView", WC_LISTVIEWW}, kFrame, 3};
    Harness h{folder.frame()};
    Input input;
    MouseLog log{folder.view()};

    // Presses the right button at the list's centre and checks the press was taken.
    POINT Press() {
        const POINT p = folder.ViewCenter();
        input.MoveTo(p.x, p.y);
        input.RightDown();
        EXPECT_EQ(h.presses, 1);
        EXPECT_EQ(h.session.Tracking, 1);
        EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 0u) << "the press was consumed";
        log.Clear();  // the move to the press point was not part of a gesture
        return p;
    }
};

TEST_F(Tracker, TheTimerRunsOnTheQuickWindowAndSetsTimedOut) {
    h.settings().Set(Field::TimeoutMs, 200);
    Press();
    EXPECT_EQ(h.session.TimerId, kGestureTimerId);
    const ULONGLONG start = ::GetTickCount64();
    ASSERT_TRUE(PumpUntil([&] { return h.session.TimedOut == 1; }, 3000));
    EXPECT_GE(::GetTickCount64() - start, 150u);
}

TEST_F(Tracker, EveryStepClearsTimedOutAndTheTimerKeepsFiring) {
    h.settings().Set(Field::TimeoutMs, 200);
    const POINT p = Press();
    input.MoveTo(p.x + 20, p.y);  // leaves the dead zone
    ASSERT_EQ(h.session.Drawing, 1);
    ASSERT_TRUE(PumpUntil([&] { return h.session.TimedOut == 1; }, 3000));
    input.MoveTo(p.x + 40, p.y);  // a step
    EXPECT_EQ(h.session.TimedOut, 0);
    EXPECT_EQ(h.session.TimerId, kGestureTimerId);
    ASSERT_TRUE(PumpUntil([&] { return h.session.TimedOut == 1; }, 3000)) << "the restarted timer fires again";
}

TEST_F(Tracker, WithoutATimeoutNoTimerRunsAndHoldingStillHandsNothingOver) {
    h.settings().Set(Field::TimeoutMs, 0);
    h.settings().Set(Field::ReleaseOnFolderHold, 1);
    const POINT p = Press();
    EXPECT_EQ(h.session.TimerId, 0u);
    PumpFor(500);
    EXPECT_EQ(h.session.TimedOut, 0);
    input.MoveTo(p.x + 2, p.y + 1);
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 0u);
    EXPECT_EQ(log.Count(WM_MOUSEMOVE), 0u) << "moves of a tracked press are consumed";
    EXPECT_EQ(h.session.Tracking, 1);
}

TEST_F(Tracker, HoldingStillOnAFolderListHandsThePressToTheList) {
    h.settings().Set(Field::TimeoutMs, 300);
    h.settings().Set(Field::ReleaseOnFolderHold, 1);
    const POINT p = Press();
    ASSERT_TRUE(PumpUntil([&] { return h.session.TimedOut == 1; }, 3000));
    input.MoveTo(p.x + 3, p.y + 2);
    ASSERT_TRUE(PumpUntil([&] { return log.Count(WM_MOUSEMOVE) > 0; }, 2000));

    // The hook posts the press while the move is being retrieved, so the platform
    // delivers the move first and the posted press right after it.
    ASSERT_TRUE(PumpUntil([&] { return log.Count(WM_RBUTTONDOWN) > 0; }, 2000));
    POINT client = p;
    ::ScreenToClient(folder.view(), &client);
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_EQ(log.messages[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    const test::LoggedMessage& press = log.messages[1];
    EXPECT_EQ(press.message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(press.wParam, static_cast<WPARAM>(MK_RBUTTON));
    EXPECT_EQ(press.lParam, MAKELPARAM(client.x, client.y)) << "at the press point, not the move's";
    EXPECT_EQ(h.session.Tracking, 0);
    EXPECT_EQ(h.session.TimedOut, 0);

    input.MoveTo(p.x + 30, p.y + 2);  // the list keeps getting the moves; no gesture starts
    EXPECT_EQ(h.session.Drawing, 0);
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 1u);
}

TEST_F(Tracker, AGestureRecordsStrokesAndWritesTheStatusText) {
    const POINT p = Press();
    input.MoveTo(p.x + 20, p.y);       // dead zone left: nothing recorded yet
    EXPECT_TRUE(h.browser.statusTexts.empty());
    input.MoveTo(p.x + 60, p.y);       // right
    input.MoveTo(p.x + 60, p.y + 50);  // down
    input.MoveTo(p.x + 10, p.y + 50);  // left
    ASSERT_EQ(h.browser.statusTexts.size(), 3u);
    EXPECT_EQ(h.browser.statusTexts[0], L"ジェスチャー ： 右   進む");
    EXPECT_EQ(h.browser.statusTexts[1], L"ジェスチャー ： 右 下   ");
    EXPECT_EQ(h.browser.statusTexts[2], L"ジェスチャー ： 右 下 左   ジェスチャーの設定");
    EXPECT_EQ(log.Count(WM_MOUSEMOVE), 0u) << "the list saw no movement during the gesture";
    EXPECT_EQ(h.browser.refs, 1);
}

TEST_F(Tracker, HoldingCtrlFreezesRecordingAndLetsTheMovesThrough) {
    // The keyboard belongs to another thread's window, as when the consumed press did not
    // activate this one.
    test::ForeignWindow keyboardOwner(RECT{900, 100, 1100, 300}, true);
    const POINT p = Press();
    input.MoveTo(p.x + 20, p.y);
    input.MoveTo(p.x + 60, p.y);
    ASSERT_EQ(h.session.StrokeCount, 1);
    input.KeyDown(VK_CONTROL);
    for (int y : {20, 40, 60}) input.MoveTo(p.x + 60, p.y + y);
    EXPECT_EQ(h.session.StrokeCount, 1) << "no move made with Ctrl held records";
    EXPECT_EQ(log.Count(WM_MOUSEMOVE), 3u);
    EXPECT_EQ(h.session.Tracking, 1);
    input.KeyUp(VK_CONTROL);
    input.MoveTo(p.x + 60, p.y + 120);  // recording resumes from the old anchor
    EXPECT_EQ(h.session.StrokeCount, 2);
    EXPECT_EQ(h.session.Strokes[1], StrokeDown);
    EXPECT_EQ(log.Count(WM_MOUSEMOVE), 3u) << "without Ctrl the move is consumed again";
}

TEST_F(Tracker, MovingOverAnotherWindowAbandonsTheGestureForGood) {
    HostWindow other{{L"CursorCadenceOther"}, RECT{720, 150, 900, 550}};
    h.settings().Set(Field::TimeoutMs, 5000);
    const POINT p = Press();
    input.MoveTo(p.x + 20, p.y);
    input.MoveTo(p.x + 60, p.y);
    ASSERT_EQ(h.session.StrokeCount, 1);
    input.MoveTo(800, 300);  // over the other window of this thread
    EXPECT_EQ(h.session.Tracking, 0);
    EXPECT_EQ(h.session.Drawing, 0);
    EXPECT_EQ(h.session.StrokeCount, 0);
    ASSERT_FALSE(h.browser.statusTexts.empty());
    EXPECT_EQ(h.browser.statusTexts.back(), L"");
    EXPECT_EQ(h.session.TimerId, kGestureTimerId) << "the timer runs until the release";
    input.MoveTo(p.x + 100, p.y);  // back over the list: passed on, nothing resumes
    EXPECT_EQ(h.session.Drawing, 0);
    EXPECT_EQ(log.Count(WM_MOUSEMOVE), 1u);
}

TEST_F(Tracker, MovesAllocateNothing) {
    h.settings().Set(Field::TimeoutMs, 1000);
    const POINT p = Press();
    MOUSEHOOKSTRUCT move{};
    move.hwnd = folder.view();
    auto moveTo = [&](LONG x, LONG y) {
        move.pt = {x, y};
        return TrackMove(h.ctx, move);
    };
    int consumed = 0;
    long before = g_allocations.load();
    for (int i = 0; i < 200; ++i) consumed += moveTo(p.x + i % 15, p.y - i % 11);  // the dead zone
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(h.session.Drawing, 0);

    // The first stroke writes the status text, which the browser takes as a BSTR.
    moveTo(p.x + 20, p.y);
    moveTo(p.x + 40, p.y);
    ASSERT_EQ(h.session.StrokeCount, 1);
    before = g_allocations.load();
    for (int i = 0; i < 300; ++i) consumed += moveTo(p.x + 40 + 3 * i, p.y + i % 5);  // steps, merged
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(h.session.StrokeCount, 1);
    EXPECT_EQ(consumed, 500);
}

COLORREF PixelOf(HWND view, POINT windowRelative) {
    HDC dc = ::GetWindowDC(view);
    const COLORREF c = ::GetPixel(dc, windowRelative.x, windowRelative.y);
    ::ReleaseDC(view, dc);
    return c;
}

// The trail's thickness across the overlay at screen column x: the alphas added up.
double OverlayThickness(const Overlay& overlay, int x, int fromY, int toY) {
    double sum = 0;
    for (int y = fromY; y <= toY; ++y) sum += (overlay.PixelAt({x, y}) >> 24) / 255.0;
    return sum;
}

bool ViewHasUpdateRegion(HWND view) {
    RECT update{};
    return ::GetUpdateRect(view, &update, FALSE) != 0;
}

TEST_F(Tracker, StepsDrawTheTrailOnTheOverlayInTheConfiguredColourNeverOnTheView) {
    HostWindow page{{L"Shell DocObject View", L"Internet Explorer_Server"}, RECT{200, 150, 700, 550}};
    ::ShowWindow(folder.frame(), SW_HIDE);
    h.browser.topLevel = page.frame();
    h.settings().Set(Field::TrailColorR, 0x1FF);  // only the low byte: 255
    h.settings().Set(Field::TrailColorG, 0);
    h.settings().Set(Field::TrailColorB, 0);
    h.settings().Set(Field::TrailWidth, 5);
    MouseLog pageLog(page.view());

    const POINT p = page.ViewCenter();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    ASSERT_EQ(h.session.ViewKind, ViewWeb);
    input.MoveTo(p.x + 20, p.y);
    input.MoveTo(p.x + 80, p.y);
    RECT r{};
    ::GetWindowRect(page.view(), &r);
    const Overlay& overlay = *h.overlay.get();
    ASSERT_TRUE(overlay.shown());
    EXPECT_EQ(overlay.PixelAt({p.x + 50, p.y}), 0xFFFF0000u) << "opaque, premultiplied red";
    EXPECT_EQ(PixelOf(page.view(), {p.x + 50 - r.left, p.y - r.top}), RGB(255, 255, 255)) << "the view is untouched";
    EXPECT_FALSE(ViewHasUpdateRegion(page.view()));

    h.settings().Set(Field::TrailColorR, 0);
    h.settings().Set(Field::TrailColorB, 255);
    input.MoveTo(p.x + 80, p.y + 60);  // the next segment takes the new colour
    EXPECT_EQ(overlay.PixelAt({p.x + 80, p.y + 30}), 0xFF0000FFu);
    EXPECT_EQ(overlay.PixelAt({p.x + 50, p.y}), 0xFFFF0000u) << "the earlier segment stays";
    EXPECT_FALSE(ViewHasUpdateRegion(page.view()));
    input.RightUp();
}

// The dead zone and the trail's width are pixels at 96 DPI, scaled to the view's DPI at
// the press. (Runs again at 144 and 192 DPI.)
TEST_F(Tracker, TheDeadZoneAndTheTrailAtTheScreensScale) {
    HostWindow page{{L"Shell DocObject View", L"Internet Explorer_Server"}, kFrame};
    ::ShowWindow(folder.frame(), SW_HIDE);
    h.browser.topLevel = page.frame();
    const UINT dpi = WindowDpi(page.view());
    if (test::ExpectedTestDpi() != 0) {
        ASSERT_EQ(dpi, test::ExpectedTestDpi());
    }
    h.settings().Set(Field::TrailColorR, 255);
    h.settings().Set(Field::TrailColorG, 0);
    h.settings().Set(Field::TrailColorB, 0);
    h.settings().Set(Field::TrailWidth, 3);
    const int zone = ScaleForDpi(h.settings().Get(Field::SensitivityPixels), dpi);

    const POINT p = page.ViewCenter();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    input.MoveTo(p.x, p.y - zone);
    EXPECT_EQ(h.session.Drawing, 0) << zone << " pixels at " << dpi << " DPI stay in the dead zone";
    input.MoveTo(p.x, p.y - zone - 1);
    EXPECT_EQ(h.session.Drawing, 1);
    input.MoveTo(p.x - 4 * zone, p.y);  // one step from the press point: a level segment
    ASSERT_EQ(h.session.StrokeCount, 1);

    const Overlay& overlay = *h.overlay.get();
    EXPECT_NEAR(OverlayThickness(overlay, p.x - 2 * zone, p.y - 12, p.y + 12), ScaleForDpi(3, dpi), 0.05);
    EXPECT_EQ(overlay.PixelAt({p.x - 2 * zone, p.y}), 0xFFFF0000u);
    input.RightUp();
}

// A view made by a thread switched to DPI-unaware is drawn at 96 DPI and scaled by the
// system: its dead zone stays 15 of its own pixels, which at 192 DPI are 30 of the screen's.
TEST(UnawareView, KeepsTheUnscaledDeadZoneAtTheScreensScale) {
    if (WindowDpi(nullptr) < 192) GTEST_SKIP() << "needs a screen at 192 DPI";
    std::unique_ptr<HostWindow> folder;
    std::unique_ptr<Harness> h;
    {
        const ThreadDpiContextScope unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
        ASSERT_TRUE(unaware.active());
        folder = std::make_unique<HostWindow>(std::initializer_list<const wchar_t*>{L"SHELLDLL_DefView", WC_LISTVIEWW},
                                              RECT{100, 100, 400, 350});
        h = std::make_unique<Harness>(folder->frame());
    }
    ASSERT_EQ(WindowDpi(folder->view()), 96u);
    // Screen pixels, in this thread's own (per-monitor) terms: the view starts at 200, 200.
    Input input;
    input.MoveTo(260, 260);
    input.RightDown();
    ASSERT_EQ(h->session.Tracking, 1);
    EXPECT_EQ(h->session.ViewDpi, 96u);
    input.MoveTo(290, 260);
    EXPECT_EQ(h->session.Drawing, 0) << "15 of the view's pixels";
    input.MoveTo(292, 260);
    EXPECT_EQ(h->session.Drawing, 1) << "16 of the view's pixels";
    input.RightUp();
}

TEST_F(Tracker, WithTheTrailOffNothingIsDrawnButStrokesAreRecorded) {
    h.settings().Set(Field::TrailEnabled, 0);
    h.settings().Set(Field::TrailColorR, 255);
    h.settings().Set(Field::TrailColorG, 0);
    h.settings().Set(Field::TrailColorB, 0);
    const POINT p = Press();
    input.MoveTo(p.x - 20, p.y);
    input.MoveTo(p.x - 80, p.y);
    EXPECT_EQ(h.session.StrokeCount, 1);
    EXPECT_EQ(h.session.Strokes[0], StrokeLeft);
    const Overlay& overlay = *h.overlay.get();
    EXPECT_TRUE(overlay.trailRect().empty());
    EXPECT_EQ(overlay.PixelAt({p.x - 50, p.y}), 0u);
    EXPECT_TRUE(overlay.shown()) << "the plate still shows the strokes";
}

TEST(QuickWindow, TimerMessagesSetTheFlagOnlyOnceItIsGiven) {
    QuickWnd quick;
    ASSERT_TRUE(quick.Create());
    int32_t timedOut = 0;
    ::SendMessageW(quick.hwnd(), WM_TIMER, 1, 0);
    EXPECT_EQ(timedOut, 0);
    quick.SetTimedOutFlag(&timedOut);
    ::SendMessageW(quick.hwnd(), WM_TIMER, 42, 0);  // any timer id
    EXPECT_EQ(timedOut, 1);
    EXPECT_FALSE(::IsWindowVisible(quick.hwnd()));
}

TEST(QuickWindow, LetGoOnAnotherThreadItsTimersNoLongerReachIt) {
    int32_t flag = 1;
    std::atomic<QuickWnd*> made{nullptr};
    std::atomic<bool> released{false};
    std::thread owner([&] {
        auto* quick = new QuickWnd;
        if (quick->Create()) quick->ExpireFlagLater(&flag, 50);
        made = quick;
        PumpUntil([&] { return released.load(); }, 5000);
        PumpFor(300);  // the expiry comes due on this thread
    });
    ASSERT_TRUE(PumpUntil([&] { return made.load() != nullptr; }, 5000));
    delete made.load();  // the window stays: it belongs to the other thread
    released = true;
    owner.join();
    EXPECT_EQ(flag, 1) << "the window reached an object that was gone";
}

TEST(QuickWindow, TheClassLivesExactlyAsLongAsItsWindows) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    {
        QuickWnd first, second;
        ASSERT_TRUE(first.Create());
        ASSERT_TRUE(second.Create());
        EXPECT_NE(first.hwnd(), second.hwnd());
        first.Destroy();
        EXPECT_TRUE(::GetClassInfoExW(module, L"CursorCadence QuickWnd", &wc));
        ::SendMessageW(second.hwnd(), WM_TIMER, 1, 0);  // still served
    }
    EXPECT_FALSE(::GetClassInfoExW(module, L"CursorCadence QuickWnd", &wc));
    QuickWnd again;
    EXPECT_TRUE(again.Create());
}

}  // namespace
}  // namespace cc
