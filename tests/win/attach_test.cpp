// CGestureCore attaching to a browser window: the event subscription, the thread's
// mouse hook and its InstanceList entry, and that none of them outlives the object.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>

#include "allocation_counter.h"
#include "attach/instance_list.h"
#include "attach/mouse_hook.h"
#include "attached_view.h"
#include "module/module.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

using test::AttachedView;
using test::Input;
using test::kViewFrame;
using test::MouseLog;
using test::PumpUntil;

const std::initializer_list<const wchar_t*> kFolderPath{L"SHELLDLL_DefView", WC_LISTVIEWW};

class Attach : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        baseLocks_ = ModuleLockCount();
    }
    void TearDown() override {
        EXPECT_EQ(InstanceList::Count(), 0u) << "an entry outlived its object";
        EXPECT_EQ(ModuleLockCount(), baseLocks_) << "an object outlived the test";
        ::CoUninitialize();
    }
    // A plain right click at the view's centre; true when the view got the posted
    // replay (the hook is active), false when it got the real click.
    bool RightClickIsReplayed(HWND view, MouseLog& log) {
        log.Clear();
        RECT r{};
        ::GetWindowRect(view, &r);
        Input input;
        // A new spot each time: two clicks at one spot would make a double-click.
        clicks_ = (clicks_ + 1) % 8;
        input.MoveTo((r.left + r.right) / 2 + 12 * clicks_, (r.top + r.bottom) / 2);
        log.Clear();
        input.RightDown();
        const bool pressReachedView = log.Count(WM_RBUTTONDOWN) == 1;
        input.RightUp();
        PumpUntil([&] { return log.Count(WM_RBUTTONUP) > 0; }, 2000);
        return !pressReachedView && log.Count(WM_RBUTTONDOWN) == 1 && log.Count(WM_RBUTTONUP) == 1;
    }
    test::SharedSettings settings;
    LONG baseLocks_ = 0;
    int clicks_ = 0;
};

TEST_F(Attach, SetSiteSubscribesHooksTheThreadAndEntersTheList) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    EXPECT_NE(v.browser.sink(), nullptr) << "subscribed to DWebBrowserEvents2";
    EXPECT_EQ(InstanceList::Find(::GetCurrentThreadId()), v.core());
    EXPECT_NE(test::ThreadHook(), nullptr);
    MouseLog log(v.window.view());
    EXPECT_TRUE(RightClickIsReplayed(v.window.view(), log));
}

TEST_F(Attach, AfterOnQuitTheThreadsMessagesPassUntouched) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    MouseLog log(v.window.view());
    ASSERT_TRUE(RightClickIsReplayed(v.window.view(), log));
    EXPECT_EQ(v.browser.Fire(DISPID_ONQUIT), S_OK);
    EXPECT_EQ(v.browser.sink(), nullptr) << "unsubscribed";
    EXPECT_EQ(InstanceList::Count(), 0u);
    EXPECT_EQ(test::ThreadHook(), nullptr);
    EXPECT_FALSE(RightClickIsReplayed(v.window.view(), log));
    EXPECT_EQ(log.messages.front().message, static_cast<UINT>(WM_RBUTTONDOWN)) << "the real press arrived";
}

TEST_F(Attach, ClearingTheSiteWithoutOnQuitTearsDownToo) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    MouseLog log(v.window.view());
    EXPECT_EQ(v.object->SetSite(nullptr), S_OK);
    EXPECT_EQ(InstanceList::Count(), 0u);
    EXPECT_EQ(v.browser.sink(), nullptr);
    EXPECT_FALSE(RightClickIsReplayed(v.window.view(), log));
}

TEST_F(Attach, AFinalReleaseWithoutOnQuitTakesTheHookAlong) {
    test::HostWindow window(kFolderPath, kViewFrame, 3);
    test::FakeBrowser browser;
    browser.topLevel = window.frame();
    browser.refuseAdvise = true;  // nothing holds the object but the test
    ComPtr<IObjectWithSite> object;
    ASSERT_EQ(CGestureCore::Create(IID_PPV_ARGS(&object)), S_OK);
    ASSERT_EQ(object->SetSite(static_cast<IWebBrowser2*>(&browser)), S_OK);
    ASSERT_EQ(InstanceList::Count(), 1u);
    object.Reset();
    EXPECT_EQ(InstanceList::Count(), 0u);
    EXPECT_EQ(browser.refs, 1) << "the browser reference was given back";
    MouseLog log(window.view());
    EXPECT_FALSE(RightClickIsReplayed(window.view(), log)) << "no hook calls into the freed object";
}

// Tabs of one window can share a thread, each with its own object: the second answers
// S_FALSE but is entered too, each gesture acts on its own tab's browser, and either may
// quit first without taking the other's gestures along.
TEST_F(Attach, TabsSharingAThreadEachGetTheirOwnGesturesAndQuitInEitherOrder) {
    for (const bool firstQuitsFirst : {true, false}) {
        SCOPED_TRACE(firstQuitsFirst ? "first tab quits first" : "second tab quits first");
        auto first = std::make_unique<AttachedView>(kFolderPath, kViewFrame, 3);
        auto second = std::make_unique<AttachedView>(kFolderPath, RECT{720, 150, 1000, 450}, 1);
        ASSERT_EQ(first->attachResult, S_OK);
        ASSERT_EQ(second->attachResult, S_FALSE);
        EXPECT_EQ(InstanceList::Count(), 2u);
        const HHOOK hook = test::ThreadHook();
        ASSERT_NE(hook, nullptr);
        Input input;
        auto gestureLeft = [&](AttachedView& tab) {
            const POINT c = tab.window.ViewCenter();
            input.MoveTo(c.x, c.y);
            input.RightDown();
            input.MoveTo(c.x - 20, c.y);
            input.MoveTo(c.x - 70, c.y);
            input.RightUp();
            test::PumpFor(::GetDoubleClickTime() + 50);
        };
        gestureLeft(*second);
        EXPECT_EQ(second->browser.Count("GoBack"), 1u) << "the gesture in the second tab is the second tab's";
        EXPECT_EQ(first->browser.Count("GoBack"), 0u);
        gestureLeft(*first);
        EXPECT_EQ(first->browser.Count("GoBack"), 1u);
        EXPECT_EQ(second->browser.Count("GoBack"), 1u);

        std::unique_ptr<AttachedView>& quitter = firstQuitsFirst ? first : second;
        std::unique_ptr<AttachedView>& stayer = firstQuitsFirst ? second : first;
        EXPECT_EQ(quitter->browser.Fire(DISPID_ONQUIT), S_OK);
        EXPECT_EQ(InstanceList::Count(), 1u) << "a quit removes only its own object";
        EXPECT_EQ(test::ThreadHook(), hook) << "the thread keeps its one hook";
        MouseLog log(stayer->window.view());
        EXPECT_TRUE(RightClickIsReplayed(stayer->window.view(), log));
        gestureLeft(*stayer);
        EXPECT_EQ(stayer->browser.Count("GoBack"), 2u);
        quitter.reset();
        stayer.reset();
        EXPECT_EQ(test::ThreadHook(), nullptr) << "the last object takes the hook along";
    }
}

TEST_F(Attach, AnEntryLeftByAnEndedThreadDoesNotBlockALaterThreadWithTheSameId) {
    // What a thread that ended with its object still attached leaves behind: an entry
    // under its id whose message-only window the system has destroyed.
    HWND gone = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    static char orphanStorage;
    auto* orphan = reinterpret_cast<CGestureCore*>(&orphanStorage);  // never called
    const DWORD thread = ::GetCurrentThreadId();
    ASSERT_EQ(InstanceList::Add(thread, orphan, gone), InstanceList::Joined::First);
    EXPECT_EQ(InstanceList::FindLive(thread), nullptr);
    {
        AttachedView v(kFolderPath, kViewFrame, 3);
        EXPECT_EQ(v.attachResult, S_OK) << "the thread's object is the primary one";
        EXPECT_EQ(InstanceList::Find(thread), v.core());
        EXPECT_EQ(InstanceList::Count(), 1u);
        InstanceList::Remove(thread, orphan);  // the orphan's own teardown, later
        EXPECT_EQ(InstanceList::Find(thread), v.core());
        MouseLog log(v.window.view());
        EXPECT_TRUE(RightClickIsReplayed(v.window.view(), log));
    }
    EXPECT_EQ(InstanceList::Count(), 0u);
}

TEST_F(Attach, SitesThatAnswerNothingLeaveTheObjectInactive) {
    test::FakeElement notABrowser;  // answers IUnknown but not IWebBrowser2
    ComPtr<IObjectWithSite> object;
    ASSERT_EQ(CGestureCore::Create(IID_PPV_ARGS(&object)), S_OK);
    EXPECT_EQ(object->SetSite(static_cast<IHTMLElement*>(&notABrowser)), S_OK);
    EXPECT_EQ(InstanceList::Count(), 0u);
    EXPECT_EQ(object->SetSite(nullptr), S_OK);
    EXPECT_EQ(notABrowser.refs, 1);
}

TEST_F(Attach, InvokeNeverTrustsTheArgumentBlock) {
    AttachedView v({L"Shell DocObject View", L"Internet Explorer_Server"}, kViewFrame);
    IDispatch* sink = v.browser.sink();
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    DISPPARAMS none{};
    EXPECT_EQ(sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(sink->Invoke(12345, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    // Short, wrong-typed and oversized blocks are ignored.
    VARIANT args[9];
    for (VARIANT& a : args) ::VariantInit(&a);
    for (UINT count : {0u, 1u, 6u, 8u, 9u}) {
        DISPPARAMS p{args, nullptr, count, 0};
        EXPECT_EQ(sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr),
                  S_OK);
    }
    test::BeforeNavigate2Args good(L"http://example.invalid/");
    good.args[5].vt = VT_BSTR;  // the address not by reference
    EXPECT_EQ(v.browser.Fire(DISPID_BEFORENAVIGATE2, &good.params), S_OK);
    EXPECT_EQ(good.cancel, VARIANT_FALSE);
}

TEST_F(Attach, OnlyRemovedMessagesReachAHandler) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    RECT r{};
    ::GetWindowRect(v.window.view(), &r);
    Input input;
    input.MoveTo(r.left + 30, r.top + 200);
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    ASSERT_EQ(::SendInput(1, &press, sizeof(press)), 1u);
    MSG msg;
    // A look without removal calls the hook with HC_NOREMOVE: no handler runs.
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_RBUTTONDOWN, WM_RBUTTONDOWN, PM_NOREMOVE));
    EXPECT_EQ(v.session().Tracking, 0);
    PumpUntil([&] { return v.session().Tracking == 1; }, 2000);
    EXPECT_EQ(v.session().Tracking, 1) << "the removal itself is handled";
    INPUT release = press;
    release.mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(1, &release, sizeof(release));
    PumpUntil([&] { return v.session().Tracking == 0; }, 2000);
}

TEST_F(Attach, TheHooksMovePathAllocatesNothing) {
    AttachedView v(kFolderPath, kViewFrame, 3);
    settings.Set(Field::TimeoutMs, 1000);
    const POINT c = v.window.ViewCenter();
    Input input;
    input.MoveTo(c.x, c.y);
    input.RightDown();
    ASSERT_EQ(v.session().Tracking, 1);
    MOUSEHOOKSTRUCT move{};
    move.hwnd = v.window.view();
    auto hook = [&](LONG x, LONG y) {
        move.pt = {x, y};
        return MouseHookProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&move));
    };
    hook(c.x + 20, c.y);
    hook(c.x + 40, c.y);  // the first stroke: its status text is the one allocation
    ASSERT_EQ(v.session().StrokeCount, 1);
    long before = g_allocations.load();
    LRESULT consumed = 0;
    for (int i = 0; i < 300; ++i) consumed += hook(c.x + 40 + i, c.y + i % 4);  // steps right, merged
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(consumed, 300);
    EXPECT_EQ(v.session().StrokeCount, 1);
    input.RightUp();

    // No gesture under way: moves over the view and over other windows of the thread.
    before = g_allocations.load();
    for (int i = 0; i < 100; ++i) hook(c.x + i, c.y);
    move.hwnd = v.window.frame();
    for (int i = 0; i < 100; ++i) hook(c.x + i, c.y);
    EXPECT_EQ(g_allocations.load() - before, 0);
}

// Two folder windows on two threads of one process: each thread's messages reach the
// object of that thread only.
TEST_F(Attach, TwoWindowsOnTwoThreadsKeepTheirOwnSessions) {
    AttachedView mine(kFolderPath, kViewFrame, 3);
    std::atomic<int> otherReplays{0};
    std::atomic<bool> ready{false}, done{false};
    std::atomic<HWND> otherView{nullptr};
    std::atomic<int32_t> otherStrokes{-1};
    std::thread other([&] {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            AttachedView theirs(kFolderPath, RECT{720, 150, 1020, 450}, 2);
            MouseLog log(theirs.window.view());
            otherView = theirs.window.view();
            ready = true;
            PumpUntil([&] {
                otherReplays = static_cast<int>(log.Count(WM_RBUTTONUP));
                otherStrokes = theirs.session().StrokeCount;
                return done.load();
            }, 60000);
        }
        ::CoUninitialize();
    });
    ASSERT_TRUE(PumpUntil([&] { return ready.load(); }, 10000));
    EXPECT_EQ(InstanceList::Count(), 2u);

    // A gesture on this thread's window leaves the other session alone ...
    Input input;
    const POINT c = mine.window.ViewCenter();
    input.MoveTo(c.x, c.y);
    input.RightDown();
    input.MoveTo(c.x + 20, c.y);
    input.MoveTo(c.x + 60, c.y);
    EXPECT_EQ(mine.session().StrokeCount, 1);
    input.RightUp();
    // ... and a plain click on the other thread's window is replayed by that thread's object.
    RECT r{};
    ::GetWindowRect(otherView.load(), &r);
    input.MoveTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    input.RightDown();
    input.RightUp();
    EXPECT_TRUE(PumpUntil([&] { return otherReplays.load() == 1; }, 5000));
    EXPECT_EQ(otherStrokes.load(), 0);
    EXPECT_FALSE(mine.session().Tracking);
    done = true;
    other.join();
    EXPECT_EQ(InstanceList::Count(), 1u);
}

}  // namespace
}  // namespace cc
