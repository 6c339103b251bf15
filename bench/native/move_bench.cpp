// Drives MeasuredMove through the per-move situations of a gesture, the same move again
// and again from the same state, so that instruction counts per move can be read off
// under callgrind (scripts/count-move-instructions.sh). Each scenario's state is set up
// before every move, outside MeasuredMove, and the outcome checked after it: a scenario
// that stopped doing what its name says would otherwise go on producing numbers.
//
//   move_bench <scenario> <moves>     runs one scenario
//   move_bench --list                 names the scenarios
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gesture/tracker_rules.h"
#include "measured_move.h"
#include "settings/action_catalogue.h"
#include "settings/settings_block.h"

namespace {

using cc::GestureSession;
using cc::Point;
using cc::bench::MoveInput;

// The view's window sits at (200, 150) on the screen; the press was at (500, 400), that
// is (300, 250) inside the view. The block holds the defaults (sensitivity 15, trail on,
// no timeout).
constexpr Point kOrigin{200, 150};
constexpr Point kPress{500, 400};
constexpr Point kPressInView{300, 250};

GestureSession Pressed() {
    GestureSession s;
    s.ViewKind = cc::ViewFolderList;
    cc::BeginGestureState(s, kPress);
    return s;
}

// Drawing, one stroke (right) recorded, the anchor where that stroke ended.
GestureSession DrawingRight() {
    GestureSession s = Pressed();
    s.Drawing = 1;
    s.StrokeCount = 1;
    s.Strokes[0] = cc::StrokeRight;
    s.AnchorPoint = {kPressInView.x + 40, kPressInView.y};
    return s;
}

Point ScreenOf(Point inView) { return {inView.x + kOrigin.x, inView.y + kOrigin.y}; }

struct Scenario {
    const char* name;
    const char* what;
    GestureSession (*state)();
    MoveInput move;
    int consumed;       // what MeasuredMove must return
    int32_t strokes;    // the stroke count after the move
    int32_t drawing;    // Drawing after the move
};

const Scenario kScenarios[] = {
    {"dead-zone-press", "pressed, 5 px from the press: still in the dead zone", Pressed,
     {true, false, {kPress.x + 5, kPress.y + 3}, kOrigin}, 1, 0, 0},
    {"dead-zone-drawing", "drawing, 6 px from the anchor: no step", DrawingRight,
     {true, false, ScreenOf({kPressInView.x + 46, kPressInView.y + 4}), kOrigin}, 1, 1, 1},
    {"step-same-direction", "drawing, 20 px right again: a step merged into the stroke", DrawingRight,
     {true, false, ScreenOf({kPressInView.x + 60, kPressInView.y + 2}), kOrigin}, 1, 1, 1},
    {"step-new-stroke", "drawing, 30 px down: a new stroke and the status text", DrawingRight,
     {true, false, ScreenOf({kPressInView.x + 40, kPressInView.y + 30}), kOrigin}, 1, 2, 1},
    {"gate-no-gesture", "no press: the gate passes the move on", [] { return GestureSession{}; },
     {true, false, {kPress.x + 30, kPress.y}, kOrigin}, 0, 0, 0},
    {"gate-ctrl-held", "drawing with Ctrl held: the gate passes the move on", DrawingRight,
     {true, true, ScreenOf({kPressInView.x + 40, kPressInView.y + 30}), kOrigin}, 0, 1, 1},
};

int Fail(const Scenario& sc, long i, const char* what) {
    std::fprintf(stderr, "%s, move %ld: %s\n", sc.name, i, what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Scenario& sc : kScenarios) std::printf("%s\t%s\n", sc.name, sc.what);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <scenario> <moves> | --list\n", argv[0]);
        return 2;
    }
    const Scenario* scenario = nullptr;
    for (const Scenario& sc : kScenarios) {
        if (std::strcmp(sc.name, argv[1]) == 0) scenario = &sc;
    }
    const long moves = std::strtol(argv[2], nullptr, 10);
    if (!scenario || moves <= 0) {
        std::fprintf(stderr, "unknown scenario or bad move count\n");
        return 2;
    }

    alignas(4) int32_t block[cc::kSettingsInts] = {};
    const cc::SettingsView settings(block);
    cc::ApplyDefaults(settings);

    const Scenario& sc = *scenario;
    for (long i = 0; i < moves; ++i) {
        GestureSession s = sc.state();
        const int consumed = cc::bench::MeasuredMove(s, settings, sc.move);
        if (consumed != sc.consumed) return Fail(sc, i, "consumed differs");
        if (s.StrokeCount != sc.strokes) return Fail(sc, i, "stroke count differs");
        if (s.Drawing != sc.drawing) return Fail(sc, i, "drawing state differs");
    }
    std::printf("%s: %ld moves\n", sc.name, moves);
    return 0;
}
