// What the product repeats all day inside the host, done thousands of times over: whole
// gestures through the hook, trail segments in every colour and width, status texts, both
// wheel menus and the settings sheet. The kernel handles, GDI and USER objects and windows
// of the process must come back to where they were.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <functional>
#include <string>

#include "attach/mouse_hook.h"
#include "attached_view.h"
#include "dialogs/settings_sheet.h"
#include "gesture/trail_status.h"
#include "overlay/overlay.h"
#include "menus/wheel_menus.h"
#include "process_util.h"
#include "resource_census.h"
#include "stress.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

const std::initializer_list<const wchar_t*> kFolderPath{L"SHELLDLL_DefView", WC_LISTVIEWW};

class Leaks : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { ::CoUninitialize(); }

    // `work` runs twice, then in batches of `batch` until one batch leaves every count where
    // it was (the system fills caches of its own on first use: fonts, menu and dialog
    // bitmaps, icons), then in two measured runs of `rounds` each (see MeasureGrowth).
    // GDI objects, kernel handles and windows belong to this process alone (the GDI count
    // still moves by one or two now and then); USER handles are one table for the whole
    // session, where other processes add noise. A leak grows by at least `rounds` (never
    // fewer than 25 here) in each run and never settles.
    void ExpectNoGrowth(const char* what, int rounds, int batch, const std::function<void()>& work) {
        auto run = [&](int n) {
            for (int i = 0; i < n; ++i) work();
            test::PumpFor(20);
        };
        run(2);
        ULONGLONG took = 0;
        const test::GrowthReport growth = test::MeasureGrowth(
            census, 8, [&] { run(batch); },
            [&](int) {
                const ULONGLONG started = ::GetTickCount64();
                run(rounds);
                took += ::GetTickCount64() - started;
            });
        const test::ResourceGrowth (&g)[2] = growth.runs;
        std::printf("%s 2 x %d (%llu ms, after %d warm-up batches of %d): kernel handles %+ld/%+ld, GDI objects "
                    "%+ld/%+ld, USER objects %+ld/%+ld, windows %+ld/%+ld\n",
                    what, rounds, static_cast<unsigned long long>(took), growth.warmBatches, batch, g[0].kernelHandles,
                    g[1].kernelHandles, g[0].gdiObjects, g[1].gdiObjects, g[0].userObjects, g[1].userObjects,
                    g[0].windows, g[1].windows);
        const test::ResourceGrowth least = growth.Least();
        EXPECT_LE(least.kernelHandles, 0) << what;
        EXPECT_LE(least.gdiObjects, 2) << what;
        EXPECT_LE(least.userObjects, 8) << what;
        EXPECT_LE(least.windows, 0) << what;
    }

    test::ResourceCensus census;
    test::SharedSettings settings;
};

TEST_F(Leaks, GesturesThroughTheHookWithTrailStatusTextAndTimer) {
    test::AttachedView v(kFolderPath, test::kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    test::MouseLog log(v.window.view());
    settings.Set(Field::TimeoutMs, 1000);
    MOUSEHOOKSTRUCT m{};
    m.hwnd = v.window.view();
    const POINT c = v.window.ViewCenter();
    auto hook = [&](WPARAM message, LONG x, LONG y) {
        m.pt = {x, y};
        MouseHookProc(HC_ACTION, message, reinterpret_cast<LPARAM>(&m));
    };
    // The button really held, as it is while a gesture is drawn.
    test::Input input;
    input.RightDown();
    int round = 0;
    ExpectNoGrowth("gesture through the hook", 1500 * test::StressScale(), 300, [&] {
        // Right, then down: two strokes, bound to nothing, so nothing runs at the release.
        settings.Set(Field::TrailColorR, round++ % 256);
        settings.Set(Field::TrailWidth, 1 + round % 5);
        hook(WM_RBUTTONDOWN, c.x - 60, c.y - 60);
        for (int i = 1; i <= 6; ++i) hook(WM_MOUSEMOVE, c.x - 60 + i * 10, c.y - 60);
        for (int i = 1; i <= 6; ++i) hook(WM_MOUSEMOVE, c.x, c.y - 60 + i * 10);
        hook(WM_RBUTTONUP, c.x, c.y);
        v.browser.statusTexts.clear();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    });
    EXPECT_EQ(v.session().Tracking, 0);
}

TEST_F(Leaks, OverlaySegmentsTextsHintsAndFlashesInEveryColourAndWidth) {
    test::HostWindow window(kFolderPath, test::kViewFrame, 3);
    test::FakeBrowser browser;
    OverlayRef overlay(Overlay::AcquireForThisThread());
    ASSERT_TRUE(overlay);
    RECT view{};
    ::GetWindowRect(window.view(), &view);
    const int owner = 0;
    int n = 0;
    ExpectNoGrowth("overlay steps and status text", 1000 * test::StressScale(), 300, [&] {
        ++n;
        if (n % 50 == 1) overlay->Begin(&owner, window.view(), 96);
        OverlayStep step;
        step.viewRect = view;
        step.pointer = {view.left + n % 400, view.top + 300};
        step.drawSegment = true;
        step.from = {n % 400, 20};
        step.to = {(n * 3) % 400, 300};
        step.colour = RGB(n % 256, (n * 7) % 256, 0);
        step.width = 1 + n % 8;
        step.text = (n % 2) ? L"ジェスチャー ： 右 下   戻る" : nullptr;
        overlay->Step(&owner, step);
        overlay->ArmRest(&owner, L"上   上へ移動\n右 上   最大化/元に戻す", n % 3 == 0 ? 0 : 400, step.pointer);
        SetStatusText(&browser, (n % 2) ? L"ジェスチャー ： ↑→" : L"");
        if (n % 50 == 0) {
            overlay->Hide(&owner);
            browser.statusTexts.clear();
        }
        if (n % 200 == 0) overlay->Flash(&owner, window.view(), L"ジェスチャー：無効", step.pointer, 1000);
    });
    overlay->Forget(&owner);
}

// Ends the menu this thread is tracking as soon as it is up.
class MenuCloser {
public:
    MenuCloser() { timer_ = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &MenuCloser::Tick); }
    ~MenuCloser() { ::KillTimer(nullptr, timer_); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (::FindWindowW(L"#32768", nullptr)) ::EndMenu();
    }
    UINT_PTR timer_;
};

class MenuLeaks : public Leaks {
protected:
    void SetUp() override {
        Leaks::SetUp();
        ASSERT_TRUE(quick.Create());
        ::CreateDirectoryW(links.c_str(), nullptr);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(test::SaveShortcut(links + L"\\0" + std::to_wstring(i) + L".lnk", folder.path()));
        }
        for (int i = 0; i < 6; ++i) {
            log.back.push_back(L"back " + std::to_wstring(i));
            log.forward.push_back(L"forward " + std::to_wstring(i));
        }
        browser.travelLog = &log;
        ::SetForegroundWindow(owner.frame());
    }
    void TearDown() override {
        quick.Destroy();
        Leaks::TearDown();
    }
    GestureContext ctx() { return GestureContext{&session, settings.view(), quick.hwnd(), &browser, &mapping}; }

    test::ScratchFolder folder;
    std::wstring links = folder / L"Links";
    SettingsMapping mapping{L"CursorCadenceLeakTest", folder.path().c_str()};
    test::HostWindow owner{{L"SHELLDLL_DefView"}, RECT{100, 100, 600, 500}};
    QuickWnd quick;
    GestureSession session;
    test::FakeBrowser browser;
    test::FakeTravelLog log;
};

TEST_F(MenuLeaks, QuickMoveMenusWithTheirIconsAndNames) {
    ExpectNoGrowth("quick-move menu", 150 * test::StressScale(), 60, [&] {
        MenuCloser closer;
        unique_variant chosen;
        ShowQuickMoveMenu(ctx(), POINT{300, 200}, owner.frame(), chosen);
    });
}

TEST_F(MenuLeaks, HistoryMenus) {
    ExpectNoGrowth("history menu", 150 * test::StressScale(), 60, [&] {
        MenuCloser closer;
        EXPECT_TRUE(ShowHistoryMenu(ctx(), POINT{300, 200}, owner.frame()));
    });
}

TEST_F(MenuLeaks, SettingsSheetsOpenedOnEveryPageAndClosed) {
    ExpectNoGrowth("settings sheet", 25 * test::StressScale(), 20, [&] {
        ASSERT_TRUE(OpenSettingsSheet(ctx()));
        HWND sheet = SheetWindow();
        ASSERT_NE(sheet, nullptr);
        for (int page = 0; page < 4; ++page) {
            PropSheet_SetCurSel(sheet, nullptr, page);
            test::PumpFor(5);
        }
        ::SendMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(test::PumpUntil([] { return SheetWindow() == nullptr; }, 2000));
    });
}

}  // namespace
}  // namespace cc
