// Every row of both action tables, run on real windows against the recording browser:
// automation calls, window commands, scroll messages, key chords seen as real keyboard
// input, the tab bar's private messages and the programs that would be started.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <atomic>
#include <thread>

#include "actions/executor.h"
#include "attach/instance_list.h"
#include "attached_view.h"
#include "launch_recorder.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

using test::HostWindow;
using test::MouseLog;
using test::PumpUntil;

struct KeyEvent {
    DWORD vk;
    bool up;
    bool extended;
    bool operator==(const KeyEvent&) const = default;
};

std::vector<KeyEvent>& Keys() {
    static std::vector<KeyEvent> keys;
    return keys;
}

LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        Keys().push_back({k->vkCode, (k->flags & LLKHF_UP) != 0, (k->flags & LLKHF_EXTENDED) != 0});
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The chord as the keyboard sees it: presses in order, releases in reverse, all extended.
std::vector<KeyEvent> ChordEvents(std::initializer_list<DWORD> keys) {
    std::vector<KeyEvent> events;
    for (DWORD k : keys) events.push_back({k, false, true});
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) events.push_back({*it, true, true});
    return events;
}

DWORD KeyOf(wchar_t c) { return static_cast<DWORD>(::VkKeyScanW(c) & 0xFF); }

class Executor : public ::testing::Test {
protected:
    void SetUp() override {
        ApplyDefaults(settings());
        browser.topLevel = window.frame();
        browser.locationUrl = L"file:///C:/Windows";
        session.TargetView = window.view();
        viewLog.alsoRecord = {WM_VSCROLL};
        keyHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, &KeyHook, ::GetModuleHandleW(nullptr), 0);
        Keys().clear();
    }
    void TearDown() override {
        ::UnhookWindowsHookEx(keyHook);
        EXPECT_EQ(browser.refs, 1);
    }
    SettingsView settings() { return SettingsView(block.data()); }

    // Binds "right" to action `id` of the view's list alone, records "right", runs it.
    HRESULT Run(int32_t viewKind, int id, bool tabbed = true) {
        const ActionList list = viewKind == ViewFolderList ? ActionList::Explorer : ActionList::Browser;
        for (int k = 0; k < ActionCount(list); ++k) settings().SetStrokeCount(list, k, 0);
        settings().WriteGesture(list, id, Gesture{1, {StrokeRight}});
        session.ViewKind = viewKind;
        session.TabbedBrowser = tabbed ? 1 : 0;
        session.StrokeCount = 1;
        session.Strokes[0] = StrokeRight;
        browser.calls.clear();
        Keys().clear();
        return RunBoundAction(GestureContext{&session, settings(), nullptr, &browser});
    }
    std::vector<KeyEvent> KeysSeen(size_t expected) {
        PumpUntil([&] { return Keys().size() >= expected; }, 2000);
        test::PumpFor(20);
        return Keys();
    }
    std::vector<std::string> BrowserCalls() {
        std::vector<std::string> calls;
        for (const auto& c : browser.calls) {
            if (c != "get_HWND") calls.push_back(c);
        }
        return calls;
    }

    alignas(4) std::array<int32_t, kSettingsInts> block{};
    HostWindow window{{L"SHELLDLL_DefView", WC_LISTVIEWW}, RECT{200, 150, 700, 550}, 3};
    MouseLog viewLog{window.view()};
    test::FakeBrowser browser;
    GestureSession session;
    test::LaunchRecorder launches;
    HHOOK keyHook = nullptr;
};

TEST_F(Executor, NothingRunsForNoMatchOrNoStrokesOrAFailedWindowQuery) {
    ApplyDefaults(settings());
    session.ViewKind = ViewFolderList;
    session.StrokeCount = 2;
    session.Strokes[0] = StrokeRight;
    session.Strokes[1] = StrokeLeft;  // bound to nothing
    EXPECT_EQ(RunBoundAction(GestureContext{&session, settings(), nullptr, &browser}), S_OK);
    session.StrokeCount = 0;
    EXPECT_EQ(RunBoundAction(GestureContext{&session, settings(), nullptr, &browser}), S_OK);
    EXPECT_EQ(BrowserCalls().size(), 0u);
    browser.hwndResult = E_ACCESSDENIED;
    EXPECT_EQ(Run(ViewFolderList, 1), E_ACCESSDENIED);
    EXPECT_EQ(BrowserCalls().size(), 0u);
    EXPECT_TRUE(launches.launches().empty());
}

TEST_F(Executor, TiesGoToTheLowerIdentifier) {
    ApplyDefaults(settings());
    settings().WriteGesture(ActionList::Explorer, 4, Gesture{1, {StrokeLeft}});  // refresh, like back
    session.ViewKind = ViewFolderList;
    session.StrokeCount = 1;
    session.Strokes[0] = StrokeLeft;
    RunBoundAction(GestureContext{&session, settings(), nullptr, &browser});
    EXPECT_EQ(BrowserCalls(), std::vector<std::string>{"GoBack"});
}

TEST_F(Executor, ExplorerAutomationRows) {
    const std::pair<int, const char*> rows[] = {{1, "GoBack"}, {2, "GoForward"}, {3, "Stop"}, {4, "Refresh"},
                                               {5, "Quit"}};
    for (const auto& [id, call] : rows) {
        Run(ViewFolderList, id);
        EXPECT_EQ(BrowserCalls(), std::vector<std::string>{call}) << id;
    }
    Run(ViewFolderList, 7);
    ASSERT_EQ(browser.navigations.size(), 1u);
    EXPECT_EQ(browser.navigations[0].target.vt, VT_I4);
    EXPECT_EQ(browser.navigations[0].target.number, 5);
    EXPECT_EQ(browser.navigations[0].flags.vt, VT_EMPTY);
    EXPECT_TRUE(browser.navigations[0].restEmpty);
}

TEST_F(Executor, ExplorerNewWindowAndCommandPrompt) {
    Run(ViewFolderList, 6);
    ASSERT_EQ(launches.launches().size(), 1u);
    EXPECT_EQ(launches.launches()[0].file, L"explorer.exe");
    EXPECT_EQ(launches.launches()[0].parameters, L"/n, file:///C:/Windows");
    browser.locationUrl = nullptr;
    Run(ViewFolderList, 6);
    EXPECT_EQ(launches.launches()[1].parameters, L"/n, ");

    // An address far beyond the path size goes to the new window whole.
    const std::wstring deep = L"file:///C:/" + std::wstring(4000, L'd');
    browser.locationUrl = deep.c_str();
    Run(ViewFolderList, 6);
    ASSERT_EQ(launches.launches().size(), 3u);
    EXPECT_EQ(launches.launches()[2].parameters, L"/n, " + deep);

    browser.locationUrl = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
    Run(ViewFolderList, 11);
    EXPECT_EQ(launches.launches().size(), 3u) << "no file address, no command prompt";
}

// The prompt opens in the folder as its working folder, with nothing for the command
// interpreter to parse: no name can run a command, expand a variable or open elsewhere.
TEST_F(Executor, TheCommandPromptOpensInTheFolderWhateverItsName) {
    const std::pair<const wchar_t*, const wchar_t*> folders[] = {
        {L"file:///C:/x&calc", L"C:\\x&calc"},
        {L"file:///C:/R&D", L"C:\\R&D"},
        {L"file:///C:/a^b", L"C:\\a^b"},
        {L"file:///C:/(x)", L"C:\\(x)"},
        {L"file:///C:/%PATH%", L"C:\\%PATH%"},
        {L"file:///C:/semi;colon", L"C:\\semi;colon"},
        {L"file:///C:/My%20Files/a b\"&\"c", L"C:\\My Files\\a b\"&\"c"},
    };
    for (const auto& [address, folder] : folders) {
        browser.locationUrl = address;
        Run(ViewFolderList, 11);
    }
    ASSERT_EQ(launches.launches().size(), std::size(folders)) << "one program per gesture, nothing else";
    for (size_t i = 0; i < std::size(folders); ++i) {
        const test::Launch& launch = launches.launches()[i];
        EXPECT_EQ(launch.file, L"cmd.exe");
        EXPECT_FALSE(launch.hasParameters) << "no command line for cmd to parse";
        EXPECT_EQ(launch.folder, folders[i].second);
    }
    // A folder deeper than a working folder can be is refused, never cut to another place.
    const std::wstring deep = L"file:///C:/" + std::wstring(300, L'd');
    browser.locationUrl = deep.c_str();
    Run(ViewFolderList, 11);
    EXPECT_EQ(launches.launches().size(), std::size(folders));
}

TEST_F(Executor, AVisibleTabBarTakesCloseAndNewWindow) {
    HWND parent = window.frame();
    for (const wchar_t* cls : {L"WorkerW", L"ReBarWindow32", L"CadenceTab"}) {
        test::EnsureClass(cls);
        parent = ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    }
    MouseLog tabBar(parent);
    tabBar.alsoRecord = {WM_APP + 1, WM_APP + 2};
    EXPECT_EQ(FindTabBarWindow(&browser), parent);
    Run(ViewFolderList, 5);
    Run(ViewFolderList, 6);
    ASSERT_EQ(tabBar.messages.size(), 2u);
    EXPECT_EQ(tabBar.messages[0].message, static_cast<UINT>(WM_APP + 2));
    EXPECT_EQ(tabBar.messages[1].message, static_cast<UINT>(WM_APP + 1));
    EXPECT_EQ(tabBar.messages[1].wParam, 0u);
    EXPECT_EQ(tabBar.messages[1].lParam, 0);
    EXPECT_EQ(browser.Count("Quit"), 0u);
    EXPECT_TRUE(launches.launches().empty());

    ::ShowWindow(parent, SW_HIDE);  // a hidden tab bar is no tab bar
    EXPECT_EQ(FindTabBarWindow(&browser), nullptr);
    Run(ViewFolderList, 5);
    EXPECT_EQ(browser.Count("Quit"), 1u);
}

TEST_F(Executor, MaximiseRestoreAndMinimise) {
    for (int32_t kind : {ViewFolderList, ViewWeb}) {
        ::ShowWindow(window.frame(), SW_SHOWNORMAL);
        Run(kind, 8);
        EXPECT_TRUE(::IsZoomed(window.frame())) << kind;
        Run(kind, 8);
        EXPECT_FALSE(::IsZoomed(window.frame())) << kind;
        Run(kind, 9);
        EXPECT_TRUE(::IsIconic(window.frame())) << kind;
        Run(kind, 8);  // a minimised window is maximised
        EXPECT_TRUE(::IsZoomed(window.frame())) << kind;
        ::ShowWindow(window.frame(), SW_SHOWNORMAL);
    }
}

TEST_F(Executor, ScrollRowsSendTheirRequestToTheView) {
    const std::pair<int, int> explorer[] = {{12, SB_TOP}, {13, SB_BOTTOM}, {14, SB_PAGEUP}, {15, SB_PAGEDOWN}};
    const std::pair<int, int> web[] = {{20, SB_TOP}, {21, SB_BOTTOM}, {22, SB_PAGEUP}, {23, SB_PAGEDOWN}};
    for (const auto& [id, code] : explorer) Run(ViewFolderList, id);
    for (const auto& [id, code] : web) Run(ViewWeb, id, false);
    ASSERT_EQ(viewLog.messages.size(), 8u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(viewLog.messages[i].message, static_cast<UINT>(WM_VSCROLL));
        EXPECT_EQ(viewLog.messages[i].wParam, static_cast<WPARAM>(explorer[i].second));
        EXPECT_EQ(viewLog.messages[i].lParam, 0);
        EXPECT_EQ(viewLog.messages[4 + i].wParam, static_cast<WPARAM>(web[i].second));
    }
}

TEST_F(Executor, BrowserAutomationRows) {
    const std::pair<int, const char*> rows[] = {{1, "GoBack"}, {2, "GoForward"}, {3, "Stop"},
                                               {4, "Refresh"}, {5, "Quit"},      {7, "GoHome"}};
    for (const auto& [id, call] : rows) {
        Run(ViewWeb, id, false);
        EXPECT_EQ(BrowserCalls(), std::vector<std::string>{call}) << id;
    }
    Run(ViewWeb, 6, false);
    ASSERT_EQ(launches.launches().size(), 1u);
    EXPECT_EQ(launches.launches()[0].file, L"iexplore.exe");
    EXPECT_FALSE(launches.launches()[0].hasParameters);

    browser.locationUrl = L"http://example.invalid/a/b/";
    Run(ViewWeb, 10, false);
    ASSERT_EQ(browser.navigations.size(), 1u);
    EXPECT_EQ(browser.navigations[0].target.text, L"http://example.invalid/a/");

    Run(ViewWeb, 19, false);
    EXPECT_EQ(browser.theaterMode, VARIANT_TRUE);
    Run(ViewWeb, 19, false);
    EXPECT_EQ(browser.theaterMode, VARIANT_FALSE);
}

TEST_F(Executor, NewAndDuplicatedTabsOpenInANewTab) {
    browser.locationUrl = L"http://example.invalid/page";
    Run(ViewWeb, 11);
    Run(ViewWeb, 12);
    ASSERT_EQ(browser.navigations.size(), 2u);
    EXPECT_EQ(browser.navigations[0].target.vt, VT_BSTR);
    EXPECT_EQ(browser.navigations[0].target.text, L"about:blank");
    EXPECT_EQ(browser.navigations[1].target.text, L"http://example.invalid/page");
    for (const auto& n : browser.navigations) {
        EXPECT_EQ(n.flags.vt, VT_I4);
        EXPECT_EQ(n.flags.number, 0x0800);
        EXPECT_TRUE(n.restEmpty);
    }
}

TEST_F(Executor, KeyChordsArriveAsRealKeyboardInput) {
    const struct {
        int id;
        std::initializer_list<DWORD> keys;
    } rows[] = {
        {14, {VK_CONTROL, KeyOf(L'q')}},
        {15, {VK_CONTROL, VK_SHIFT, KeyOf(L'q')}},
        {16, {VK_CONTROL, VK_TAB}},
        {17, {VK_CONTROL, VK_SHIFT, VK_TAB}},
        {18, {VK_CONTROL, KeyOf(L'n')}},
        {24, {VK_CONTROL, KeyOf(L'+')}},
        {25, {VK_CONTROL, KeyOf(L'-')}},
        {26, {VK_CONTROL, KeyOf(L'0')}},
        {27, {VK_CONTROL, VK_SHIFT, KeyOf(L'h')}},
        {28, {VK_CONTROL, VK_SHIFT, KeyOf(L'i')}},
    };
    for (const auto& row : rows) {
        Run(ViewWeb, row.id, true);
        const std::vector<KeyEvent> expected = ChordEvents(row.keys);
        EXPECT_EQ(KeysSeen(expected.size()), expected) << row.id;
    }
}

TEST_F(Executor, AnUntabbedBrowserSkipsTheTabRowsAndZoomsWithAlt) {
    for (int id : {11, 12, 13, 14, 15, 16, 17, 27, 28}) {
        Run(ViewWeb, id, false);
        EXPECT_TRUE(KeysSeen(0).empty()) << id;
        EXPECT_TRUE(BrowserCalls().empty()) << id;
    }
    EXPECT_TRUE(browser.navigations.empty());
    Run(ViewWeb, 24, false);
    const std::vector<KeyEvent> alt = ChordEvents({VK_MENU, KeyOf(L'+')});
    std::vector<KeyEvent> seen = KeysSeen(alt.size());
    // Wine reports the Alt key by its side.
    for (KeyEvent& k : seen) {
        if (k.vk == VK_LMENU || k.vk == VK_RMENU) k.vk = VK_MENU;
    }
    EXPECT_EQ(seen, alt);
}

// Three tabs of one process, each on its own thread: "close all other tabs" asks the two
// others to quit, each on its own thread and once, and keeps the one it was drawn in.
TEST(CloseOtherTabs, EveryOtherInstanceQuitsOnItsOwnThreadOnce) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    test::SharedSettings shared;
    std::unique_ptr<test::AttachedView> mine;
    {
        test::BrowserVersionOverride tabbed(L"7.0.5730.11");
        mine = std::make_unique<test::AttachedView>(std::initializer_list<const wchar_t*>{L"TabWindowClass",
                                                        L"Shell DocObject View", L"Internet Explorer_Server"},
                                                    RECT{10, 10, 300, 300});
    }
    GestureContext ctx = mine->core()->Context();
    ctx.session->ViewKind = ViewWeb;
    ctx.session->StrokeCount = 3;
    ctx.session->Strokes[0] = StrokeRight;
    ctx.session->Strokes[1] = StrokeLeft;
    ctx.session->Strokes[2] = StrokeDown;  // the default gesture of "close all other tabs"

    RunBoundAction(ctx);  // alone in the process: nothing to close
    EXPECT_EQ(mine->browser.Count("Quit"), 0u);

    struct Other {
        std::thread thread;
        std::atomic<DWORD> id{0};
        std::atomic<int> quits{0};
        std::atomic<DWORD> quitThread{0};
    };
    std::array<Other, 2> others;
    std::atomic<bool> done{false};
    std::atomic<int> ready{0};
    for (Other& o : others) {
        o.thread = std::thread([&o, &done, &ready] {
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            {
                test::AttachedView tab({L"Shell DocObject View", L"Internet Explorer_Server"}, RECT{400, 10, 600, 200});
                o.id = ::GetCurrentThreadId();
                ++ready;
                PumpUntil([&] {
                    o.quits = static_cast<int>(tab.browser.quitThreads.size());
                    if (!tab.browser.quitThreads.empty()) o.quitThread = tab.browser.quitThreads[0];
                    return done.load();
                }, 60000);
            }
            ::CoUninitialize();
        });
    }
    ASSERT_TRUE(PumpUntil([&] { return ready.load() == 2; }, 10000));
    ASSERT_EQ(InstanceList::Count(), 3u);
    RunBoundAction(ctx);
    EXPECT_TRUE(PumpUntil([&] { return others[0].quits == 1 && others[1].quits == 1; }, 5000));
    test::PumpFor(200);
    for (Other& o : others) {
        EXPECT_EQ(o.quits.load(), 1);
        EXPECT_EQ(o.quitThread.load(), o.id.load()) << "asked on its own thread";
    }
    EXPECT_EQ(mine->browser.Count("Quit"), 0u) << "the tab the gesture was drawn in stays";
    done = true;
    for (Other& o : others) o.thread.join();
    mine.reset();
    ::CoUninitialize();
}

}  // namespace
}  // namespace cc
