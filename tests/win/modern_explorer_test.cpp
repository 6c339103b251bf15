// Folder windows laid out as Explorer builds them since Windows 7: the shell view nested
// deep under the tab, its items in a list-view control or in a DirectUI items view (the
// stand-in, answering through Active Accessibility). Everything through the real hook
// with real input.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>

#include <wrl/client.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actions/executor.h"
#include "attached_view.h"
#include "common/dpi.h"
#include "gesture/dispatch.h"
#include "gesture/view_locator.h"
#include "launch_recorder.h"
#include "settings/action_catalogue.h"
#include "stand_in_view.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

using test::AccessibleBehaviour;
using test::Input;
using test::PumpFor;
using test::PumpUntil;

// Between the tab and the shell view; the view itself is made by the test.
const std::initializer_list<const wchar_t*> kTabChain{L"ShellTabWindowClass", L"DUIViewWndClassName", L"DirectUIHWND",
                                                     L"CtrlNotifySink"};

HWND MakeChild(HWND parent, const wchar_t* cls) {
    RECT r{};
    ::GetClientRect(parent, &r);
    return ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | (cls == std::wstring(WC_LISTVIEWW) ? LVS_ICON : 0),
                             0, 0, r.right, r.bottom, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

// A real folder with two subfolders and a file, for the stand-in view to show.
class TempFolder {
public:
    TempFolder() {
        wchar_t temp[MAX_PATH] = L"";
        ::GetTempPathW(MAX_PATH, temp);
        path = std::wstring(temp) + L"cc_modern_" + std::to_wstring(::GetCurrentProcessId());
        std::filesystem::create_directories(path + L"\\Sub");
        std::filesystem::create_directories(path + L"\\Another");
        HANDLE file = ::CreateFileW((path + L"\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::wstring path;
};

// Mouse input sent in one SendInput call, each event with its pointer position, then
// pumped until the queue is empty. `mark` goes into every event's dwExtraInfo.
struct MouseEvent {
    DWORD flags;  // MOUSEEVENTF_ button flags, or 0 for a move
    POINT at;
};
void SendEvents(std::initializer_list<MouseEvent> events, uintptr_t mark = 0) {
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> inputs;
    for (const MouseEvent& e : events) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((e.at.x * 65536LL + 32768) / w);
        in.mi.dy = static_cast<LONG>((e.at.y * 65536LL + 32768) / h);
        in.mi.dwFlags = e.flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in.mi.dwExtraInfo = mark;
        inputs.push_back(in);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0; }, 2000);
}
void SendMarked(std::initializer_list<MouseEvent> events) { SendEvents(events, kInjectedInputMark); }

enum class Items { ListView, DirectUI };

// One tab of a folder window: the chain under the frame, its shell view, a browser whose
// shell browser answers that view, and the product's object attached to it.
class Tab {
public:
    Tab(HWND frame, Items items, const std::wstring& folder, AccessibleBehaviour behaviour = AccessibleBehaviour::ChildIds) {
        HWND parent = frame;
        for (const wchar_t* cls : kTabChain) {
            test::EnsureClass(cls);
            parent = MakeChild(parent, cls);
            if (!top) top = parent;
        }
        if (items == Items::ListView) {
            test::EnsureClass(L"SHELLDLL_DefView");
            HWND view = MakeChild(parent, L"SHELLDLL_DefView");
            itemsWindow = MakeChild(view, WC_LISTVIEWW);
            test::AddListItems(itemsWindow, 3);
            shell.viewWindow = view;
        } else {
            RECT r{};
            ::GetClientRect(parent, &r);
            standIn = std::make_unique<test::StandInShellView>(parent, r, folder.c_str());
            standIn->items()->behaviour = behaviour;
            itemsWindow = standIn->items()->hwnd();
            shell.activeView = standIn.get();
        }
        browser.topLevel = frame;
        browser.shellBrowser = &shell;
        if (SUCCEEDED(CGestureCore::Create(IID_PPV_ARGS(&object)))) {
            attachResult = object->SetSite(static_cast<IWebBrowser2*>(&browser));
        }
    }
    ~Tab() {
        if (object) {
            browser.Fire(DISPID_ONQUIT);
            object->SetSite(nullptr);
            object.Reset();
        }
        standIn.reset();
    }
    const GestureSession& session() const { return static_cast<CGestureCore*>(object.Get())->session(); }
    test::StandInItemsView& standInItems() { return *standIn->items(); }
    POINT Centre() const {
        RECT r{};
        ::GetWindowRect(itemsWindow, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Show(bool on) { ::ShowWindow(top, on ? SW_SHOW : SW_HIDE); }

    HWND top = nullptr;  // the tab's own window
    HWND itemsWindow = nullptr;
    test::FakeShellBrowser shell;
    test::FakeBrowser browser;
    std::unique_ptr<test::StandInShellView> standIn;
    ComPtr<IObjectWithSite> object;
    HRESULT attachResult = E_FAIL;
};

class ModernExplorer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        test::EnsureClass(L"CabinetWClass");
        frame_.reset(::CreateWindowExW(0, L"CabinetWClass", L"folder", WS_POPUP | WS_VISIBLE, 200, 150, 500, 400,
                                       nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    }
    void TearDown() override { ::CoUninitialize(); }
    HWND frame() const { return frame_.get(); }
    void GestureLeft(POINT at) {
        input.MoveTo(at.x, at.y);
        input.RightDown();
        input.MoveTo(at.x - 20, at.y);
        input.MoveTo(at.x - 80, at.y);
        input.RightUp();
        PumpFor(::GetDoubleClickTime() + 50);
    }

    unique_hwnd frame_;  // destroyed after the tabs
    test::SharedSettings settings;
    TempFolder folder;
    Input input;
};

// The class paths decide wherever they match; the shell view is asked only where they
// find nothing, and its items window is the list-view control or else the DirectUI view.
TEST_F(ModernExplorer, TheViewIsFoundThroughTheShellViewOnlyWhereTheClassPathsFindNothing) {
    Tab list(frame(), Items::ListView, folder.path);
    EXPECT_EQ(LocateView(&list.browser, true).view, list.itemsWindow);
    EXPECT_EQ(LocateView(&list.browser, true).kind, ViewFolderList);
    list.Show(false);

    Tab directUI(frame(), Items::DirectUI, folder.path);
    EXPECT_EQ(LocateView(&directUI.browser, true).view, directUI.itemsWindow);
    EXPECT_EQ(LocateView(&directUI.browser, true).kind, ViewFolderList);

    directUI.shell.noView = true;
    EXPECT_EQ(LocateView(&directUI.browser, true).kind, ViewNone) << "a shell browser without a view";
    directUI.shell.noView = false;
    directUI.browser.shellBrowser = nullptr;
    EXPECT_EQ(LocateView(&directUI.browser, true).kind, ViewNone) << "a browser without a shell browser";
    directUI.browser.shellBrowser = &directUI.shell;

    test::StandInShellView empty(directUI.top, RECT{0, 0, 100, 100}, folder.path.c_str(), 12, false);
    directUI.shell.activeView = &empty;
    EXPECT_EQ(LocateView(&directUI.browser, true).kind, ViewNone) << "a view window without an items window";
    directUI.shell.activeView = directUI.standIn.get();

    // A page container has decided already (no page view in it: no view at all) ...
    test::EnsureClass(L"TabWindowClass");
    unique_hwnd pageTab(MakeChild(frame(), L"TabWindowClass"));
    EXPECT_EQ(LocateView(&directUI.browser, true).kind, ViewNone);
    pageTab.reset();
    // ... and so has the flat folder path when it matches.
    test::EnsureClass(L"SHELLDLL_DefView");
    unique_hwnd flatView(MakeChild(frame(), L"SHELLDLL_DefView"));
    HWND flatList = MakeChild(flatView.get(), WC_LISTVIEWW);
    EXPECT_EQ(LocateView(&directUI.browser, true).view, flatList);
    flatView.reset();
    EXPECT_EQ(empty.refs, 1);
    EXPECT_EQ(directUI.standIn->refs, 1) << "every reference to the view was given back";
}

// In both kinds of items view a gesture runs its action and a plain right click reaches
// the view as a click the view takes for real, whatever its accessible object does.
class EveryItemsView : public ModernExplorer, public ::testing::WithParamInterface<int> {};

TEST_P(EveryItemsView, GesturesRunAndAPlainRightClickReachesTheView) {
    const bool directUI = GetParam() > 0;
    const auto behaviour = static_cast<AccessibleBehaviour>(directUI ? GetParam() - 1 : 0);
    Tab tab(frame(), directUI ? Items::DirectUI : Items::ListView, folder.path, behaviour);
    ASSERT_EQ(tab.attachResult, S_OK);
    const POINT c = tab.Centre();
    GestureLeft({c.x + 100, c.y + 100});
    EXPECT_EQ(tab.browser.Count("GoBack"), 1u);
    EXPECT_EQ(tab.session().TargetView, tab.itemsWindow);

    std::unique_ptr<test::MouseLog> log;
    if (!directUI) log = std::make_unique<test::MouseLog>(tab.itemsWindow);
    input.MoveTo(c.x + 60, c.y + 120);
    input.RightDown();
    input.RightUp();
    if (directUI) {
        EXPECT_TRUE(PumpUntil([&] { return tab.standInItems().contextMenus == 1; }, 3000));
        EXPECT_EQ(tab.standInItems().ignoredPresses, 0);
    } else {
        // A list-view control gets the posted pair, as ever.
        EXPECT_TRUE(PumpUntil([&] { return log->Count(WM_RBUTTONUP) == 1; }, 3000));
        EXPECT_EQ(log->Count(WM_RBUTTONDOWN), 1u);
    }
    PumpFor(::GetDoubleClickTime());

    // Input that carries the product's mark is never the user's: the same stroke drawn
    // with it is no gesture, and its messages reach the view.
    SendMarked({{MOUSEEVENTF_RIGHTDOWN, {c.x, c.y}}});
    SendMarked({{0, {c.x - 30, c.y}}});
    SendMarked({{0, {c.x - 90, c.y}}});
    SendMarked({{MOUSEEVENTF_RIGHTUP, {c.x - 90, c.y}}});
    EXPECT_EQ(tab.browser.Count("GoBack"), 1u);
    if (directUI) {
        EXPECT_EQ(tab.standInItems().contextMenus, 2);
    } else {
        EXPECT_EQ(log->Count(WM_RBUTTONDOWN), 2u);
    }
}

// 0: list view; 1..4: the DirectUI view with each accessible behaviour.
INSTANTIATE_TEST_SUITE_P(ListAndDirectUI, EveryItemsView, ::testing::Values(0, 1, 2, 3, 4));

// A right click given back to a DirectUI view, seen from the view.
class GivenBack : public ModernExplorer {
protected:
    void SetUp() override {
        ModernExplorer::SetUp();
        made = std::make_unique<Tab>(frame(), Items::DirectUI, folder.path);
    }
    void TearDown() override {
        made.reset();
        ModernExplorer::TearDown();
    }
    std::vector<UINT>& seen() { return tab().standInItems().rightButtonMessages; }
    // Waits for `count` context menus, then checks that nothing more arrives for 2 s.
    void ExpectQuietAfter(int count) {
        EXPECT_TRUE(PumpUntil([&] { return tab().standInItems().contextMenus >= count; }, 3000));
        const size_t settled = seen().size();
        PumpFor(2000);
        EXPECT_EQ(seen().size(), settled) << "no right-button message after the last given-back click";
        EXPECT_EQ(tab().standInItems().contextMenus, count) << "one context menu a click";
        EXPECT_GE(::GetAsyncKeyState(VK_RBUTTON), 0) << "no button left down";
    }
    Tab& tab() { return *made; }
    std::unique_ptr<Tab> made;
};

TEST_F(GivenBack, TwoClicksQueuedTogetherAreEachGivenBackOnceAndThenAllIsQuiet) {
    const POINT c = tab().Centre();
    // Both clicks are in the queue before the first release is handled, as on a busy thread.
    SendEvents({{MOUSEEVENTF_RIGHTDOWN, c}, {MOUSEEVENTF_RIGHTUP, c}, {MOUSEEVENTF_RIGHTDOWN, c}, {MOUSEEVENTF_RIGHTUP, c}});
    ExpectQuietAfter(2);
    EXPECT_LE(seen().size(), 4u) << "at most one given-back pair a click";
    // The pointer stays where the user puts it next.
    const POINT next{c.x + 70, c.y + 40};
    input.MoveTo(next.x, next.y);
    PumpFor(500);
    POINT now{};
    ::GetCursorPos(&now);
    EXPECT_EQ(now.x, next.x);
    EXPECT_EQ(now.y, next.y);
}

TEST_F(GivenBack, AClickIsGivenBackAsAPressAndAQuickSecondClickAsAnotherClick) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"DirectUIHWND", &cls));
    ASSERT_TRUE(cls.style & CS_DBLCLKS) << "the stand-in, like the real view, takes double-clicks";
    const POINT c = tab().Centre();
    input.MoveTo(c.x, c.y);
    input.RightDown();
    input.RightUp();
    ExpectQuietAfter(1);
    EXPECT_EQ(seen(), (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP})) << "what a plain right click gives a view";

    // The user's own second click inside the double-click time, where the first was given
    // back (its release a few pixels from its press, inside the dead zone): the system
    // makes it a double-click, which is a press like any other, given back once.
    seen().clear();
    tab().standInItems().contextMenus = 0;
    PumpFor(::GetDoubleClickTime() + 50);
    input.RightDown();
    input.MoveTo(c.x + 8, c.y);
    input.RightUp();
    input.RightDown();
    input.RightUp();
    ExpectQuietAfter(2);
    EXPECT_EQ(seen(), (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}));
}

// SendInput that inserts only some of what it is given, recording every call.
std::vector<std::vector<DWORD>> g_sendCalls;  // the button flags of each call's events
std::vector<UINT> g_sendAnswers;              // what each call answers, in turn
UINT WINAPI CountingSendInput(UINT count, LPINPUT inputs, int) {
    std::vector<DWORD> flags;
    for (UINT i = 0; i < count; ++i) {
        EXPECT_EQ(inputs[i].mi.dwExtraInfo, kInjectedInputMark);
        flags.push_back(inputs[i].mi.dwFlags & (MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP));
    }
    g_sendCalls.push_back(flags);
    const UINT answer = g_sendCalls.size() <= g_sendAnswers.size() ? g_sendAnswers[g_sendCalls.size() - 1] : count;
    return answer;
}

TEST(GivenBackInput, APressWithoutItsReleaseGetsTheReleaseAloneAndNothingInsertedIsNothingSent) {
    const SendInputFn real = SetSendInputForTest(&CountingSendInput);
    const struct {
        std::vector<UINT> answers;
        bool sent;
        std::vector<std::vector<DWORD>> calls;
    } cases[] = {
        {{2}, true, {{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}}},
        {{1, 1}, true, {{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}, {MOUSEEVENTF_RIGHTUP}}},
        {{0}, false, {{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}}},
    };
    for (const auto& c : cases) {
        g_sendCalls.clear();
        g_sendAnswers = c.answers;
        EXPECT_EQ(ReplayRightClickAsInput(nullptr, POINT{10, 10}), c.sent);
        EXPECT_EQ(g_sendCalls, c.calls) << "answers " << c.answers[0];
    }
    SetSendInputForTest(real);
}

TEST_F(ModernExplorer, AGivenBackClickLandsOnTheScreensEdgePixels) {
    // A window over the whole screen takes the clicks.
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    test::EnsureClass(L"CursorCadenceTestCover");
    unique_hwnd cover(::CreateWindowExW(WS_EX_TOPMOST, L"CursorCadenceTestCover", L"", WS_POPUP | WS_VISIBLE, 0, 0, w, h,
                                        nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    for (const POINT p : {POINT{0, 0}, POINT{w - 1, h - 1}, POINT{0, h - 1}, POINT{w - 1, 0}}) {
        ASSERT_TRUE(ReplayRightClickAsInput(nullptr, p));
        PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0; }, 2000);
        POINT now{};
        ::GetCursorPos(&now);
        EXPECT_EQ(now.x, p.x);
        EXPECT_EQ(now.y, p.y);
        PumpFor(::GetDoubleClickTime());
    }
}

// A view made by a thread switched to DPI-unaware has coordinates the system scales; a
// click given back at one of its points lands on the physical point it names.
TEST_F(ModernExplorer, AGivenBackClickLandsOnThePhysicalPointOfAnUnawareViewAtTheScreensScale) {
    const UINT dpi = WindowDpi(nullptr);
    if (dpi < 144) GTEST_SKIP() << "needs a scaled screen";
    test::EnsureClass(L"CursorCadenceTestCover");
    unique_hwnd view;
    {
        const ThreadDpiContextScope unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
        ASSERT_TRUE(unaware.active());
        view.reset(::CreateWindowExW(WS_EX_TOPMOST, L"CursorCadenceTestCover", L"", WS_POPUP | WS_VISIBLE, 100, 100,
                                     300, 300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    }
    ASSERT_EQ(WindowDpi(view.get()), 96u);
    ASSERT_TRUE(ReplayRightClickAsInput(view.get(), POINT{130, 140}));
    PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0; }, 2000);
    POINT now{};
    ::GetCursorPos(&now);
    EXPECT_EQ(now.x, ScaleForDpi(130, dpi));
    EXPECT_EQ(now.y, ScaleForDpi(140, dpi));
}

// The items of a DirectUI view, asked through its accessible object in either answer
// shape; where the object cannot say, a press counts as one on an unselected item and a
// double-click as one on an item.
class DirectUIItems : public ModernExplorer, public ::testing::WithParamInterface<AccessibleBehaviour> {};

TEST_P(DirectUIItems, SelectedItemsAndEmptySpaceAreKnownOnlyWhereTheViewSaysSo) {
    const bool answers = GetParam() != AccessibleBehaviour::NoObject && GetParam() != AccessibleBehaviour::Failing;
    // A list nested in a group of the view may lie anywhere in it: its blank is unknown.
    const bool blankKnown = answers && GetParam() != AccessibleBehaviour::NestedList;
    Tab tab(frame(), Items::DirectUI, folder.path, GetParam());
    test::StandInItemsView& items = tab.standInItems();
    ASSERT_GE(items.items.size(), 3u);
    items.items[0].selected = true;
    items.Invalidate();

    settings.Set(Field::NoStartOnSelectedItem, 1);
    const POINT selected = items.ItemCentre(0);
    input.MoveTo(selected.x, selected.y);
    input.RightDown();
    EXPECT_EQ(tab.session().Tracking, answers ? 0 : 1) << "a press on the selected item";
    input.RightUp();
    PumpFor(::GetDoubleClickTime() + 50);
    const POINT unselected = items.ItemCentre(1);
    input.MoveTo(unselected.x, unselected.y);
    input.RightDown();
    EXPECT_EQ(tab.session().Tracking, 1) << "a press on an unselected item starts a gesture";
    input.RightUp();
    PumpFor(::GetDoubleClickTime() + 50);

    settings.Set(Field::BlankDoubleClickAction, 1);
    settings.Set(Field::UpFolderByPath, 1);
    tab.browser.locationUrl = L"file:///C:/windows/system32";
    input.DoubleClickAt(items.ItemCentre(2));
    PumpFor(100);
    EXPECT_TRUE(tab.browser.navigations.empty()) << "a double-click on an item";
    input.DoubleClickAt(items.EmptyPoint());
    PumpFor(100);
    EXPECT_EQ(tab.browser.navigations.size(), blankKnown ? 1u : 0u) << "a double-click on empty space";
}

INSTANTIATE_TEST_SUITE_P(EveryAccessibleObject, DirectUIItems,
                         ::testing::Values(AccessibleBehaviour::ChildIds, AccessibleBehaviour::ChildObjects,
                                           AccessibleBehaviour::NoObject, AccessibleBehaviour::Failing,
                                           AccessibleBehaviour::NestedList));

// A DirectUI view does not navigate on a single click: a folder under a middle click is
// opened in a new window here; a file or empty space takes the usual road.
// The scroll rows move a DirectUI items view, which ignores WM_VSCROLL: the ends through
// the shell view, a page with the wheel; the selection stays as the user left it.
TEST_F(ModernExplorer, ScrollRowsMoveADirectUIViewAndLeaveItsSelectionAlone) {
    Tab tab(frame(), Items::DirectUI, L"C:\\windows\\system32");
    test::StandInItemsView& view = tab.standInItems();
    ASSERT_GT(view.rowCount, 3 * view.visibleRows) << "a folder of several pages";
    view.items[0].selected = view.items[2].selected = true;
    alignas(4) std::array<int32_t, kSettingsInts> block{};
    const SettingsView settings(block.data());
    ApplyDefaults(settings);
    GestureSession session;
    session.TargetView = tab.itemsWindow;
    session.ViewKind = ViewFolderList;
    session.StrokeCount = 1;
    session.Strokes[0] = StrokeRight;
    const auto run = [&](int action) {
        for (int k = 0; k < kExplorerActionCount; ++k) settings.SetStrokeCount(ActionList::Explorer, k, 0);
        settings.WriteGesture(ActionList::Explorer, action, Gesture{1, {StrokeRight}});
        RunBoundAction(GestureContext{&session, settings, nullptr, &tab.browser});
        return view.firstRow;
    };
    const int last = view.rowCount - view.visibleRows;
    EXPECT_EQ(run(ExplorerScrollBottom), last);
    const int page = last - run(ExplorerPageUp);
    EXPECT_GE(page, 1);
    EXPECT_LE(page, view.visibleRows) << "a page turned never skips rows";
    EXPECT_EQ(run(ExplorerPageDown), last);
    EXPECT_EQ(run(ExplorerScrollTop), 0);
    for (size_t i = 0; i < view.items.size(); ++i) EXPECT_EQ(view.items[i].selected, i == 0 || i == 2) << i;
    EXPECT_EQ(tab.standIn->refs, 1);
}

TEST_F(ModernExplorer, AMiddleClickOpensAFolderOfADirectUIViewInANewWindow) {
    test::LaunchRecorder launches;
    Tab tab(frame(), Items::DirectUI, folder.path, AccessibleBehaviour::ChildObjects);
    test::StandInItemsView& items = tab.standInItems();
    const int sub = tab.standIn->Find(L"Sub");
    ASSERT_GE(sub, 0);
    int file = -1;
    for (size_t i = 0; i < items.items.size(); ++i) {
        if (items.items[i].name != L"Sub" && items.items[i].name != L"Another") file = static_cast<int>(i);
    }
    ASSERT_GE(file, 0);
    auto middleClick = [&](POINT p) {
        input.MoveTo(p.x, p.y);
        input.MiddleDown();
        input.MiddleUp();
        PumpFor(50);
    };
    middleClick(items.ItemCentre(sub));
    ASSERT_EQ(launches.count(), 1u);
    EXPECT_EQ(launches.launches()[0].file, L"explorer.exe");
    const std::wstring expected = L"/n, file:///" + folder.path + L"\\Sub";
    EXPECT_EQ(_wcsicmp(launches.launches()[0].parameters.c_str(), expected.c_str()), 0)
        << launches.launches()[0].parameters.c_str();
    EXPECT_EQ(tab.session().NewWindowPending, 0);

    for (const POINT p : {items.ItemCentre(file), items.EmptyPoint()}) {
        middleClick({p.x + 5, p.y});
        EXPECT_EQ(tab.session().NewWindowPending, 1) << "the usual road: a posted click, then the navigation";
        EXPECT_EQ(launches.count(), 1u);
        PumpFor(::GetDoubleClickTime());
    }
}

// Tabs of one window on one thread, each with its own object: a gesture acts on the
// browser of the tab it was drawn in.
TEST_F(ModernExplorer, TwoTabsOfOneWindowOnOneThreadEachGetTheirOwnGestures) {
    Tab first(frame(), Items::ListView, folder.path);
    first.Show(false);
    Tab second(frame(), Items::DirectUI, folder.path);
    ASSERT_EQ(first.attachResult, S_OK);
    ASSERT_EQ(second.attachResult, S_FALSE);
    const POINT c = second.Centre();
    GestureLeft({c.x + 100, c.y + 100});
    EXPECT_EQ(second.browser.Count("GoBack"), 1u);
    EXPECT_EQ(first.browser.Count("GoBack"), 0u);
    second.Show(false);
    first.Show(true);
    GestureLeft({c.x + 100, c.y + 100});
    EXPECT_EQ(first.browser.Count("GoBack"), 1u);
    EXPECT_EQ(second.browser.Count("GoBack"), 1u);
}

}  // namespace
}  // namespace cc
