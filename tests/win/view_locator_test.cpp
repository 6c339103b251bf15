// Finding the view under real windows that carry the hosts' class names.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "fake_browser.h"
#include "gesture/view_locator.h"
#include "test_windows.h"

namespace cc {
namespace {

using test::HostWindow;

constexpr RECT kFrame{50, 50, 350, 300};

TEST(FindViewWindow, TabbedBrowserPath) {
    HostWindow w{{L"TabWindowClass", L"Shell DocObject View", L"Internet Explorer_Server"}, kFrame};
    const LocatedView v = FindViewWindow(w.frame(), true);
    EXPECT_EQ(v.view, w.view());
    EXPECT_EQ(v.kind, ViewWeb);
    // An untabbed browser does not look inside the tab window.
    EXPECT_EQ(FindViewWindow(w.frame(), false).kind, ViewNone);
}

TEST(FindViewWindow, UntabbedBrowserPath) {
    HostWindow w{{L"Shell DocObject View", L"Internet Explorer_Server"}, kFrame};
    EXPECT_EQ(FindViewWindow(w.frame(), false).view, w.view());
    EXPECT_EQ(FindViewWindow(w.frame(), false).kind, ViewWeb);
    // Without a tab window a tabbed browser also falls through to the folder paths.
    EXPECT_EQ(FindViewWindow(w.frame(), true).kind, ViewNone);
}

TEST(FindViewWindow, FolderListDirectAndThroughTheDirectUiPath) {
    HostWindow direct{{L"SHELLDLL_DefView", WC_LISTVIEWW}, kFrame};
    EXPECT_EQ(FindViewWindow(direct.frame(), true).view, direct.view());
    EXPECT_EQ(FindViewWindow(direct.frame(), false).kind, ViewFolderList);

    HostWindow dui{{L"SHELLDLL_DefView", L"DUIViewWndClassName", L"DirectUIHWND", L"CtrlNotifySink", WC_LISTVIEWW},
                   kFrame};
    EXPECT_EQ(FindViewWindow(dui.frame(), false).view, dui.view());
    EXPECT_EQ(FindViewWindow(dui.frame(), false).kind, ViewFolderList);
}

TEST(FindViewWindow, ABrokenPathFindsNothing) {
    HostWindow noList{{L"SHELLDLL_DefView", L"DUIViewWndClassName", L"DirectUIHWND"}, kFrame};
    EXPECT_EQ(FindViewWindow(noList.frame(), false).view, nullptr);
    EXPECT_EQ(FindViewWindow(noList.frame(), false).kind, ViewNone);
    // A tab window without its page view gives no view, even beside a folder list.
    HostWindow emptyTab{{L"TabWindowClass"}, kFrame};
    HostWindow list{{L"SHELLDLL_DefView", WC_LISTVIEWW}, kFrame};
    ::SetParent(list.child(0), emptyTab.frame());
    EXPECT_EQ(FindViewWindow(emptyTab.frame(), true).kind, ViewNone);
    EXPECT_EQ(FindViewWindow(emptyTab.frame(), false).kind, ViewFolderList);
    ::SetParent(list.child(0), list.frame());
    EXPECT_EQ(FindViewWindow(nullptr, true).kind, ViewNone);
}

TEST(LocateView, AsksTheBrowserForItsWindow) {
    HostWindow w{{L"SHELLDLL_DefView", WC_LISTVIEWW}, kFrame};
    test::FakeBrowser browser;
    browser.topLevel = w.frame();
    EXPECT_EQ(LocateView(&browser, false).view, w.view());
    browser.hwndResult = E_FAIL;
    EXPECT_EQ(LocateView(&browser, false).kind, ViewNone);
    EXPECT_EQ(LocateView(nullptr, false).kind, ViewNone);
}

}  // namespace
}  // namespace cc
