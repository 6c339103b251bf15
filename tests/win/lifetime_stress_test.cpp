// Hundreds of objects attached to browser windows on many threads and torn down in every
// order a browser can use (OnQuit, SetSite(NULL), the final Release, the window or the
// whole thread gone first), while real gestures are drawn across their windows. Nothing
// may crash, and at the end no list entry, module lock, handle or window may be left.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdispid.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "attach/gesture_core.h"
#include "attach/instance_list.h"
#include "attached_view.h"
#include "fake_browser.h"
#include "launch_recorder.h"
#include "module/module.h"
#include "resource_census.h"
#include "stress.h"
#include "test_windows.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

const std::initializer_list<const wchar_t*> kTabbedPagePath{L"TabWindowClass", L"Shell DocObject View",
                                                           L"Internet Explorer_Server"};

enum class Teardown {
    QuitThenClearSite,   // what the browsers do
    ClearSiteOnly,
    QuitOnly,            // then the final Release
    WindowFirst,         // the window is destroyed while the object is still attached
    DuringGesture,       // OnQuit arrives while a gesture is being drawn over the window
    AfterThreadExit,     // the thread ends first; another thread lets go of the object
    Count
};

// What outlives a worker whose thread ends before the object is let go.
struct Orphan {
    ComPtr<IObjectWithSite> object;
    std::unique_ptr<test::FakeBrowser> browser;
};

class Stress {
public:
    explicit Stress(int total) : total_(total) {}

    // One object's life on the calling thread, from attach to teardown.
    void Life(int index) {
        test::Rng rng(seed_ + static_cast<uint64_t>(index) * 7919);
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            auto browser = std::make_unique<test::FakeBrowser>();
            const int left = rng.Between(340, 540), top = rng.Between(300, 460);
            std::optional<test::HostWindow> window;
            window.emplace(kTabbedPagePath, RECT{left, top, left + 400, top + 300});
            browser->topLevel = window->frame();
            ComPtr<IObjectWithSite> object;
            // An ended thread's object not yet let go may still hold this thread's id.
            if (InstanceList::Find(::GetCurrentThreadId())) ++reusedIds_;
            const HRESULT created = CGestureCore::Create(IID_PPV_ARGS(&object));
            const HRESULT attached = created == S_OK ? object->SetSite(static_cast<IWebBrowser2*>(browser.get())) : created;
            if (attached == S_OK) {
                ++attachedCount_;
            } else if (attached == S_FALSE) {
                ++secondaryCount_;
            } else {
                ++failures_;
            }
            // A third of the windows get a second tab on the same thread, each with its own
            // object, which leaves before or after the first.
            struct SecondTab {
                std::optional<test::HostWindow> window;
                test::FakeBrowser browser;
                ComPtr<IObjectWithSite> object;
            };
            std::unique_ptr<SecondTab> tab;
            const bool tabLeavesFirst = rng.Below(2) == 0;
            auto closeTab = [&] {
                if (!tab) return;
                tab->browser.Fire(DISPID_ONQUIT);
                tab->object->SetSite(nullptr);
                tab->object.Reset();
                if (tab->browser.refs != 1) ++unreturnedReferences_;
                tab.reset();
            };
            if (attached == S_OK && rng.Below(3) == 0) {
                tab = std::make_unique<SecondTab>();
                tab->window.emplace(kTabbedPagePath, RECT{left + 40, top + 40, left + 440, top + 340});
                tab->browser.topLevel = tab->window->frame();
                const bool joined = SUCCEEDED(CGestureCore::Create(IID_PPV_ARGS(&tab->object))) &&
                                    tab->object->SetSite(static_cast<IWebBrowser2*>(&tab->browser)) == S_FALSE;
                if (joined) {
                    ++tabsCount_;
                } else {
                    ++failures_;
                    if (tab->object) tab->object->SetSite(nullptr);
                    tab.reset();
                }
            }
            auto* core = static_cast<CGestureCore*>(object.Get());
            const auto teardown = static_cast<Teardown>(rng.Below(static_cast<uint32_t>(Teardown::Count)));
            const ULONGLONG deadline = ::GetTickCount64() + rng.Between(0, 80);
            auto pumpUntil = [&](auto done, ULONGLONG until) {
                MSG msg;
                while (!done() && ::GetTickCount64() < until) {
                    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
                    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
                }
            };
            if (teardown == Teardown::DuringGesture) {
                pumpUntil([&] { return core && core->session().Tracking != 0; }, deadline + 400);
                if (core && core->session().Tracking) ++midGesture_;
            } else {
                pumpUntil([] { return false; }, deadline);
            }
            if (tabLeavesFirst) closeTab();
            switch (teardown) {
            case Teardown::QuitThenClearSite:
            case Teardown::DuringGesture:
                browser->Fire(DISPID_ONQUIT);
                object->SetSite(nullptr);
                break;
            case Teardown::ClearSiteOnly:
                object->SetSite(nullptr);
                break;
            case Teardown::QuitOnly:
                browser->Fire(DISPID_ONQUIT);
                break;
            case Teardown::WindowFirst:
                window.reset();
                browser->Fire(DISPID_ONQUIT);
                object->SetSite(nullptr);
                break;
            case Teardown::AfterThreadExit:
            case Teardown::Count:
                break;
            }
            // Input keeps arriving for the window: it must reach no handler now.
            pumpUntil([] { return false; }, ::GetTickCount64() + 10);
            closeTab();
            window.reset();
            if (teardown == Teardown::AfterThreadExit) {
                std::lock_guard<std::mutex> guard(lock_);
                orphans_.push_back({std::move(object), std::move(browser)});
            } else {
                object.Reset();
                if (browser->refs != 1) ++unreturnedReferences_;
                std::lock_guard<std::mutex> guard(lock_);
                browsers_.push_back(std::move(browser));
            }
        }
        ::CoUninitialize();
        ++finished_;
    }

    // Every life has a thread of its own, as every browser window has.
    void Worker() {
        for (int i = next_++; i < total_; i = next_++) std::thread([this, i] { Life(i); }).join();
    }

    // Lets go of the objects whose threads have ended: OnQuit and SetSite(NULL) reach them
    // from this thread, as a browser shutting down from another thread would.
    void ReleaseOrphans() {
        std::vector<Orphan> taken;
        {
            std::lock_guard<std::mutex> guard(lock_);
            taken.swap(orphans_);
        }
        for (Orphan& o : taken) {
            o.browser->Fire(DISPID_ONQUIT);
            o.object->SetSite(nullptr);
            o.object.Reset();
            if (o.browser->refs != 1) ++unreturnedReferences_;
            ++orphansReleased_;
        }
    }

    bool Done() const { return finished_.load() >= total_; }

    const uint64_t seed_ = ::GetTickCount64();
    const ULONGLONG started_ = ::GetTickCount64();
    const int total_;
    std::atomic<int> next_{0}, finished_{0};
    std::atomic<int> attachedCount_{0}, secondaryCount_{0}, failures_{0}, midGesture_{0};
    std::atomic<int> unreturnedReferences_{0}, reusedIds_{0}, tabsCount_{0};
    int orphansReleased_ = 0;

private:
    std::mutex lock_;
    std::vector<Orphan> orphans_;
    std::vector<std::unique_ptr<test::FakeBrowser>> browsers_;
};

// Real input over the middle of the area the workers' windows cover: plain right clicks,
// single strokes, long zigzags and "close the other tabs", which reaches every other
// object through its message-only window.
void DrawOneGesture(test::Rng& rng) {
    auto send = [](DWORD flags, LONG x = 0, LONG y = 0) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        in.mi.dx = x;
        in.mi.dy = y;
        ::SendInput(1, &in, sizeof(in));
        ::Sleep(2);
    };
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    auto moveTo = [&](int x, int y) {
        send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<LONG>((x * 65536LL + 32768) / w),
             static_cast<LONG>((y * 65536LL + 32768) / h));
    };
    static const std::vector<std::vector<POINT>> kGestures = {
        {},                                                        // a plain click
        {{-1, 0}},                                                 // back
        {{1, 0}},                                                  // forward
        {{0, -1}, {0, 1}, {0, -1}, {0, 1}, {0, -1}},               // bound to nothing
        {{1, 0}, {-1, 0}, {0, 1}},                                 // close the other tabs
    };
    const std::vector<POINT>& strokes = kGestures[rng.Below(static_cast<uint32_t>(kGestures.size()))];
    POINT p{640 + rng.Between(-40, 40), 530 + rng.Between(-30, 30)};
    moveTo(p.x, p.y);
    send(MOUSEEVENTF_RIGHTDOWN);
    for (POINT s : strokes) {
        for (int part = 1; part <= 2; ++part) moveTo(p.x + s.x * 20 * part, p.y + s.y * 20 * part);
        p = {p.x + s.x * 40, p.y + s.y * 40};
    }
    send(MOUSEEVENTF_RIGHTUP);
}

// Runs every life of `stress` on `threads` threads while gestures are drawn; returns how
// many gestures were drawn.
int RunLives(int threads, Stress& stress) {
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) workers.emplace_back([&] { stress.Worker(); });
    test::Rng rng(stress.seed_);
    int gestures = 0;
    while (!stress.Done() && ::GetTickCount64() - stress.started_ < 150000) {
        DrawOneGesture(rng);
        ++gestures;
        stress.ReleaseOrphans();
    }
    for (std::thread& t : workers) t.join();
    stress.ReleaseOrphans();
    return gestures;
}

void RunLives(int threads, int lives) {
    Stress stress(lives);
    RunLives(threads, stress);
    ASSERT_TRUE(stress.Done());
    ASSERT_EQ(stress.failures_.load(), 0);
}

TEST(LifetimeStress, ObjectsOnManyThreadsTornDownInEveryOrderWhileGesturesAreDrawn) {
    test::SharedSettings settings;
    // Some of the gestures drawn across the coming and going windows end up bound to "new
    // window": started for real, every one would be a browser process of Wine's own, with
    // windows and menus in the session's USER table for the rest of the test.
    test::LaunchRecorder launches;
    test::ResourceCensus census;
    const int threads = 8;
    // Each measured run has its own lives; what the two runs leave behind is counted apart.
    const int livesPerRun = 100 * test::StressScale();
    int midGesture = 0;
    const test::GrowthReport growth = test::MeasureGrowth(
        census, 8, [&] { RunLives(threads, 48); },
        [&](int run) {
            Stress stress(livesPerRun);
            const int gestures = RunLives(threads, stress);
            const ULONGLONG took = ::GetTickCount64() - stress.started_;
            std::printf("run %d: %d objects on %d threads in %llu ms: %d attached, %d secondary, %d second tabs, %d torn down "
                        "mid-gesture, %d released after their thread ended, %d found their thread id still taken by "
                        "one; %d gestures drawn (seed %llu)\n",
                        run + 1, stress.total_, threads, static_cast<unsigned long long>(took),
                        stress.attachedCount_.load(), stress.secondaryCount_.load(), stress.tabsCount_.load(),
                        stress.midGesture_.load(),
                        stress.orphansReleased_, stress.reusedIds_.load(), gestures,
                        static_cast<unsigned long long>(stress.seed_));
            midGesture += stress.midGesture_.load();
            EXPECT_TRUE(stress.Done()) << "every life ended";
            EXPECT_EQ(stress.failures_.load(), 0);
            EXPECT_EQ(stress.secondaryCount_.load(), 0) << "a reused thread id is never taken by an ended thread's entry";
            EXPECT_EQ(stress.unreturnedReferences_.load(), 0) << "every browser reference was given back";
            EXPECT_EQ(InstanceList::Count(), 0u);
            EXPECT_EQ(ModuleLockCount(), 0) << "DllCanUnloadNow would answer S_OK";
        });
    EXPECT_GT(midGesture, 0) << "some objects were torn down with a gesture in flight";
    std::printf("%zu programs the gestures would have started; growth per run of %d lives (after %d warm-up "
                "batches of 48): kernel handles %+ld/%+ld, GDI objects %+ld/%+ld, USER objects %+ld/%+ld, windows "
                "%+ld/%+ld\n",
                launches.count(), livesPerRun, growth.warmBatches, growth.runs[0].kernelHandles,
                growth.runs[1].kernelHandles, growth.runs[0].gdiObjects, growth.runs[1].gdiObjects,
                growth.runs[0].userObjects, growth.runs[1].userObjects, growth.runs[0].windows, growth.runs[1].windows);
    // Once warm, a run of lives leaves every count where it was (+0 GDI and USER objects
    // on fresh prefixes; the kernel handles move by one now and then). The allowance is one
    // object per twenty lives: a leak of one object per ten lives, in any of the counts,
    // grows each run by twice that.
    const long allowance = livesPerRun / 20;
    const test::ResourceGrowth least = growth.Least();
    EXPECT_LE(least.kernelHandles, allowance);
    EXPECT_LE(least.gdiObjects, allowance);
    EXPECT_LE(least.userObjects, allowance);
    EXPECT_EQ(growth.runs[0].windows, 0);
    EXPECT_EQ(growth.runs[1].windows, 0);
}

}  // namespace
}  // namespace cc
