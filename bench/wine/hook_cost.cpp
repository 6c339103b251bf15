// What every mouse message of a browser window costs with the product's hook in place.
//
// Two measurements per situation, in one run:
//  - end to end: one real WM_MOUSEMOVE injected with SendInput and taken out of the queue
//    by this thread (which calls the hook), timed per message and compared with the same
//    messages to a window on a thread without any hook;
//  - the hook procedure alone: MouseHookProc called directly with the message's data.
// The situations: no gesture (the hook passes the message on), a gesture in the dead zone,
// drawing without a step, a step with the trail off and on, and a step that records a new
// stroke (which also builds and sends the status text).
//
//   hook_cost_bench [--moves N]     N moves per situation (default 2000)
// Exits non-zero when a situation did not behave as its name says.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "attach/mouse_hook.h"
#include "attached_view.h"

namespace cc {
namespace {

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

struct Figures {
    double endToEnd = 0;  // seconds per message
    double hookAlone = 0;
    bool behaved = true;
};

class Bench {
public:
    explicit Bench(int moves) : moves_(moves) {}

    // End to end through the real queue and, when `view` has a hook, the real hook.
    double EndToEnd(const Situation& s, POINT home, const GestureSession* session, bool& behaved) {
        double total = 0;
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
                Drain();
                total += Now() - t0;
            }
            if (session && s.check && !s.check(*session)) behaved = false;
            if (s.pressed) {
                Send(MOUSEEVENTF_RIGHTUP);
                Drain();
            }
        }
        return total / moves_;
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

int Run(int moves) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    test::SharedSettings settings;
    const POINT origin{400, 400};
    Bench bench(moves);

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

    double noHook = 0;
    {
        // The same window on a thread without any hook.
        test::HostWindow plain(kTabbedPagePath, kFrame);
        Drain();
        const Situation s{"no hook", false, 1 << 30, wiggle, {}, nullptr};
        bool ignored = true;
        noHook = bench.EndToEnd(s, origin, nullptr, ignored);
    }

    test::AttachedView v(kTabbedPagePath, kFrame);
    if (v.attachResult != S_OK) {
        std::printf("the object did not attach\n");
        return 1;
    }
    Drain();
    auto trail = [&](bool on) { settings.Set(Field::TrailEnabled, on ? 1 : 0); };

    struct Row {
        Situation situation;
        bool trailOn;
        Figures f;
    };
    std::vector<Row> rows = {
        {{"no gesture (passed on)", false, 1 << 30, wiggle, {},
          [](const GestureSession& g) { return g.Tracking == 0; }},
         true, {}},
        {{"dead zone", true, 200, wiggle, {},
          [](const GestureSession& g) { return g.Tracking == 1 && g.Drawing == 0; }},
         true, {}},
        {{"drawing, no step", true, 200, nearAnchor, drawing,
          [](const GestureSession& g) { return g.Drawing == 1 && g.StrokeCount == 1; }},
         true, {}},
        {{"step, trail off", true, 40, rightward, drawing,
          [](const GestureSession& g) { return g.Drawing == 1 && g.StrokeCount == 1; }},
         false, {}},
        {{"step, trail on", true, 40, rightward, drawing,
          [](const GestureSession& g) { return g.Drawing == 1 && g.StrokeCount == 1; }},
         true, {}},
        {{"step, new stroke", true, 4, square, drawing,
          [](const GestureSession& g) { return g.StrokeCount == 5; }},
         true, {}},
    };
    for (Row& r : rows) {
        trail(r.trailOn);
        r.f.endToEnd = bench.EndToEnd(r.situation, origin, &v.session(), r.f.behaved);
        r.f.hookAlone = bench.HookAlone(r.situation, v.window.view(), origin, v.session(), r.f.behaved);
        v.browser.statusTexts.clear();
    }

    // What the platform calls the hook makes cost on their own, for reading the figures.
    MOUSEHOOKSTRUCT m{};
    m.hwnd = v.window.view();
    m.pt = origin;
    RECT rect{};
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"CallNextHookEx", [&] { ::CallNextHookEx(nullptr, HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&m)); }},
        {"GetKeyState", [] { ::GetKeyState(VK_CONTROL); }},
        {"GetAsyncKeyState", [] { ::GetAsyncKeyState(VK_RBUTTON); }},
        {"GetWindowThreadProcessId", [&] { ::GetWindowThreadProcessId(m.hwnd, nullptr); }},
        {"GetWindowRect", [&] { ::GetWindowRect(m.hwnd, &rect); }},
    };
    std::vector<std::pair<const char*, double>> callCosts;
    for (const auto& [name, call] : calls) {
        const double t0 = Now();
        for (int i = 0; i < moves; ++i) call();
        callCosts.emplace_back(name, (Now() - t0) / moves);
    }

    std::printf("WM_MOUSEMOVE cost, %d moves per situation (Wine, Xvfb)\n", moves);
    std::printf("%-24s %14s %10s %16s\n", "situation", "end to end", "vs no hook", "hook procedure");
    std::printf("%-24s %11.1f us %10s %16s\n", "no hook", noHook * 1e6, "1.00", "-");
    bool allBehaved = true;
    for (const Row& r : rows) {
        std::printf("%-24s %11.1f us %10.2f %13.2f us%s\n", r.situation.name, r.f.endToEnd * 1e6,
                    r.f.endToEnd / noHook, r.f.hookAlone * 1e6, r.f.behaved ? "" : "  (did not behave as named)");
        allBehaved = allBehaved && r.f.behaved;
    }
    std::printf("platform calls alone:");
    for (const auto& [name, cost] : callCosts) std::printf(" %s %.2f us;", name, cost * 1e6);
    std::printf("\n");
    ::CoUninitialize();
    return allBehaved ? 0 : 1;
}

}  // namespace
}  // namespace cc

int main(int argc, char** argv) {
    int moves = 2000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--moves") == 0) moves = std::max(10, std::atoi(argv[i + 1]));
    }
    return cc::Run(moves);
}
