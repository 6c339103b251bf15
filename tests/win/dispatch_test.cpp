// Every mouse message of an attached thread, from real injected input through the
// object's real hook: gestures, the replayed right click, chords, Ctrl, the double-click
// toggle, middle clicks and the wheel.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>

#include <shlobj.h>
#include <wrl/client.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "attached_view.h"
#include "gesture/status_text.h"
#include "launch_recorder.h"
#include "menu_driver.h"
#include "process_util.h"

namespace cc {
namespace {

using test::AttachedView;
using test::Input;
using test::kViewFrame;
using test::MouseLog;
using test::PumpFor;
using test::PumpUntil;

const std::initializer_list<const wchar_t*> kFolderPath{L"SHELLDLL_DefView", WC_LISTVIEWW};
const std::initializer_list<const wchar_t*> kPagePath{L"Shell DocObject View", L"Internet Explorer_Server"};
const std::initializer_list<const wchar_t*> kTabbedPagePath{L"TabWindowClass", L"Shell DocObject View",
                                                           L"Internet Explorer_Server"};

POINT ClientOf(HWND window, POINT screen) {
    ::ScreenToClient(window, &screen);
    return screen;
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { ::CoUninitialize(); }
    test::SharedSettings settings;
    Input input;
};

class FolderDispatch : public Dispatch {
protected:
    AttachedView v{kFolderPath, kViewFrame, 3};
    MouseLog log{v.window.view()};
    const GestureSession& s() { return v.session(); }
    HWND list() { return v.window.view(); }
    // A point in the list's empty area, below the icons.
    POINT Empty() {
        RECT r{};
        ::GetWindowRect(list(), &r);
        return {(r.left + r.right) / 2, r.bottom - 30};
    }
    POINT ItemCenter(int i) {
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        ::SendMessageW(list(), LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&bounds));
        POINT p{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
        ::ClientToScreen(list(), &p);
        return p;
    }
    void Draw(POINT from, std::initializer_list<POINT> offsets) {
        for (POINT o : offsets) input.MoveTo(from.x + o.x, from.y + o.y);
    }
};

TEST_F(FolderDispatch, APlainRightClickIsReplayedAtTheReleasePoint) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    log.Clear();
    input.RightDown();
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 0u) << "the real press never reaches the list";
    input.MoveTo(p.x + 4, p.y + 3);  // inside the dead zone
    input.RightUp();
    ASSERT_TRUE(PumpUntil([&] { return log.Count(WM_RBUTTONUP) == 1; }, 2000));
    const POINT release = ClientOf(list(), {p.x + 4, p.y + 3});
    std::vector<test::LoggedMessage> buttons;
    for (const auto& m : log.messages) {
        if (m.message != WM_MOUSEMOVE) buttons.push_back(m);
    }
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(buttons[0].wParam, static_cast<WPARAM>(MK_RBUTTON));
    EXPECT_EQ(buttons[0].lParam, MAKELPARAM(release.x, release.y));
    EXPECT_EQ(buttons[1].message, static_cast<UINT>(WM_RBUTTONUP));
    EXPECT_EQ(buttons[1].wParam, 0u);
    EXPECT_EQ(buttons[1].lParam, MAKELPARAM(release.x, release.y));
    EXPECT_EQ(s().Tracking, 0);
}

TEST_F(FolderDispatch, AGestureReleasedOverAnotherProgramsWindowEndsWhenThePointerComesBack) {
    RECT r{};
    ::GetWindowRect(list(), &r);
    test::ForeignWindow other(RECT{r.right, r.top, r.right + 200, r.bottom});
    const int y = (r.top + r.bottom) / 2;
    input.MoveTo(r.right - 80, y);
    input.RightDown();
    input.MoveTo(r.right - 50, y);  // drawing now
    input.MoveTo(r.right + 60, y);  // straight onto the other window: this thread sees nothing
    ASSERT_EQ(s().Drawing, 1);
    input.RightUp();  // released over the other window
    EXPECT_EQ(s().Tracking, 1) << "nothing has told the view yet";
    PumpFor(150);  // the way back takes a moment
    log.Clear();
    v.browser.statusTexts.clear();
    input.MoveTo(r.right - 120, y);  // back over the list, button up
    EXPECT_EQ(s().Tracking, 0);
    EXPECT_EQ(s().Drawing, 0);
    EXPECT_EQ(s().StrokeCount, 0);
    EXPECT_EQ(s().TimerId, 0u);
    EXPECT_GE(log.Count(WM_MOUSEMOVE), 1u) << "the list gets its moves again";
    ASSERT_FALSE(v.browser.statusTexts.empty());
    EXPECT_EQ(v.browser.statusTexts.back(), L"");
    EXPECT_EQ(v.browser.Count("GoBack") + v.browser.Count("GoForward"), 0u) << "no action ran";
}

TEST_F(FolderDispatch, AReleaseStillQueuedForTheViewIsNotTakenForOneElsewhere) {
    const POINT p = Empty();
    input.MoveTo(p.x - 100, p.y - 100);
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;  // sent raw: the release below is raw too
    ASSERT_EQ(::SendInput(1, &press, sizeof(INPUT)), 1u);
    ASSERT_TRUE(PumpUntil([&] { return s().Tracking == 1; }, 2000));
    input.MoveTo(p.x - 80, p.y - 100);  // drawing now
    // The last stroke and the release reach the queue together: while the move is
    // handled the button is already up, and the release is still waiting.
    ::Sleep(150);  // a pause, after which the tracker asks about the button
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT batch[2] = {};
    batch[0].type = batch[1].type = INPUT_MOUSE;
    batch[0].mi.dx = static_cast<LONG>(((p.x - 40) * 65536LL + 32768) / w);
    batch[0].mi.dy = static_cast<LONG>(((p.y - 100) * 65536LL + 32768) / h);
    batch[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    batch[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ASSERT_EQ(::SendInput(2, batch, sizeof(INPUT)), 2u);
    ASSERT_TRUE(PumpUntil([&] { return s().Tracking == 0; }, 2000));
    EXPECT_EQ(v.browser.Count("GoForward"), 1u) << "the stroke to the right ran its action";
}

TEST_F(FolderDispatch, TheReplayedClickOpensTheListsContextMenu) {
    log.swallowButtons = false;  // let the real list view handle the replayed pair
    MouseLog parent(v.window.child(0));
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    input.RightUp();
    EXPECT_TRUE(PumpUntil([&] { return parent.contextMenus > 0 || parent.rightClickNotifications > 0; }, 3000));
}

TEST_F(FolderDispatch, ADrawnGestureEndsWithAnEmptyStatusTextAndNothingReplayed) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y - 150);
    input.RightDown();
    Draw({p.x, p.y - 150}, {{20, 0}, {60, 0}, {60, 50}});
    EXPECT_EQ(s().StrokeCount, 2);
    input.RightUp();
    EXPECT_EQ(s().StrokeCount, 0);
    EXPECT_EQ(s().Drawing, 0);
    ASSERT_FALSE(v.browser.statusTexts.empty());
    EXPECT_EQ(v.browser.statusTexts.back(), L"");
    PumpFor(100);
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 0u);
    EXPECT_EQ(log.Count(WM_RBUTTONUP), 0u);
}

TEST_F(FolderDispatch, ADrawnGestureRunsItsBoundAction) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y - 150);
    input.RightDown();
    Draw({p.x, p.y - 150}, {{-20, 0}, {-60, 0}});  // left: back
    input.RightUp();
    EXPECT_EQ(v.browser.Count("GoBack"), 1u);
    EXPECT_EQ(v.browser.statusTexts.front(), L"ジェスチャー ： 左   戻る");
    EXPECT_EQ(v.browser.statusTexts.back(), L"");
}

TEST_F(FolderDispatch, AGestureReleasedAfterTheTimeoutIsCancelled) {
    settings.Set(Field::TimeoutMs, 200);
    const POINT p = Empty();
    input.MoveTo(p.x, p.y - 150);
    input.RightDown();
    Draw({p.x, p.y - 150}, {{20, 0}, {60, 0}});
    ASSERT_TRUE(PumpUntil([&] { return s().TimedOut == 1; }, 3000));
    input.RightUp();
    EXPECT_EQ(v.browser.statusTexts.back(), kStatusCancelled);
    EXPECT_EQ(v.browser.Count("GoForward"), 0u) << "the cancelled gesture (right: forward) ran nothing";
    EXPECT_EQ(s().StrokeCount, 0);
    EXPECT_EQ(s().TimedOut, 0);
    EXPECT_EQ(s().TimerId, 0u) << "the release kills the timer";
}

TEST_F(FolderDispatch, CtrlLetsThePressThroughAndTheReleaseIsStillReplaced) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.KeyDown(VK_CONTROL);
    log.Clear();
    input.RightDown();
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 1u) << "the real press reached the list";
    EXPECT_EQ(s().Tracking, 0);
    input.RightUp();
    input.KeyUp(VK_CONTROL);
    ASSERT_TRUE(PumpUntil([&] { return log.Count(WM_RBUTTONUP) == 1; }, 2000));
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 2u) << "the release was replaced by the posted pair";

    settings.Set(Field::DefaultActionFlags, 15 & ~CtrlReleasesRight);
    input.MoveTo(p.x + 20, p.y);  // not a double-click
    input.KeyDown(VK_CONTROL);
    input.RightDown();
    EXPECT_EQ(s().Tracking, 1) << "without the flag Ctrl does not release the button";
    input.RightUp();
}

TEST_F(FolderDispatch, APressOnASelectedItemReachesTheListWhenAsked) {
    settings.Set(Field::NoStartOnSelectedItem, 1);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    ::SendMessageW(list(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    POINT p = ItemCenter(0);
    input.MoveTo(p.x, p.y);
    log.Clear();
    input.RightDown();
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 1u);
    EXPECT_EQ(s().Tracking, 0);
    input.RightUp();

    p = ItemCenter(1);  // not selected
    input.MoveTo(p.x, p.y);
    log.Clear();
    input.RightDown();
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 0u);
    EXPECT_EQ(s().Tracking, 1);
    input.RightUp();
}

TEST_F(FolderDispatch, LeftHeldThenRightGoesForwardAndSwallowsBothRightMessages) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.LeftDown();
    log.Clear();
    input.RightDown();
    EXPECT_EQ(v.browser.Count("GoForward"), 1u);
    input.RightUp();
    input.LeftUp();
    PumpFor(50);
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 0u);
    EXPECT_EQ(log.Count(WM_RBUTTONUP), 0u);
    EXPECT_EQ(log.Count(WM_LBUTTONUP), 1u) << "a left release is never consumed";
}

TEST_F(FolderDispatch, RightHeldThenLeftGoesBack) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    log.Clear();
    input.LeftDown();
    EXPECT_EQ(v.browser.Count("GoBack"), 1u);
    EXPECT_EQ(log.Count(WM_LBUTTONDOWN), 0u) << "the left press is consumed";
    input.LeftUp();
    input.RightUp();
    PumpFor(50);
    EXPECT_EQ(log.Count(WM_RBUTTONUP), 0u) << "and so is the coming right release";
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 0u);
}

TEST_F(FolderDispatch, WithoutRockerBackTheLeftPressReachesTheListButTheReleaseIsStillSwallowed) {
    settings.Set(Field::DefaultActionFlags, 15 & ~RockerBack);
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    log.Clear();
    input.LeftDown();
    EXPECT_EQ(v.browser.Count("GoBack"), 0u);
    EXPECT_EQ(log.Count(WM_LBUTTONDOWN), 1u);
    input.LeftUp();
    input.RightUp();
    PumpFor(50);
    EXPECT_EQ(log.Count(WM_RBUTTONUP), 0u);
}

TEST_F(FolderDispatch, DoubleClickOnEmptySpaceTogglesGestures) {
    settings.Set(Field::BlankDoubleClickAction, 2);
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.DoubleClick();
    ASSERT_TRUE(PumpUntil([&] { return s().GesturesOff == 1; }, 2000));
    EXPECT_EQ(v.browser.statusTexts.back(), kStatusGesturesOff);

    log.Clear();
    input.RightDown();
    input.RightUp();
    PumpFor(50);
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 1u) << "presses pass untouched while gestures are off";
    EXPECT_EQ(log.Count(WM_RBUTTONUP), 1u);

    input.DoubleClickAt({p.x + 1, p.y});
    ASSERT_TRUE(PumpUntil([&] { return s().GesturesOff == 0; }, 2000));
    EXPECT_EQ(v.browser.statusTexts.back(), kStatusGesturesOn);

    const POINT item = ItemCenter(0);
    input.MoveTo(item.x, item.y);
    const size_t texts = v.browser.statusTexts.size();
    input.DoubleClick();
    PumpFor(100);
    EXPECT_EQ(s().GesturesOff, 0) << "a double-click on an item does nothing special";
    EXPECT_EQ(v.browser.statusTexts.size(), texts);
}

TEST_F(FolderDispatch, MiddlePressIsTakenOnlyWithTheFlag) {
    test::LaunchRecorder launches;
    const POINT p = ItemCenter(1);
    input.MoveTo(p.x, p.y);
    log.Clear();
    input.MiddleDown();
    input.MiddleUp();
    ASSERT_TRUE(PumpUntil([&] { return log.Count(WM_LBUTTONUP) == 1; }, 2000));
    EXPECT_EQ(log.Count(WM_MBUTTONDOWN), 0u);
    EXPECT_EQ(log.Count(WM_MBUTTONUP), 0u);
    EXPECT_EQ(s().NewWindowPending, 1) << "the replayed left click is to open a new window";
    const POINT client = ClientOf(list(), p);
    EXPECT_EQ(log.messages[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(log.messages[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(log.messages[0].lParam, MAKELPARAM(client.x, client.y));

    // The pending flag is consumed by the next navigation.
    test::BeforeNavigate2Args navigation(L"file:///C:/windows");
    EXPECT_EQ(v.browser.Fire(DISPID_BEFORENAVIGATE2, &navigation.params), S_OK);
    EXPECT_EQ(s().NewWindowPending, 0);
    EXPECT_EQ(navigation.cancel, VARIANT_TRUE) << "the navigation that follows opens a new window";
    EXPECT_EQ(launches.launches().size(), 1u);

    settings.Set(Field::DefaultActionFlags, 15 & ~MiddleClickNewWindow);
    input.MoveTo(p.x + 8, p.y + 8);  // not a double-click
    log.Clear();
    input.MiddleDown();
    input.MiddleUp();
    PumpFor(50);
    EXPECT_EQ(log.Count(WM_MBUTTONDOWN), 1u) << "without the flag the press reaches the list";
    EXPECT_EQ(log.Count(WM_MBUTTONUP), 0u) << "and the release is swallowed";
    EXPECT_EQ(log.Count(WM_LBUTTONDOWN), 0u);
}

TEST_F(FolderDispatch, AMiddleClickThatNavigatesNowhereDoesNotHijackTheNextNavigation) {
    test::LaunchRecorder launches;
    const POINT p = ItemCenter(1);  // a file: the replayed click only selects it
    input.MoveTo(p.x, p.y);
    input.MiddleDown();
    input.MiddleUp();
    ASSERT_EQ(s().NewWindowPending, 1);
    EXPECT_TRUE(PumpUntil([&] { return s().NewWindowPending == 0; }, 3000)) << "no navigation followed";

    test::BeforeNavigate2Args back(L"file:///C:/windows");
    EXPECT_EQ(v.browser.Fire(DISPID_BEFORENAVIGATE2, &back.params), S_OK);
    EXPECT_EQ(back.cancel, VARIANT_FALSE) << "Back goes on in this window";
    EXPECT_TRUE(launches.launches().empty());
}

TEST_F(FolderDispatch, TheWheelWithoutAMenuErasesTheTrailAndFallsBackToThePress) {
    settings.Set(Field::ExplorerWheelAction, 0);
    const POINT p = Empty();
    input.MoveTo(p.x, p.y - 150);
    input.RightDown();
    Draw({p.x, p.y - 150}, {{20, 0}, {60, 0}});
    ASSERT_EQ(s().Drawing, 1);
    log.Clear();
    input.Wheel(-120);
    EXPECT_EQ(log.Count(WM_MOUSEWHEEL), 1u) << "the wheel reaches the list";
    EXPECT_EQ(s().Drawing, 0);
    EXPECT_EQ(s().StrokeCount, 1) << "the strokes so far stay recorded";
    EXPECT_EQ(v.browser.statusTexts.back(), L"");
    input.RightUp();
    EXPECT_TRUE(PumpUntil([&] { return log.Count(WM_RBUTTONUP) == 1; }, 2000)) << "the release replays a right click";
}

TEST_F(FolderDispatch, TheWheelWithTheQuickMoveMenuIsConsumed) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    log.Clear();
    test::MenuDriver escape({VK_ESCAPE});  // the real menu opens: nothing is registered here
    input.Wheel(120);
    EXPECT_TRUE(PumpUntil([&] { return escape.ran; }, 3000));
    EXPECT_EQ(log.Count(WM_MOUSEWHEEL), 0u);
    EXPECT_EQ(v.browser.Count("Navigate2"), 0u) << "nothing chosen, nowhere to go";
    input.RightUp();
    PumpFor(100);
    EXPECT_EQ(log.Count(WM_RBUTTONUP), 0u) << "the release after the menu opens no context menu";
    EXPECT_EQ(s().SkipNextRightUp, 0);
}

TEST_F(FolderDispatch, AReleaseInsideTheWheelMenuLeavesNoReleaseToSwallow) {
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    test::MenuDriver releaseThenEscape({VK_ESCAPE});
    releaseThenEscape.releaseRightFirst = true;
    input.Wheel(120);
    ASSERT_TRUE(PumpUntil([&] { return releaseThenEscape.ran; }, 3000));
    EXPECT_EQ(s().SkipNextRightUp, 0) << "the release went to the menu already";
    PumpFor(100);  // the Escape, should the release have closed the menu itself

    // The next release that no press resets: a press the list keeps (on a selected item).
    settings.Set(Field::NoStartOnSelectedItem, 1);
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED;
    ::SendMessageW(list(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    const POINT item = ItemCenter(0);
    input.MoveTo(item.x, item.y);
    log.Clear();
    input.RightDown();
    input.RightUp();
    EXPECT_TRUE(PumpUntil([&] { return log.Count(WM_RBUTTONUP) == 1; }, 2000)) << "the list gets its release";
}

// The store beside this test program (the product's module folder here): one favourite,
// removed again at the end.
class LinksBesideProgram {
public:
    LinksBesideProgram() {
        wchar_t path[MAX_PATH];
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        folder_ = path;
        folder_ = folder_.substr(0, folder_.find_last_of(L'\\')) + L"\\Links";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        test::SaveShortcut(folder_ + L"\\00.lnk", L"C:\\windows");
    }
    ~LinksBesideProgram() {
        ::DeleteFileW((folder_ + L"\\00.lnk").c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

private:
    std::wstring folder_;
};

TEST_F(FolderDispatch, ChoosingAFavouriteFromTheWheelMenuNavigatesThere) {
    LinksBesideProgram store;
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    test::MenuDriver choose({VK_DOWN, VK_RETURN});
    input.Wheel(-120);
    EXPECT_TRUE(PumpUntil([&] { return choose.ran; }, 3000));
    input.RightUp();
    ASSERT_EQ(v.browser.navigations.size(), 1u);
    const test::RecordedVariant& target = v.browser.navigations[0].target;
    EXPECT_EQ(target.vt, VT_ARRAY | VT_UI1);
    EXPECT_TRUE(v.browser.navigations[0].restEmpty);
    PIDLIST_ABSOLUTE windows = nullptr;
    ASSERT_TRUE(SUCCEEDED(::SHParseDisplayName(L"C:\\windows", nullptr, &windows, 0, nullptr)));
    EXPECT_TRUE(::ILIsEqual(reinterpret_cast<PCIDLIST_ABSOLUTE>(target.bytes.data()), windows));
    ::CoTaskMemFree(windows);
}

TEST_F(FolderDispatch, WithoutAViewEveryMessagePasses) {
    v.browser.hwndResult = E_FAIL;
    const POINT p = Empty();
    input.MoveTo(p.x, p.y);
    log.Clear();
    input.RightDown();
    input.RightUp();
    PumpFor(50);
    EXPECT_EQ(log.Count(WM_RBUTTONDOWN), 1u);
    EXPECT_EQ(s().ViewKind, ViewNone);
}

class PageDispatch : public Dispatch {
protected:
    void SetUp() override {
        Dispatch::SetUp();
        {
            test::BrowserVersionOverride untabbed(L"6.0.2900.2180");
            view = std::make_unique<AttachedView>(kPagePath, kViewFrame);
        }
        log = std::make_unique<MouseLog>(view->window.view());
        view->browser.document = &document;
        // The page: a link in the top-left quarter of the view, plain page elsewhere.
        RECT r{};
        ::GetClientRect(view->window.view(), &r);
        page.kind = test::FakeElement::Plain;
        link.kind = test::FakeElement::Anchor;
        link.href = L"http://example.invalid/next";
        link.parent = &page;
        document.Place(page, r);
        document.Place(link, RECT{0, 0, r.right / 2, r.bottom / 2});
    }
    void TearDown() override {
        log.reset();
        view.reset();
        Dispatch::TearDown();
    }
    POINT OnLink() {
        RECT r{};
        ::GetWindowRect(view->window.view(), &r);
        return {r.left + 40, r.top + 40};
    }
    POINT OffLink() {
        RECT r{};
        ::GetWindowRect(view->window.view(), &r);
        return {r.right - 40, r.bottom - 40};
    }
    test::FakeDocument document;
    test::FakeElement page, link;
    std::unique_ptr<AttachedView> view;
    std::unique_ptr<MouseLog> log;
};

TEST_F(PageDispatch, AMiddleClickOnALinkIsReplayedAsALeftClickForANewWindow) {
    ASSERT_EQ(view->session().TabbedBrowser, 0) << "the test prefix reports no tabbed browser";
    const POINT p = OnLink();
    input.MoveTo(p.x, p.y);
    log->Clear();
    input.MiddleDown();
    input.MiddleUp();
    ASSERT_TRUE(PumpUntil([&] { return log->Count(WM_LBUTTONUP) == 1; }, 2000));
    EXPECT_EQ(log->Count(WM_MBUTTONDOWN), 0u);
    EXPECT_EQ(log->Count(WM_MBUTTONUP), 0u);
    EXPECT_EQ(view->session().NewWindowPending, 1);

    const POINT q = OffLink();
    input.MoveTo(q.x, q.y);
    log->Clear();
    input.MiddleDown();
    input.MiddleUp();
    PumpFor(50);
    EXPECT_EQ(log->Count(WM_MBUTTONDOWN), 1u) << "outside links the middle press keeps its meaning";
    EXPECT_EQ(log->Count(WM_LBUTTONDOWN), 0u);
}

TEST_F(PageDispatch, WithoutTheFlagAMiddleClickOnALinkDoesNothingAtAll) {
    settings.Set(Field::DefaultActionFlags, 15 & ~MiddleClickNewWindow);
    const POINT p = OnLink();
    input.MoveTo(p.x, p.y);
    log->Clear();
    input.MiddleDown();
    input.MiddleUp();
    PumpFor(50);
    EXPECT_EQ(log->Count(WM_MBUTTONDOWN), 0u);
    EXPECT_EQ(log->Count(WM_MBUTTONUP), 0u);
    EXPECT_EQ(log->Count(WM_LBUTTONDOWN), 0u);
    EXPECT_EQ(view->session().NewWindowPending, 0);
}

TEST_F(PageDispatch, SidewaysScrollingAndNoContextMenuAfterIt) {
    settings.Set(Field::BrowserWheelAction, 2);
    const POINT p = OffLink();
    input.MoveTo(p.x, p.y);
    input.RightDown();
    input.Wheel(120);
    input.Wheel(-240);
    log->Clear();
    input.RightUp();
    PumpFor(50);
    ASSERT_EQ(document.window.scrolls.size(), 2u);
    EXPECT_EQ(document.window.scrolls[0].x, -50);
    EXPECT_EQ(document.window.scrolls[1].x, 100);
    EXPECT_EQ(document.window.scrolls[1].y, 0);
    EXPECT_EQ(log->Count(WM_RBUTTONDOWN), 0u) << "no right click is replayed";
}

TEST_F(PageDispatch, OtherWheelActionsLetTheWheelThrough) {
    for (int32_t action : {0, 1, 3}) {
        settings.Set(Field::BrowserWheelAction, action);
        const POINT p = OffLink();
        input.MoveTo(p.x, p.y);
        input.RightDown();
        log->Clear();
        input.Wheel(120);
        EXPECT_EQ(log->Count(WM_MOUSEWHEEL), 1u) << action;
        input.RightUp();
    }
    EXPECT_TRUE(document.window.scrolls.empty());
}

TEST_F(PageDispatch, DoubleClickOnALinkIsNotEmptySpace) {
    settings.Set(Field::BlankDoubleClickAction, 2);
    const POINT p = OnLink();
    input.MoveTo(p.x, p.y);
    input.DoubleClick();
    PumpFor(100);
    EXPECT_EQ(view->session().GesturesOff, 0);
    const POINT q = OffLink();
    input.MoveTo(q.x, q.y);
    input.DoubleClick();
    EXPECT_TRUE(PumpUntil([&] { return view->session().GesturesOff == 1; }, 2000));
}

// Internet Explorer 7 and later: the tab strip takes the wheel, the browser the middle
// clicks.
class TabbedDispatch : public Dispatch {
protected:
    void SetUp() override {
        Dispatch::SetUp();
        {
            test::BrowserVersionOverride tabbed(L"7.0.5730.11");
            view = std::make_unique<AttachedView>(kTabbedPagePath, kViewFrame);
        }
        // The tab band: CommandBarClass / ReBarWindow32 / TabBandClass across the top.
        HWND parent = view->window.frame();
        for (const wchar_t* cls : {L"CommandBarClass", L"ReBarWindow32", L"TabBandClass"}) {
            test::EnsureClass(cls);
            parent = ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE, 0, 0, 500, 30, parent, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
        }
        band = parent;
        ::SetWindowPos(view->window.child(0), HWND_BOTTOM, 0, 40, 500, 360, 0);
        keyHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, &KeyHook, ::GetModuleHandleW(nullptr), 0);
        keys().clear();
    }
    void TearDown() override {
        ::UnhookWindowsHookEx(keyHook);
        view.reset();
        Dispatch::TearDown();
    }
    struct Key {
        DWORD vk;
        DWORD flags;
    };
    static std::vector<Key>& keys() {
        static std::vector<Key> seen;
        return seen;
    }
    static LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION) {
            const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
            keys().push_back({k->vkCode, k->flags});
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    std::unique_ptr<AttachedView> view;
    HWND band = nullptr;
    HHOOK keyHook = nullptr;
};

TEST_F(TabbedDispatch, TheWheelOverTheTabStripSwitchesTabs) {
    ASSERT_EQ(view->session().TabbedBrowser, 1);
    RECT r{};
    ::GetWindowRect(band, &r);
    input.MoveTo(r.left + 100, r.top + 10);
    input.Wheel(120);  // away from the user: previous tab
    ASSERT_TRUE(PumpUntil([&] { return keys().size() >= 6; }, 2000));
    const std::vector<DWORD> expected{VK_CONTROL, VK_SHIFT, VK_TAB, VK_TAB, VK_SHIFT, VK_CONTROL};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(keys()[i].vk, expected[i]) << i;
        EXPECT_EQ((keys()[i].flags & LLKHF_UP) != 0, i >= 3) << i;
        EXPECT_NE(keys()[i].flags & LLKHF_EXTENDED, 0u) << i;
    }
    keys().clear();
    input.Wheel(-120);  // toward the user: next tab
    ASSERT_TRUE(PumpUntil([&] { return keys().size() >= 4; }, 2000));
    EXPECT_EQ(keys()[0].vk, static_cast<DWORD>(VK_CONTROL));
    EXPECT_EQ(keys()[1].vk, static_cast<DWORD>(VK_TAB));
}

TEST_F(TabbedDispatch, MiddleClicksAreLeftToTheBrowser) {
    MouseLog log(view->window.view());
    const POINT c = view->window.ViewCenter();
    input.MoveTo(c.x, c.y);
    input.MiddleDown();
    input.MiddleUp();
    PumpFor(50);
    EXPECT_EQ(log.Count(WM_MBUTTONDOWN), 1u);
    EXPECT_EQ(log.Count(WM_MBUTTONUP), 1u);
}

}  // namespace
}  // namespace cc
