// What every mouse message of a browser window costs with the product's hook in place,
// next to a desktop-wide low-level hook, and what opening a window costs.
//
// The mouse messages, per situation:
//  - end to end: one real WM_MOUSEMOVE injected with SendInput and taken out of the queue
//    by this thread, timed per message, with
//      * no hook: the same window on a thread without any hook;
//      * this product's hook: the object attached to the window, its thread hook called
//        for the message;
//      * a low-level hook: WH_MOUSE_LL installed by another process (low_level_hook_host,
//        built beside this program) on a thread of its own, doing the product's per-move
//        work there; the system has that hook answer before the event reaches the window;
//    the three take turns in rounds, and each figure is the median over its messages;
//  - the product's hook procedure alone: MouseHookProc called directly with the message's
//    data (the mean).
// The situations: no gesture (the hook passes the message on), a gesture in the dead zone,
// drawing without a step, a step with the trail off and on, and a step that records a new
// stroke (which also builds and sends the status text).
//
// Opening a window: with the DLL beside this program registered by regsvr32 (and
// unregistered at the end), fresh processes of this program each time CoCreateInstance of
// the registered class plus SetSite with a browser, for their first window and for later
// windows each on a thread of its own, and check that the hook of every window works.
//
//   hook_cost_bench [--moves N] [--open-runs R]   N moves per situation (default 2000),
//                                                 R processes opening windows (default 20)
// Exits non-zero when a situation did not behave as its name says or a window did not get
// a working hook.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <shlguid.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "attach/mouse_hook.h"
#include "attached_view.h"
#include "common/unique_handle.h"
#include "low_level_hook.h"
#include "module/guids.h"
#include "process_util.h"

namespace cc {
namespace {

using Microsoft::WRL::ComPtr;

const std::initializer_list<const wchar_t*> kTabbedPagePath{L"TabWindowClass", L"Shell DocObject View",
                                                           L"Internet Explorer_Server"};
constexpr RECT kFrame{100, 100, 1100, 900};

double Now() {
    static const double ticksPerSecond = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerSecond;
}

void Send(DWORD flags, int x = 0, int y = 0) {
    static const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = static_cast<LONG>((x * 65536LL + 32768) / w);
        in.mi.dy = static_cast<LONG>((y * 65536LL + 32768) / h);
    }
    ::SendInput(1, &in, sizeof(in));
}

// Takes every input message out of the queue (each passes the hook, if there is one).
void Drain() {
    MSG msg;
    for (int spins = 0; spins < 100000; ++spins) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        if (HIWORD(::GetQueueStatus(QS_INPUT)) == 0) return;
    }
}

// Lets late events of the display (the pointer's own motion reports) arrive and pass
// before a gesture starts.
void Settle() {
    Drain();
    ::Sleep(10);
    Drain();
}

// The moves of one situation, relative to where the gesture starts. Every gesture starts
// with the press and the lead-in moves that get it into the situation, untimed.
struct Situation {
    const char* name;
    bool pressed;                            // the right button is held during the moves
    int movesPerGesture;                     // a new gesture is started after this many
    std::function<POINT(int i)> point;       // the i-th move of a gesture
    std::vector<POINT> leadIn;               // untimed moves after the press
    std::function<bool(const GestureSession&)> check;  // the state the moves must leave
};

// The per-message times of one way of handling a situation's moves, over every round.
struct Samples {
    std::vector<double> endToEnd;   // seconds per message
    std::vector<double> sendInput;  // the part of it spent in SendInput, which returns only
                                    // once every low-level hook has answered for the event
    bool behaved = true;
};

class Bench {
public:
    explicit Bench(int moves) : moves_(moves) {}

    // End to end through the real queue and, when the window's thread has a hook, the real
    // hook; `session` is the gesture the moves must leave as the situation says.
    void EndToEnd(const Situation& s, POINT home, const GestureSession* session, Samples& out) {
        int done = 0;
        while (done < moves_) {
            // Two presses on one spot would make a double-click.
            const int shift = (gestures_++ % 3) * 10;
            const POINT origin{home.x + shift, home.y + shift};
            if (s.pressed) {
                Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, origin.x, origin.y);
                Settle();
                Send(MOUSEEVENTF_RIGHTDOWN);
                // The moves must not overtake the press.
                for (int wait = 0; wait < 500 && session && !session->Tracking; ++wait) {
                    Drain();
                    ::Sleep(1);
                }
                for (POINT p : s.leadIn) {
                    Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, origin.x + p.x, origin.y + p.y);
                    Drain();
                }
            }
            for (int i = 0; i < s.movesPerGesture && done < moves_; ++i, ++done) {
                const POINT p = s.point(i);
                const double t0 = Now();
                Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, origin.x + p.x, origin.y + p.y);
                const double sent = Now();
                Drain();
                out.endToEnd.push_back(Now() - t0);
                out.sendInput.push_back(sent - t0);
            }
            if (session && s.check && !s.check(*session)) out.behaved = false;
            if (s.pressed) {
                Send(MOUSEEVENTF_RIGHTUP);
                Drain();
            }
        }
    }

    // MouseHookProc alone, with the same moves; presses and releases go through it too,
    // untimed.
    double HookAlone(const Situation& s, HWND view, POINT origin, const GestureSession& session, bool& behaved) {
        MOUSEHOOKSTRUCT m{};
        m.hwnd = view;
        auto call = [&](WPARAM message, POINT p) {
            m.pt = p;
            MouseHookProc(HC_ACTION, message, reinterpret_cast<LPARAM>(&m));
        };
        // The button really held, as it is while a gesture is drawn.
        if (s.pressed) {
            Send(MOUSEEVENTF_RIGHTDOWN);
            Drain();
        }
        double total = 0;
        int done = 0;
        while (done < moves_) {
            if (s.pressed) {
                call(WM_RBUTTONDOWN, origin);
                for (POINT p : s.leadIn) call(WM_MOUSEMOVE, {origin.x + p.x, origin.y + p.y});
            }
            const double t0 = Now();
            int n = 0;
            for (; n < s.movesPerGesture && done < moves_; ++n, ++done) {
                const POINT p = s.point(n);
                call(WM_MOUSEMOVE, {origin.x + p.x, origin.y + p.y});
            }
            total += Now() - t0;
            if (s.check && !s.check(session)) behaved = false;
            if (s.pressed) {
                const POINT last = s.point(n > 0 ? n - 1 : 0);
                call(WM_RBUTTONUP, {origin.x + last.x, origin.y + last.y});
            }
            Drain();
        }
        if (s.pressed) {
            Send(MOUSEEVENTF_RIGHTUP);
            Drain();
        }
        return total / moves_;
    }

private:
    int moves_;
    int gestures_ = 0;
};

// Another process of this run, in a job that ends it should this process end first
// (a crash, or the time limit of the test run); ended when this object goes.
class ChildProcess {
public:
    explicit ChildProcess(std::wstring commandLine) {
        job_.reset(::CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!job_ || !::SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                                sizeof(limits))) {
            return;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        // Suspended until it is in the job, so no part of it runs outside.
        if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                              nullptr, &startup, &info)) {
            return;
        }
        process_.reset(info.hProcess);
        unique_handle thread(info.hThread);
        if (!::AssignProcessToJobObject(job_.get(), info.hProcess)) {
            End();
            process_.reset();
            return;
        }
        ::ResumeThread(info.hThread);
    }
    ~ChildProcess() {
        if (process_ && !Ended()) End();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    bool Ended() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }
    // Keeps this thread's messages flowing while it waits. The exit code, or -1 when the
    // process did not end within `timeoutMs` (it is then ended).
    long Wait(DWORD timeoutMs) {
        if (!process_) return -1;
        if (!test::PumpUntil([&] { return Ended(); }, timeoutMs)) {
            End();
            return -1;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(process_.get(), &code);
        return static_cast<long>(code);
    }

private:
    void End() {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }

    unique_handle job_;
    unique_handle process_;
};

// Named shared memory holding one T, zeroed, for this process and its children; get() is
// null when it could not be made afresh.
template <typename T>
class SharedBlock {
public:
    explicit SharedBlock(const std::wstring& name) : name_(name) {
        mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(T), name.c_str()));
        if (mapping_ && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof(T)));
        }
    }
    T* get() const { return static_cast<T*>(view_.get()); }
    const std::wstring& name() const { return name_; }

private:
    std::wstring name_;
    unique_handle mapping_;
    unique_mapped_view view_;
};

std::wstring BlockName(const wchar_t* what, int index = 0) {
    return L"CursorCadence.hook_cost." + std::to_wstring(::GetCurrentProcessId()) + L"." + what + L"." +
           std::to_wstring(index);
}

// The low-level hook host of this run, hooked when hooked() says so; ended when this goes,
// if Stop() did not end it.
class LowLevelHookHost {
public:
    LowLevelHookHost()
        : block_(BlockName(L"low-level")),
          process_(L"\"" + test::ProgramFolder() + L"\\" + bench::kLowLevelHookHost + L"\" " + block_.name() + L" " +
                   std::to_wstring(::GetCurrentProcessId())) {
        if (!block_.get() || !process_.started()) return;
        test::PumpUntil([&] { return block_.get()->state != 0 || process_.Ended(); }, 30000);
    }
    // Asks the host to unhook and end; true when it did so by itself.
    bool Stop() {
        if (!hooked()) return false;
        ::PostThreadMessageW(block_.get()->hookThread, WM_QUIT, 0, 0);
        return process_.Wait(10000) == 0;
    }
    bool hooked() const { return block_.get() && block_.get()->state == 1 && !process_.Ended(); }
    const GestureSession& session() const { return block_.get()->session; }
    LONG moves() const { return block_.get()->moves; }

private:
    SharedBlock<bench::LowLevelHookBlock> block_;
    ChildProcess process_;
};

// The DLL beside this program, registered as a user registers it, and unregistered again.
class Registration {
public:
    Registration() : dll_(test::ProgramFolder() + L"\\CursorCadence.dll") {
        registered_ = test::RunProcess(L"regsvr32.exe /s \"" + dll_ + L"\"") == 0;
    }
    ~Registration() { test::RunProcess(L"regsvr32.exe /u /s \"" + dll_ + L"\""); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    bool registered() const { return registered_; }

private:
    std::wstring dll_;
    bool registered_ = false;
};

// What one process measured when opening its windows; written by the process itself.
inline constexpr int kLaterWindows = 3;
enum OpenResult : LONG {
    Unfinished = 0,
    Opened,          // every window opened, each with a working hook
    AlreadyLoaded,   // the DLL was loaded before the first window
    OpenFailed,      // CoCreateInstance or SetSite failed, or the DLL did not load
    FirstHookDead,   // a gesture in the first window did not reach the object
    LaterHookDead,   // the same in a later window (or it did not open)
};
const char* Describe(LONG result) {
    switch (result) {
    case Unfinished: return "did not finish";
    case Opened: return "opened every window";
    case AlreadyLoaded: return "had the DLL loaded before its first window";
    case OpenFailed: return "could not create or site the object of its first window";
    case FirstHookDead: return "got no working hook in its first window";
    case LaterHookDead: return "got no working hook in a later window";
    default: return "reported nothing known";
    }
}
struct OpenWindowBlock {
    double first;  // seconds
    double later[kLaterWindows];
    volatile LONG result;  // an OpenResult
};

// A browser window with a fake browser object, and the DLL's object made through the
// registry the way the host makes it.
class HostedWindow {
public:
    explicit HostedWindow(RECT frame) : window(kTabbedPagePath, frame) { browser.topLevel = window.frame(); }
    ~HostedWindow() {
        if (!object) return;
        browser.Fire(DISPID_ONQUIT);
        object->SetSite(nullptr);
        object.Reset();
    }
    HostedWindow(const HostedWindow&) = delete;
    HostedWindow& operator=(const HostedWindow&) = delete;

    // CoCreateInstance and SetSite, timed: seconds, or -1 when either failed. SetSite
    // installs the thread's hook before it returns.
    double Open() {
        const double t0 = Now();
        HRESULT hr = ::CoCreateInstance(kClsidGestureCore, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object));
        if (SUCCEEDED(hr)) hr = object->SetSite(static_cast<IWebBrowser2*>(&browser));
        const double seconds = Now() - t0;
        return hr == S_OK ? seconds : -1;
    }

    // A gesture over the view: the hook is in place when its first stroke reaches the
    // browser's status text. Right, down, right is bound to no action.
    bool HookWorks() {
        const POINT c = window.ViewCenter();
        test::Input input;
        input.MoveTo(c.x, c.y);
        input.RightDown();
        input.MoveTo(c.x + 20, c.y);
        input.MoveTo(c.x + 60, c.y);
        const bool drawn = !browser.statusTexts.empty();
        input.MoveTo(c.x + 60, c.y + 40);
        input.MoveTo(c.x + 100, c.y + 40);
        input.RightUp();
        return drawn;
    }

    test::HostWindow window;
    test::FakeBrowser browser;
    ComPtr<IObjectWithSite> object;
};

// One process's windows: the first on the main thread, then the later ones, each on a
// thread of its own (as a new folder window gets one) while the first stays open.
int OpenWindowsProcess(const std::wstring& blockName) {
    unique_handle mapping(::OpenFileMappingW(FILE_MAP_WRITE, FALSE, blockName.c_str()));
    unique_mapped_view view;
    if (mapping) view.reset(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(OpenWindowBlock)));
    if (!view) return 2;
    auto* block = static_cast<OpenWindowBlock*>(view.get());
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // A host has made COM objects before its first window: setting up COM is not the DLL's cost.
    {
        ComPtr<IUnknown> warm;
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&warm));
    }
    LONG result = Opened;
    if (::GetModuleHandleW(L"CursorCadence.dll")) result = AlreadyLoaded;
    {
        HostedWindow first({100, 100, 600, 500});
        block->first = first.Open();
        if (result == Opened && (block->first < 0 || !::GetModuleHandleW(L"CursorCadence.dll"))) result = OpenFailed;
        if (result == Opened && !first.HookWorks()) result = FirstHookDead;
        for (int i = 0; i < kLaterWindows && result == Opened; ++i) {
            // Shifted, so two presses never make a double-click.
            const int shift = 20 * i;
            double seconds = -1;
            bool works = false;
            std::atomic<bool> finished{false};
            std::thread thread([&] {
                ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                {
                    HostedWindow later({650 + shift, 100 + shift, 1150 + shift, 500 + shift});
                    seconds = later.Open();
                    works = seconds >= 0 && later.HookWorks();
                }
                ::CoUninitialize();
                finished = true;
            });
            // The first window's thread keeps its messages flowing meanwhile; a thread
            // that hangs is ended with the process by the benchmark's time limit.
            test::PumpUntil([&] { return finished.load(); }, INFINITE);
            thread.join();
            block->later[i] = seconds;
            if (!works) result = LaterHookDead;
        }
    }
    ::CoUninitialize();
    ::InterlockedExchange(&block->result, result);
    return result == Opened ? 0 : 1;
}

struct OpenWindowFigures {
    std::vector<double> first, later;
    std::string failure;  // empty when every window opened with a working hook
};

OpenWindowFigures MeasureOpenWindows(int runs) {
    OpenWindowFigures f;
    Registration registration;
    if (!registration.registered()) {
        f.failure = "regsvr32 could not register the DLL";
        return f;
    }
    for (int run = 0; run < runs && f.failure.empty(); ++run) {
        SharedBlock<OpenWindowBlock> block(BlockName(L"open", run));
        if (!block.get()) {
            f.failure = "no shared memory for the window process";
            break;
        }
        ChildProcess process(L"\"" + test::ProgramPath() + L"\" --open-windows " + block.name());
        const long exitCode = process.Wait(90000);
        const LONG result = block.get()->result;
        if (exitCode != 0 || result != Opened) {
            f.failure = "window process " + std::to_string(run + 1) + " " + Describe(result) + " (exit code " +
                        std::to_string(exitCode) + ")";
            break;
        }
        f.first.push_back(block.get()->first);
        f.later.insert(f.later.end(), block.get()->later, block.get()->later + kLaterWindows);
    }
    return f;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int Run(int moves, int openRuns) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const POINT origin{400, 400};
    // The three ways take turns, a share of the moves at a time, so that a slow stretch of
    // the display or the Wine server falls on all of them alike.
    const int rounds = moves >= 1000 ? 5 : 1;
    Bench bench(moves / rounds);

    // Wiggles by one pixel, never leaving the dead zone of 15.
    auto wiggle = [](int i) { return POINT{i % 2, (i / 2) % 2}; };
    // Out of the dead zone (which records nothing yet), then one stroke to the right: the
    // gesture is drawing, anchored at (40, 0).
    const std::vector<POINT> drawing{{20, 0}, {40, 0}};
    // Within the sensitivity of that anchor: no step.
    auto nearAnchor = [](int i) { return POINT{40 + i % 2, (i / 2) % 2}; };
    // Steps of 16 pixels to the right, each merged into the stroke already recorded.
    auto rightward = [](int i) { return POINT{40 + 16 * (i + 1), 0}; };
    // Down, left, up, right around a square: every move records a new stroke.
    auto square = [](int i) {
        static constexpr POINT kCorners[] = {{40, 20}, {20, 20}, {20, 0}, {40, 0}};
        return kCorners[i % 4];
    };

    struct Row {
        Situation situation;
        bool trailOn;
        Samples product;
        double hookAlone = 0;  // seconds per message, the mean over the rounds
        Samples lowLevel;
    };
    std::vector<Row> rows = {
        {{"no gesture (passed on)", false, 1 << 30, wiggle, {},
          [](const GestureSession& g) { return g.Tracking == 0; }},
         true, {}, 0, {}},
        {{"dead zone", true, 200, wiggle, {},
          [](const GestureSession& g) { return g.Tracking == 1 && g.Drawing == 0; }},
         true, {}, 0, {}},
        {{"drawing, no step", true, 200, nearAnchor, drawing,
          [](const GestureSession& g) { return g.Drawing == 1 && g.StrokeCount == 1; }},
         true, {}, 0, {}},
        {{"step, trail off", true, 40, rightward, drawing,
          [](const GestureSession& g) { return g.Drawing == 1 && g.StrokeCount == 1; }},
         false, {}, 0, {}},
        {{"step, trail on", true, 40, rightward, drawing,
          [](const GestureSession& g) { return g.Drawing == 1 && g.StrokeCount == 1; }},
         true, {}, 0, {}},
        {{"step, new stroke", true, 4, square, drawing,
          [](const GestureSession& g) { return g.StrokeCount == 5; }},
         true, {}, 0, {}},
    };
    Samples noHook;
    std::vector<std::pair<const char*, double>> callCosts;
    bool attached = true, lowLevelHooked = true, lowLevelStopped = true;

    for (int round = 0; round < rounds && attached && lowLevelHooked; ++round) {
        // The same window on a thread without any hook.
        {
            test::HostWindow plain(kTabbedPagePath, kFrame);
            Drain();
            bench.EndToEnd({"no hook", false, 1 << 30, wiggle, {}, nullptr}, origin, nullptr, noHook);
        }

        // This product's hook.
        {
            test::SharedSettings settings;
            test::AttachedView v(kTabbedPagePath, kFrame);
            attached = v.attachResult == S_OK;
            if (!attached) break;
            Drain();
            for (Row& r : rows) {
                settings.Set(Field::TrailEnabled, r.trailOn ? 1 : 0);
                bench.EndToEnd(r.situation, origin, &v.session(), r.product);
                r.hookAlone += bench.HookAlone(r.situation, v.window.view(), origin, v.session(), r.product.behaved) /
                               rounds;
                v.browser.statusTexts.clear();
            }

            // What the platform calls the hook makes cost on their own, for reading the figures.
            if (round == 0) {
                MOUSEHOOKSTRUCT m{};
                m.hwnd = v.window.view();
                m.pt = origin;
                RECT rect{};
                const std::pair<const char*, std::function<void()>> calls[] = {
                    {"CallNextHookEx",
                     [&] { ::CallNextHookEx(nullptr, HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&m)); }},
                    {"GetKeyState", [] { ::GetKeyState(VK_CONTROL); }},
                    {"GetAsyncKeyState", [] { ::GetAsyncKeyState(VK_RBUTTON); }},
                    {"GetWindowThreadProcessId", [&] { ::GetWindowThreadProcessId(m.hwnd, nullptr); }},
                    {"GetWindowRect", [&] { ::GetWindowRect(m.hwnd, &rect); }},
                };
                for (const auto& [name, call] : calls) {
                    const double t0 = Now();
                    for (int i = 0; i < moves; ++i) call();
                    callCosts.emplace_back(name, (Now() - t0) / moves);
                }
            }
        }

        // The low-level hook of another process, the window's thread without a hook.
        {
            LowLevelHookHost host;
            lowLevelHooked = host.hooked();
            if (!lowLevelHooked) break;
            test::HostWindow plain(kTabbedPagePath, kFrame);
            Drain();
            for (Row& r : rows) {
                const LONG seenBefore = host.moves();
                bench.EndToEnd(r.situation, origin, &host.session(), r.lowLevel);
                // Every timed move passed the hook (besides the untimed ones).
                if (host.moves() - seenBefore < moves / rounds) r.lowLevel.behaved = false;
            }
            lowLevelStopped = host.Stop() && lowLevelStopped;
        }
    }
    if (!attached) {
        std::printf("the object did not attach\n");
        return 1;
    }

    const double baseline = Median(noHook.endToEnd);
    std::printf("WM_MOUSEMOVE cost, %d moves per situation in %d rounds (Wine, Xvfb), the median per message\n",
                moves, rounds);
    std::printf("%-24s | %-37s | %s\n", "", "this product's hook (WH_MOUSE)", "low-level hook (WH_MOUSE_LL)");
    std::printf("%-24s | %12s %10s %13s | %12s %10s\n", "situation", "end to end", "vs no hook", "hook proc.",
                "end to end", "vs no hook");
    std::printf("%-24s | %9.1f us %10s %13s |\n", "no hook", baseline * 1e6, "1.00", "-");
    bool allBehaved = lowLevelHooked && lowLevelStopped;
    std::vector<double> productSend, lowLevelSend;
    for (const Row& r : rows) {
        const double product = Median(r.product.endToEnd), lowLevel = Median(r.lowLevel.endToEnd);
        std::printf("%-24s | %9.1f us %10.2f %10.2f us | %9.1f us %10.2f%s%s\n", r.situation.name, product * 1e6,
                    product / baseline, r.hookAlone * 1e6, lowLevel * 1e6, lowLevel / baseline,
                    r.product.behaved ? "" : "  (product: did not behave as named)",
                    r.lowLevel.behaved ? "" : "  (low-level: did not behave as named)");
        allBehaved = allBehaved && r.product.behaved && r.lowLevel.behaved;
        productSend.insert(productSend.end(), r.product.sendInput.begin(), r.product.sendInput.end());
        lowLevelSend.insert(lowLevelSend.end(), r.lowLevel.sendInput.begin(), r.lowLevel.sendInput.end());
    }
    std::printf("of that, in SendInput (median over all situations): no hook %.1f us, this product's hook %.1f us,\n"
                "low-level hook %.1f us (SendInput returns once every low-level hook has answered)\n",
                Median(noHook.sendInput) * 1e6, Median(productSend) * 1e6, Median(lowLevelSend) * 1e6);
    if (!lowLevelHooked) std::printf("the low-level hook host did not install its hook\n");
    if (lowLevelHooked && !lowLevelStopped) std::printf("the low-level hook host did not end when asked\n");
    std::printf("platform calls alone:");
    for (const auto& [name, cost] : callCosts) std::printf(" %s %.2f us;", name, cost * 1e6);
    std::printf("\n\n");

    // Opening windows, after every window above is gone and the settings block let go
    // (each process then maps and loads it afresh).
    const OpenWindowFigures open = MeasureOpenWindows(openRuns);
    std::printf("Opening a window: CoCreateInstance of the registered class and SetSite with the browser,\n"
                "until the thread's hook is in place (%d processes, each a first window and %d later ones)\n",
                openRuns, kLaterWindows);
    if (!open.failure.empty()) {
        std::printf("not measured: %s\n", open.failure.c_str());
    } else {
        auto row = [](const char* name, const std::vector<double>& v) {
            std::printf("%-34s median %7.2f ms (%zu windows, %.2f to %.2f ms)\n", name, Median(v) * 1e3, v.size(),
                        *std::min_element(v.begin(), v.end()) * 1e3, *std::max_element(v.begin(), v.end()) * 1e3);
        };
        row("first window of a process", open.first);
        row("a later window, on its own thread", open.later);
    }
    ::CoUninitialize();
    return allBehaved && open.failure.empty() ? 0 : 1;
}

}  // namespace
}  // namespace cc

int main(int argc, char** argv) {
    int moves = 2000;
    int openRuns = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--moves") == 0) moves = std::max(10, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--open-runs") == 0) openRuns = std::max(1, std::atoi(argv[i + 1]));
        // One of the window-opening processes the benchmark starts; the block's name is ours.
        if (std::strcmp(argv[i], "--open-windows") == 0) {
            const std::string name = argv[i + 1];
            return cc::OpenWindowsProcess(std::wstring(name.begin(), name.end()));
        }
    }
    return cc::Run(moves, openRuns);
}
