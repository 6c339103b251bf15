// The trail and the plate on the thread's overlay, through the object's real hook and
// real injected input: what shows, when it goes, and that it never takes input, focus or
// a repaint of the view.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "attached_view.h"
#include "common/dpi.h"
#include "common/dpi_scale.h"
#include "gesture/status_text.h"
#include "overlay/overlay.h"

namespace cc {
namespace {

using test::AttachedView;
using test::Input;
using test::kViewFrame;
using test::PumpFor;
using test::PumpUntil;

const std::initializer_list<const wchar_t*> kFolderPath{L"SHELLDLL_DefView", WC_LISTVIEWW};
// A plain window of the page's class (in a tabbed browser, as Wine's reports itself): it
// paints only when something invalidates it.
const std::initializer_list<const wchar_t*> kPagePath{L"TabWindowClass", L"Shell DocObject View",
                                                      L"Internet Explorer_Server"};

bool HasUpdateRegion(HWND view) {
    RECT update{};
    return ::GetUpdateRect(view, &update, FALSE) != 0;
}

// Counts a window's WM_PAINT messages while it lives.
class PaintCounter {
public:
    explicit PaintCounter(HWND window) : window_(window) {
        ::SetPropW(window, L"PaintCounter", this);
        original_ = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintCounter::Proc)));
    }
    ~PaintCounter() {
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        ::RemovePropW(window_, L"PaintCounter");
    }
    std::atomic<int> paints{0};

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<PaintCounter*>(::GetPropW(hwnd, L"PaintCounter"));
        if (message == WM_PAINT) ++self->paints;
        return ::CallWindowProcW(self->original_, hwnd, message, wParam, lParam);
    }
    HWND window_;
    WNDPROC original_;
};

class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { ::CoUninitialize(); }
    Overlay& OverlayOf(AttachedView& v) { return *v.core()->Context().overlay; }
    // Right, then down (bound to nothing) from `p`, each stroke 60 pixels in steps of 20,
    // the button held.
    void Draw(POINT p) {
        input.MoveTo(p.x, p.y);
        input.RightDown();
        for (int i = 1; i <= 3; ++i) input.MoveTo(p.x + 20 * i, p.y);
        for (int i = 1; i <= 3; ++i) input.MoveTo(p.x + 60, p.y + 20 * i);
    }
    test::SharedSettings settings;
    Input input;
};

// The window's styles and owner; every point of it, trail and plate alike, belongs to
// the view below; the foreground, the active window and the focus stay where they were.
TEST_F(OverlayTest, TakesNoInputNoActivationNoFocusAndIsOwnedByTheFolderWindow) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    ::SetForegroundWindow(v.window.frame());
    ::SetFocus(v.window.view());
    PumpFor(50);
    const HWND foreground = ::GetForegroundWindow(), active = ::GetActiveWindow(), focus = ::GetFocus();
    ASSERT_EQ(focus, v.window.view());

    const POINT p{kViewFrame.left + 100, kViewFrame.top + 100};
    Draw(p);
    Overlay& overlay = OverlayOf(v);
    ASSERT_TRUE(overlay.shown());
    const HWND w = overlay.hwnd();
    const LONG_PTR ex = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
    for (LONG_PTR bit : {LONG_PTR{WS_EX_LAYERED}, LONG_PTR{WS_EX_TRANSPARENT}, LONG_PTR{WS_EX_NOACTIVATE},
                         LONG_PTR{WS_EX_TOOLWINDOW}}) {
        EXPECT_EQ(ex & bit, bit) << std::hex << bit;
    }
    EXPECT_EQ(ex & (WS_EX_APPWINDOW | WS_EX_TOPMOST), 0);
    EXPECT_EQ(::GetWindow(w, GW_OWNER), v.window.frame());
    EXPECT_TRUE(::IsWindowVisible(w));

    const PixelRect plate = overlay.plateRect();
    ASSERT_FALSE(plate.empty());
    EXPECT_EQ(::WindowFromPoint({p.x + 30, p.y}), v.window.view()) << "on the trail";
    EXPECT_EQ(::WindowFromPoint({(plate.left + plate.right) / 2, (plate.top + plate.bottom) / 2}), v.window.view())
        << "on the plate";
    EXPECT_EQ(::GetForegroundWindow(), foreground);
    EXPECT_EQ(::GetActiveWindow(), active);
    EXPECT_EQ(::GetFocus(), focus);
    input.RightUp();
    PumpFor(50);
    EXPECT_FALSE(overlay.shown());
    EXPECT_FALSE(::IsWindowVisible(w));
    EXPECT_EQ(::GetForegroundWindow(), foreground);
    EXPECT_EQ(::GetFocus(), focus);
}

// The plate holds exactly the status text, drawn in a font that has every glyph of it;
// the bitmap is premultiplied everywhere and the trail's centre is opaque in its colour;
// the view has nothing to repaint at any step, and is not painted from the press until
// 200 ms after the release.
TEST_F(OverlayTest, DrawsThePlateAndTrailPremultipliedAndNeverMakesTheViewRepaint) {
    settings.Set(Field::TrailColorR, 0);
    settings.Set(Field::TrailColorG, 128);
    settings.Set(Field::TrailColorB, 255);
    settings.Set(Field::TrailWidth, 3);
    AttachedView v(kPagePath, kViewFrame);
    ASSERT_EQ(v.attachResult, S_OK);
    ::UpdateWindow(v.window.view());
    PumpFor(100);
    PaintCounter paints(v.window.view());
    Overlay& overlay = OverlayOf(v);

    const POINT p{kViewFrame.left + 100, kViewFrame.top + 100};
    input.MoveTo(p.x, p.y);
    input.RightDown();
    for (int i = 1; i <= 3; ++i) {
        input.MoveTo(p.x + 20 * i, p.y);
        EXPECT_FALSE(HasUpdateRegion(v.window.view())) << "step " << i;
    }
    for (int i = 1; i <= 3; ++i) input.MoveTo(p.x + 60, p.y + 20 * i);
    ASSERT_EQ(v.session().StrokeCount, 2);
    EXPECT_FALSE(HasUpdateRegion(v.window.view()));

    ASSERT_FALSE(v.browser.statusTexts.empty());
    EXPECT_EQ(std::wstring(overlay.plateText()), v.browser.statusTexts.back());
    EXPECT_EQ(std::wstring(overlay.plateText()), L"ジェスチャー ： 右 下   ");
    {
        const std::wstring text = overlay.plateText();
        HDC dc = ::CreateCompatibleDC(nullptr);
        const HGDIOBJ old = ::SelectObject(dc, overlay.plateFont());
        std::wstring glyphs(text.size(), L'\0');
        ASSERT_NE(::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                     reinterpret_cast<WORD*>(glyphs.data()), GGI_MARK_NONEXISTING_GLYPHS),
                  GDI_ERROR);
        for (size_t i = 0; i < text.size(); ++i) EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for " << int(text[i]);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
    }

    // Every pixel of the window premultiplied; text (near white, opaque) on the plate.
    RECT shown{};
    ::GetWindowRect(overlay.hwnd(), &shown);
    int notPremultiplied = 0, ink = 0;
    for (int y = shown.top; y < shown.bottom; ++y) {
        for (int x = shown.left; x < shown.right; ++x) {
            const uint32_t px = overlay.PixelAt({x, y});
            const uint32_t a = px >> 24;
            if (((px >> 16) & 0xFF) > a || ((px >> 8) & 0xFF) > a || (px & 0xFF) > a) ++notPremultiplied;
        }
    }
    const PixelRect plate = overlay.plateRect();
    for (int y = plate.top; y < plate.bottom; ++y) {
        for (int x = plate.left; x < plate.right; ++x) ink += overlay.PixelAt({x, y}) >= 0xFFC0C0C0u;
    }
    EXPECT_EQ(notPremultiplied, 0);
    EXPECT_GT(ink, 20) << "the plate holds drawn text";
    EXPECT_EQ(overlay.PixelAt({p.x + 30, p.y}), 0xFF0080FFu) << "the trail's centre: opaque, its colour";

    input.RightUp();
    EXPECT_FALSE(overlay.shown());
    PumpFor(200);
    EXPECT_FALSE(HasUpdateRegion(v.window.view()));
    EXPECT_EQ(paints.paints.load(), 0) << "the view was made to repaint";
}

// A rest lists what the next strokes would do; the next step takes the list away. A
// rest right after the press lists the whole list. With a timeout the list goes when
// the timer fires and does not come back; the release then shows the cancellation alone
// for a second.
TEST_F(OverlayTest, ARestShowsTheHintsUntilTheNextStepOrTheTimeout) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    Overlay& overlay = OverlayOf(v);
    const POINT p{kViewFrame.left + 100, kViewFrame.top + 100};
    input.MoveTo(p.x, p.y);
    input.RightDown();
    EXPECT_FALSE(overlay.shown());
    ASSERT_TRUE(PumpUntil([&] { return overlay.hintsShown(); }, 1500)) << "a rest at the press";
    EXPECT_EQ(std::wstring(overlay.plateText()).rfind(L"左   戻る\n右   進む\n下   新規ウィンドウ\n上   上へ移動", 0), 0u);
    input.MoveTo(p.x + 20, p.y);
    input.MoveTo(p.x + 40, p.y);
    EXPECT_FALSE(overlay.hintsShown()) << "the next step";
    EXPECT_EQ(std::wstring(overlay.plateText()), L"ジェスチャー ： 右   進む");
    ASSERT_TRUE(PumpUntil([&] { return overlay.hintsShown(); }, 1500));
    EXPECT_EQ(std::wstring(overlay.plateText()),
              L"ジェスチャー ： 右   進む\n右 上   最大化/元に戻す\n右 下 左   ジェスチャーの設定");
    input.MoveTo(p.x + 60, p.y);  // a step lengthening the stroke
    EXPECT_FALSE(overlay.hintsShown());
    input.RightUp();
    EXPECT_FALSE(overlay.shown());

    // Timeout 500 ms: the rest is 250 ms; the timer takes the list away.
    settings.Set(Field::TimeoutMs, 500);
    settings.Set(Field::ReleaseOnFolderHold, 0);
    input.MoveTo(p.x, p.y + 100);
    input.RightDown();
    input.MoveTo(p.x + 20, p.y + 100);
    input.MoveTo(p.x + 40, p.y + 100);
    ASSERT_TRUE(PumpUntil([&] { return overlay.hintsShown(); }, 1000));
    ASSERT_TRUE(PumpUntil([&] { return v.session().TimedOut != 0; }, 1000));
    EXPECT_FALSE(overlay.hintsShown());
    PumpFor(400);
    EXPECT_FALSE(overlay.hintsShown()) << "no list after the timeout";
    EXPECT_TRUE(overlay.shown());
    input.RightUp();
    EXPECT_TRUE(overlay.shown());
    EXPECT_EQ(std::wstring(overlay.plateText()), kStatusCancelled);
    EXPECT_TRUE(overlay.trailRect().empty()) << "the trail went at once";
    PumpFor(700);
    EXPECT_TRUE(overlay.shown());
    EXPECT_TRUE(PumpUntil([&] { return !overlay.shown(); }, 800)) << "the cancellation shows for a second";

    // A timeout of 300 ms or less leaves no time for a list.
    settings.Set(Field::TimeoutMs, 300);
    input.MoveTo(p.x, p.y);
    input.RightDown();
    input.MoveTo(p.x + 20, p.y);
    input.MoveTo(p.x + 40, p.y);
    PumpFor(250);
    EXPECT_FALSE(overlay.hintsShown());
    input.RightUp();
}

// The double-click toggle's texts show on the plate at the pointer for a second.
TEST_F(OverlayTest, TheToggleTextsShowAtThePointerForASecond) {
    settings.Set(Field::BlankDoubleClickAction, 2);
    AttachedView v(kFolderPath, kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    Overlay& overlay = OverlayOf(v);
    RECT r{};
    ::GetWindowRect(v.window.view(), &r);
    const POINT empty{(r.left + r.right) / 2, r.bottom - 30};
    input.DoubleClickAt(empty);
    ASSERT_TRUE(PumpUntil([&] { return overlay.shown(); }, 1000));
    EXPECT_EQ(std::wstring(overlay.plateText()), kStatusGesturesOff);
    const PixelRect plate = overlay.plateRect();
    EXPECT_LT(std::abs(plate.left - empty.x), 200);
    EXPECT_LT(std::abs(plate.top - empty.y), 200);
    EXPECT_TRUE(PumpUntil([&] { return !overlay.shown(); }, 1500));
    input.DoubleClickAt(empty);
    ASSERT_TRUE(PumpUntil([&] { return overlay.shown(); }, 1000));
    EXPECT_EQ(std::wstring(overlay.plateText()), kStatusGesturesOn);
}

// Every way a gesture ends takes the drawing away: the release, a move onto another
// window of the thread, the wheel, the left-button chord, and a release over another
// program's window (which this thread never sees), within 200 ms.
TEST_F(OverlayTest, GoesWithEveryEndOfAGesture) {
    settings.Set(Field::ExplorerWheelAction, 0);  // the wheel scrolls the list under the gesture
    settings.Set(Field::DefaultActionFlags, 0);   // the chord only ends the gesture
    AttachedView v(kFolderPath, kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    Overlay& overlay = OverlayOf(v);
    const POINT p{kViewFrame.left + 100, kViewFrame.top + 100};
    test::HostWindow sibling({L"Edit"}, RECT{720, 150, 900, 350});

    Draw(p);
    ASSERT_TRUE(overlay.shown());
    input.MoveTo(800, 250);  // the other window of this thread
    EXPECT_FALSE(overlay.shown()) << "a move onto another window";
    input.RightUp();

    Draw(p);
    ASSERT_TRUE(overlay.shown());
    input.Wheel(-120);
    EXPECT_FALSE(overlay.shown()) << "the wheel";
    input.RightUp();

    Draw(p);
    ASSERT_TRUE(overlay.shown());
    input.LeftDown();
    EXPECT_FALSE(overlay.shown()) << "the chord";
    input.LeftUp();
    input.RightUp();
    PumpFor(50);

    {
        test::ForeignWindow foreign(RECT{720, 400, 900, 560});
        Draw(p);
        ASSERT_TRUE(overlay.shown());
        input.MoveTo(800, 480);
        const DWORD released = ::GetTickCount();
        input.RightUp();
        EXPECT_TRUE(PumpUntil([&] { return !overlay.shown(); }, 200)) << "a release elsewhere";
        EXPECT_LE(::GetTickCount() - released, 250u);
    }
}

// If the view moves under the gesture, the trail moves with it.
TEST_F(OverlayTest, TheTrailFollowsTheView) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    Overlay& overlay = OverlayOf(v);
    const POINT p{kViewFrame.left + 100, kViewFrame.top + 100};
    Draw(p);
    const PixelRect before = overlay.trailRect();
    ASSERT_FALSE(before.empty());
    ::SetWindowPos(v.window.frame(), nullptr, kViewFrame.left + 30, kViewFrame.top + 20, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    input.MoveTo(p.x + 100, p.y + 60);
    const PixelRect after = overlay.trailRect();
    EXPECT_EQ(after.left, before.left + 30);
    EXPECT_EQ(after.top, before.top + 20);
    input.RightUp();
}

// Tabs on one thread share one overlay; it goes with the thread's last object.
TEST_F(OverlayTest, OneForTheTabsOfAThreadGoneWithTheLast) {
    auto first = std::make_unique<AttachedView>(kFolderPath, kViewFrame, 3);
    auto second = std::make_unique<AttachedView>(kFolderPath, RECT{220, 170, 720, 570}, 3);
    ASSERT_EQ(first->attachResult, S_OK);
    Overlay* shared = first->core()->Context().overlay;
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(second->core()->Context().overlay, shared);
    const HWND w = shared->hwnd();
    first.reset();
    EXPECT_TRUE(::IsWindow(w));
    second.reset();
    EXPECT_FALSE(::IsWindow(w));
}

// A browser frame of another thread is not made the owner (that would attach the two
// threads' input): the overlay goes straight above the frame instead, never topmost.
TEST(OverlayFrame, AFrameOnAnotherThreadIsNotTheOwnerTheOverlayStaysAboveIt) {
    std::atomic<HWND> frame{nullptr};
    std::atomic<bool> done{false};
    std::thread frameThread([&] {
        test::EnsureClass(L"IEFrame");
        HWND f = ::CreateWindowExW(0, L"IEFrame", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150, 500, 400,
                                   nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        frame = f;
        PumpUntil([&] { return done.load(); }, 20000);
        ::DestroyWindow(f);
    });
    ASSERT_TRUE(PumpUntil([&] { return frame.load() != nullptr; }, 5000));
    test::EnsureClass(L"Internet Explorer_Server");
    HWND view = ::CreateWindowExW(0, L"Internet Explorer_Server", L"", WS_CHILD | WS_VISIBLE, 10, 10, 400, 300,
                                  frame.load(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(view, nullptr);
    {
        OverlayRef overlay(Overlay::AcquireForThisThread());
        ASSERT_TRUE(overlay);
        const int owner = 0;
        RECT r{};
        ::GetWindowRect(view, &r);
        overlay->Begin(&owner, view, 96);
        OverlayStep step;
        step.viewRect = r;
        step.pointer = {r.left + 80, r.top + 40};
        step.drawSegment = true;
        step.from = {20, 40};
        step.to = {80, 40};
        step.text = L"ジェスチャー ： 右   進む";
        overlay->Step(&owner, step);
        ASSERT_TRUE(overlay->shown());
        EXPECT_EQ(::GetWindow(overlay->hwnd(), GW_OWNER), nullptr);
        EXPECT_EQ(::GetWindow(frame.load(), GW_HWNDPREV), overlay->hwnd()) << "straight above the frame";
        EXPECT_EQ(::GetWindowLongPtrW(overlay->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        overlay->Forget(&owner);
        EXPECT_FALSE(overlay->shown());
    }
    ::DestroyWindow(view);
    done = true;
    frameThread.join();
}


// An overlay used directly, over a plain folder view, by an owner of its own.
class OverlayLook : public ::testing::Test {
protected:
    test::HostWindow window{{L"SHELLDLL_DefView", WC_LISTVIEWW}, kViewFrame, 0};
    OverlayRef overlay{Overlay::AcquireForThisThread()};
    const int owner = 0;
    void SetUp() override { ASSERT_TRUE(overlay); }
    void TearDown() override { overlay->Forget(&owner); }
};

// In high contrast the plate is opaque, in the system's window colours; otherwise it is
// see-through. (Wine cannot be put into high contrast: the system's answer is stood in
// for.) The bitmap is let go a second after the overlay hides.
TEST_F(OverlayLook, HighContrastMakesThePlateOpaqueAndTheBitmapGoesASecondAfterHiding) {
    const POINT at{kViewFrame.left + 60, kViewFrame.top + 60};
    // A point of the plate's background: inside, left of the text, below the corner.
    auto background = [&] {
        const PixelRect plate = overlay->plateRect();
        return overlay->PixelAt({plate.left + 3, (plate.top + plate.bottom) / 2});
    };
    overlay->Flash(&owner, window.view(), L"ジェスチャー：無効", at, 5000);
    ASSERT_TRUE(overlay->shown());
    EXPECT_LT(background() >> 24, 255u) << "see-through";

    Overlay::SetHighContrastForTest(true);
    overlay->Flash(&owner, window.view(), L"ジェスチャー：有効", at, 5000);
    Overlay::SetHighContrastForTest(false);
    const COLORREF colour = ::GetSysColor(COLOR_WINDOW);
    const uint32_t expected = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    EXPECT_EQ(background(), expected) << "opaque, the window colour";

    EXPECT_GT(overlay->bitmapBytes(), 0u);
    overlay->Hide(&owner);
    PumpFor(600);
    EXPECT_GT(overlay->bitmapBytes(), 0u) << "kept for a gesture that follows at once";
    EXPECT_TRUE(PumpUntil([&] { return overlay->bitmapBytes() == 0; }, 1500));
}


// At most one update a display frame goes out, over a remote session at most 30 a second,
// and the last state always does.
TEST_F(OverlayLook, UpdatesAtMostOneAFrameThirtyASecondOverARemoteSession) {
    RECT view{};
    ::GetWindowRect(window.view(), &view);
    auto steps = [&](int count) {
        const DWORD start = ::GetTickCount();
        const size_t before = overlay->presents();
        for (int i = 0; i < count; ++i) {
            OverlayStep step;
            step.viewRect = view;
            step.pointer = {view.left + 50 + 4 * i, view.top + 100};
            step.drawSegment = true;
            step.from = {50 + 4 * i, 100};
            step.to = {54 + 4 * i, 100};
            step.colour = RGB(255, 0, 0);
            step.width = 2;
            overlay->Step(&owner, step);
            ::Sleep(2);
        }
        return std::make_pair(overlay->presents() - before, ::GetTickCount() - start);
    };
    test::MouseLog swallow(window.view());  // a list view would run its drag loop on the press
    Input input;  // the button held, as in a gesture: the overlay stays until it comes up
    input.MoveTo(view.left + 20, view.top + 20);
    input.RightDown();
    overlay->Begin(&owner, window.view(), 96);
    const auto local = steps(60);
    EXPECT_GE(local.first, 2u);
    EXPECT_LE(local.first, local.second / 16 + 2) << local.second << " ms";
    PumpFor(100);

    Overlay::SetRemoteSessionForTest(true);
    overlay->Begin(&owner, window.view(), 96);
    const auto remote = steps(60);
    Overlay::SetRemoteSessionForTest(false);
    EXPECT_LE(remote.first, remote.second / 33 + 2) << remote.second << " ms";
    const size_t sent = overlay->presents();
    const bool pending = overlay->updatePending();
    PumpFor(100);
    EXPECT_EQ(overlay->presents(), sent + (pending ? 1 : 0)) << "the last state goes out after the pause";
    EXPECT_FALSE(overlay->updatePending());
    EXPECT_EQ(overlay->PixelAt({view.left + 50 + 4 * 59 + 2, view.top + 100}), 0xFFFF0000u);
}

}  // namespace
}  // namespace cc
