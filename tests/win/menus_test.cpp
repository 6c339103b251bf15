// The two wheel menus as real popup menus: found while they are tracked, driven with real
// keys, built from a real "Links" folder of real shell links and from a recorded travel
// log. Screenshots of both go to CC_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <string>

#include "common/dpi.h"
#include "fake_browser.h"
#include "menu_driver.h"
#include "menus/quick_wnd.h"
#include "menus/wheel_menus.h"
#include "process_util.h"
#include "screenshot.h"
#include "test_windows.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

// The quick-move menu's choice as a variant the test clears.
VARIANT QuickMoveMenu(const GestureContext& ctx, POINT at, HWND owner) {
    unique_variant chosen;
    ShowQuickMoveMenu(ctx, at, owner, chosen);
    return chosen.release();
}

using test::MenuDriver;
using test::PumpFor;

std::vector<WORD> Downs(int n, WORD last) {
    std::vector<WORD> keys(n, VK_DOWN);
    keys.push_back(last);
    return keys;
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(quick.Create());
        ::CreateDirectoryW(links.c_str(), nullptr);
        ::SetForegroundWindow(owner.frame());
    }
    void TearDown() override { ::CoUninitialize(); }
    GestureContext ctx() { return GestureContext{&session, SettingsView(), quick.hwnd(), &browser, &mapping}; }
    // A real shell link to `target` (a folder path; empty: a link with no target).
    void Link(const std::wstring& file, const std::wstring& target) {
        ASSERT_TRUE(test::SaveShortcut(links + L"\\" + file, target));
    }
    POINT At() { return {300, 200}; }
    std::wstring PathOf(const VARIANT& v) {
        if (v.vt != (VT_ARRAY | VT_UI1)) return L"<none>";
        void* data = nullptr;
        ::SafeArrayAccessData(v.parray, &data);
        wchar_t path[MAX_PATH] = L"";
        ::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(data), path);
        ::SafeArrayUnaccessData(v.parray);
        return path;
    }

    test::ScratchFolder folder;
    std::wstring links = folder / L"Links";
    SettingsMapping mapping{L"CursorCadenceMenusTest", folder.path().c_str()};
    test::HostWindow owner{{L"SHELLDLL_DefView"}, RECT{100, 100, 600, 500}};
    QuickWnd quick;
    GestureSession session;
    test::FakeBrowser browser;
};

TEST_F(Menus, NothingRegisteredShowsOneGrayedItem) {
    ::RemoveDirectoryW(links.c_str());
    MenuDriver driver({VK_DOWN, VK_RETURN}, L"menu-quick-move-empty");
    VARIANT result = QuickMoveMenu(ctx(), At(), owner.frame());
    ASSERT_TRUE(driver.ran);
    EXPECT_EQ(driver.items, 1);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_FALSE);
    EXPECT_STREQ(quick.slot(0).name, L"登録なし");
}

TEST_F(Menus, ChoosingTheThirdShownEntryGoesToItsFolder) {
    Link(L"00.lnk", L"C:\\windows");
    Link(L"01.lnk", L"");  // no target: left out, the ids after it close up
    Link(L"02.lnk", L"C:\\windows\\system32");
    Link(L"03.lnk", L"C:\\users");
    const std::wstring japanese = folder / L"お気に入りのフォルダ";
    ASSERT_TRUE(::CreateDirectoryW(japanese.c_str(), nullptr));
    Link(L"04.lnk", japanese);
    MenuDriver driver(Downs(3, VK_RETURN), L"menu-quick-move");
    VARIANT result = QuickMoveMenu(ctx(), At(), owner.frame());
    ASSERT_TRUE(driver.ran);
    EXPECT_EQ(driver.items, 4);
    EXPECT_STREQ(quick.slot(3).name, L"お気に入りのフォルダ");
    EXPECT_EQ(PathOf(result), L"C:\\users");
    ::VariantClear(&result);
    EXPECT_STREQ(quick.slot(1).name, L"system32");
    for (int i = 0; i < kMenuSlots; ++i) {
        EXPECT_EQ(quick.slot(i).icon, nullptr) << "icons destroyed after the menu";
        EXPECT_EQ(quick.slot(i).pidl, nullptr) << "item lists freed after the menu";
    }
}

TEST_F(Menus, ALinkWhoseTargetWasDeletedIsHandledAsThePlatformResolvesIt) {
    const std::wstring gone = folder / L"gone";
    ASSERT_TRUE(::CreateDirectoryW(gone.c_str(), nullptr));
    Link(L"00.lnk", gone);
    ASSERT_TRUE(::RemoveDirectoryW(gone.c_str()));
    Link(L"01.lnk", L"C:\\windows");
    MenuDriver driver({VK_ESCAPE});
    VARIANT result = QuickMoveMenu(ctx(), At(), owner.frame());
    ASSERT_TRUE(driver.ran);
    // Windows leaves the broken link out; Wine's Resolve still succeeds for it.
    EXPECT_TRUE(driver.items == 1 || driver.items == 2) << driver.items;
    EXPECT_EQ(result.vt, VT_BOOL);
}

TEST_F(Menus, DismissingGivesNothing) {
    Link(L"00.lnk", L"C:\\windows");
    MenuDriver driver({VK_ESCAPE});
    VARIANT result = QuickMoveMenu(ctx(), At(), owner.frame());
    ASSERT_TRUE(driver.ran);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_FALSE);
}

TEST_F(Menus, AtMostThirtyTwoEntriesAndLongNamesCut) {
    const std::wstring longName = std::wstring(150, L'n');
    const std::wstring longFolder = folder / longName;
    ASSERT_TRUE(::CreateDirectoryW(longFolder.c_str(), nullptr));
    Link(L"00.lnk", longFolder);
    for (int i = 1; i < 40; ++i) {
        wchar_t name[16];
        std::swprintf(name, 16, L"%02d.lnk", i);
        Link(name, L"C:\\windows");
    }
    MenuDriver driver({VK_ESCAPE});
    VARIANT result = QuickMoveMenu(ctx(), At(), owner.frame());
    ASSERT_TRUE(driver.ran);
    EXPECT_EQ(driver.items, 32);
    ::VariantClear(&result);
    EXPECT_EQ(::lstrlenW(quick.slot(0).name), 127);
    EXPECT_EQ(std::wstring(quick.slot(0).name), longName.substr(0, 127));
}

// Entries, icons and text follow the DPI of the monitor the menu opens on. (Runs again at
// 144 and 192 DPI.)
TEST_F(Menus, EntriesAndIconsAtTheScreensScale) {
    const UINT dpi = PointDpi(At(), owner.frame());
    if (test::ExpectedTestDpi() != 0) {
        ASSERT_EQ(dpi, test::ExpectedTestDpi());
    }
    const int icon = SystemMetricForDpi(SM_CXSMICON, dpi);
    // The system's menu font at that DPI measures the names.
    NONCLIENTMETRICSW metrics;
    ASSERT_TRUE(NonClientMetricsForDpi(metrics, dpi));
    const unique_hfont font(::CreateFontIndirectW(&metrics.lfMenuFont));
    const unique_window_dc dc(nullptr, ::GetDC(nullptr));
    const select_object_scope selected(dc.get(), font.get());
    const auto expectEntries = [&](const MenuDriver& driver, std::initializer_list<const wchar_t*> names) {
        ASSERT_EQ(driver.rects.size(), names.size());
        size_t i = 0;
        for (const wchar_t* name : names) {
            SIZE text{};
            ::GetTextExtentPoint32W(dc.get(), name, lstrlenW(name), &text);
            EXPECT_EQ(driver.rects[i].bottom - driver.rects[i].top, std::max<int>(text.cy, icon) + ScaleForDpi(4, dpi))
                << i;
            ++i;
        }
        for (const SIZE& s : driver.iconSizes) {
            EXPECT_EQ(s.cx, icon);
            EXPECT_EQ(s.cy, icon);
        }
    };
    Link(L"00.lnk", L"C:\\windows");
    Link(L"01.lnk", L"C:\\windows\\system32");
    {
        MenuDriver driver({VK_ESCAPE}, dpi == 192 ? L"menu-quick-move-192dpi" : nullptr, &quick);
        VARIANT result = QuickMoveMenu(ctx(), At(), owner.frame());
        ::VariantClear(&result);
        ASSERT_TRUE(driver.ran);
        EXPECT_EQ(driver.iconSizes.size(), 2u) << "each folder with its icon";
        expectEntries(driver, {L"windows", L"system32"});
    }
    test::FakeTravelLog log;
    log.back = {L"前のページ"};
    log.forward = {L"次のページ"};
    browser.travelLog = &log;
    MenuDriver driver({VK_ESCAPE}, dpi == 192 ? L"menu-history-192dpi" : nullptr, &quick);
    EXPECT_TRUE(ShowHistoryMenu(ctx(), At(), owner.frame()));
    ASSERT_TRUE(driver.ran);
    EXPECT_EQ(driver.iconSizes.size(), 2u) << "the two arrows";
    expectEntries(driver, {L"前のページ", L"History", L"次のページ"});
}

class History : public Menus {
protected:
    void SetUp() override {
        Menus::SetUp();
        browser.travelLog = &log;
    }
    test::FakeTravelLog log;
};

TEST_F(History, AFreshWindowShowsOnlyTheGrayedHistoryItem) {
    MenuDriver driver({VK_DOWN, VK_RETURN});
    EXPECT_TRUE(ShowHistoryMenu(ctx(), At(), owner.frame()));
    ASSERT_TRUE(driver.ran);
    EXPECT_EQ(driver.items, 1);
    EXPECT_TRUE(log.relativeAsked.empty()) << "nothing can be chosen";
    EXPECT_STREQ(quick.slot(0).name, L"History");
}

TEST_F(History, FifteenNearestBackEntriesFarthestFirstAndTheTravelOffsets) {
    for (int i = 0; i < 20; ++i) log.back.push_back(L"前のページ " + std::to_wstring(i));
    log.forward = {L"次のページ 0", L"次のページ 1"};
    {
        // The item directly above "History" (the 15th from the top): one page back.
        MenuDriver driver(Downs(15, VK_RETURN), L"menu-history");
        EXPECT_TRUE(ShowHistoryMenu(ctx(), At(), owner.frame()));
        ASSERT_TRUE(driver.ran);
        EXPECT_EQ(driver.items, 18);
        ASSERT_EQ(driver.ids.size(), 18u);
        EXPECT_EQ(driver.ids[0], 15u) << "the farthest of the fifteen at the top";
        EXPECT_EQ(driver.ids[14], 1u) << "the nearest page behind directly above History";
        EXPECT_EQ(driver.ids[15], 16u) << "History";
        EXPECT_EQ(driver.ids[16], 17u);
    }
    EXPECT_STREQ(quick.slot(14).name, L"前のページ 14");
    EXPECT_STREQ(quick.slot(15).name, L"History");
    EXPECT_STREQ(quick.slot(16).name, L"次のページ 0");
    ASSERT_EQ(log.relativeAsked, std::vector<int>{-1});
    EXPECT_EQ(log.travelledTo, std::vector<std::wstring>{L"前のページ 0"});
    {
        MenuDriver driver(Downs(17, VK_RETURN));  // directly below "History": one forward
        ShowHistoryMenu(ctx(), At(), owner.frame());
    }
    EXPECT_EQ(log.relativeAsked.back(), 1);
    EXPECT_EQ(log.travelledTo.back(), L"次のページ 0");
    for (int i = 0; i < kMenuSlots; ++i) EXPECT_EQ(quick.slot(i).icon, nullptr);
}

TEST_F(History, NoTravelLogOrAFailingCountShowsNoMenu) {
    log.countResult = E_FAIL;
    EXPECT_FALSE(ShowHistoryMenu(ctx(), At(), owner.frame()));
    browser.travelLog = nullptr;
    EXPECT_FALSE(ShowHistoryMenu(ctx(), At(), owner.frame()));
}

// Wine reports no GDI/user object counts (GetGuiResources and GetProcessHandleCount give
// 0), so every menu's own resources are checked directly: the menu and the icons seen
// while it was open are gone once it has closed, and no item list is left in a slot.
TEST_F(History, TwoHundredMenusLeaveNothingBehind) {
    Link(L"00.lnk", L"C:\\windows");
    Link(L"01.lnk", L"C:\\users");
    log.back = {L"a", L"b"};
    log.forward = {L"c"};
    int menus = 0, icons = 0;
    for (int i = 0; i < 100; ++i) {
        for (bool quickMove : {true, false}) {
            MenuDriver d(i % 2 ? std::vector<WORD>{VK_ESCAPE} : std::vector<WORD>{VK_DOWN, VK_RETURN}, nullptr, &quick);
            if (quickMove) {
                VARIANT v = QuickMoveMenu(ctx(), At(), owner.frame());
                ::VariantClear(&v);
            } else {
                ShowHistoryMenu(ctx(), At(), owner.frame());
            }
            ASSERT_TRUE(d.ran);
            ++menus;
            EXPECT_FALSE(::IsMenu(d.menu)) << "menu " << menus;
            for (HICON icon : d.icons) {
                ICONINFO info{};
                EXPECT_FALSE(::GetIconInfo(icon, &info)) << "icon of menu " << menus;
                ++icons;
            }
            for (int s = 0; s < kMenuSlots; ++s) ASSERT_EQ(quick.slot(s).pidl, nullptr);
        }
    }
    EXPECT_EQ(menus, 200);
    EXPECT_GE(icons, 400) << "every menu showed icons";
}

}  // namespace
}  // namespace cc
