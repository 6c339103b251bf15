#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <vector>

#include "gesture/tracker_rules.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

TEST(StrokeDirection, AxesAndTiesGoVertical) {
    EXPECT_EQ(StrokeDirection({0, -20}, {0, 0}), StrokeUp);
    EXPECT_EQ(StrokeDirection({0, 20}, {0, 0}), StrokeDown);
    EXPECT_EQ(StrokeDirection({20, 0}, {0, 0}), StrokeRight);
    EXPECT_EQ(StrokeDirection({-20, 0}, {0, 0}), StrokeLeft);
    EXPECT_EQ(StrokeDirection({20, 20}, {0, 0}), StrokeDown);
    EXPECT_EQ(StrokeDirection({20, -20}, {0, 0}), StrokeUp);
    EXPECT_EQ(StrokeDirection({-20, -20}, {0, 0}), StrokeUp);
    EXPECT_EQ(StrokeDirection({-20, 20}, {0, 0}), StrokeDown);
    EXPECT_EQ(StrokeDirection({21, 20}, {0, 0}), StrokeRight);
    EXPECT_EQ(StrokeDirection({100, 100}, {100, 100}), StrokeUp);  // no movement counts as up
}

TEST(StrokeDirection, ExtremeCoordinatesDoNotOverflow) {
    EXPECT_EQ(StrokeDirection({INT_MAX, 0}, {INT_MIN, 0}), StrokeRight);
    EXPECT_EQ(StrokeDirection({0, INT_MIN}, {0, INT_MAX}), StrokeUp);
    EXPECT_TRUE(BeyondSensitivity({INT_MIN, 0}, {INT_MAX, 0}, INT_MAX));
}

TEST(DeadZone, MoreThanTheSensitivityOnEitherAxis) {
    EXPECT_FALSE(BeyondSensitivity({115, 100}, {100, 100}, 15));
    EXPECT_FALSE(BeyondSensitivity({85, 114}, {100, 100}, 15));
    EXPECT_TRUE(BeyondSensitivity({116, 100}, {100, 100}, 15));
    EXPECT_TRUE(BeyondSensitivity({100, 84}, {100, 100}, 15));
    EXPECT_FALSE(BeyondSensitivity({100, 100}, {100, 100}, 0));
    EXPECT_TRUE(BeyondSensitivity({101, 100}, {100, 100}, 0));
    EXPECT_TRUE(BeyondSensitivity({100, 100}, {100, 100}, -1));  // a hostile threshold: every move is a step
}

std::vector<int32_t> Recorded(const GestureSession& s) {
    return {s.Strokes, s.Strokes + s.StrokeCount};
}

TEST(Recording, RepeatsMergeAndFiveIsTheCap) {
    GestureSession s;
    for (int32_t d : {1, 1, 1}) RecordStroke(s, d);
    EXPECT_EQ(Recorded(s), (std::vector<int32_t>{1}));

    s = {};
    for (int32_t d : {1, 2, 1}) RecordStroke(s, d);
    EXPECT_EQ(Recorded(s), (std::vector<int32_t>{1, 2, 1}));

    s = {};
    for (int32_t d : {0, 1, 2, 3, 0}) EXPECT_TRUE(RecordStroke(s, d));
    EXPECT_FALSE(RecordStroke(s, 1));
    EXPECT_EQ(s.StrokeCount, 5);
    EXPECT_EQ(Recorded(s), (std::vector<int32_t>{0, 1, 2, 3, 0}));
}

TEST(Begin, ResetsTheGestureButNotTheWindowFlags) {
    GestureSession s;
    s.StrokeCount = 3;
    s.Drawing = s.SkipNextRightUp = s.TimedOut = 1;
    s.GesturesOff = s.TabbedBrowser = 1;
    s.TimerId = 7;
    BeginGestureState(s, {300, 400});
    EXPECT_EQ(s.Tracking, 1);
    EXPECT_EQ(s.Drawing, 0);
    EXPECT_EQ(s.SkipNextRightUp, 0);
    EXPECT_EQ(s.TimedOut, 0);
    EXPECT_EQ(s.StrokeCount, 0);
    EXPECT_EQ(s.PressPoint, (Point{300, 400}));
    EXPECT_EQ(s.GesturesOff, 1);
    EXPECT_EQ(s.TabbedBrowser, 1);
    EXPECT_EQ(s.TimerId, 7u);  // the timer is the Win32 side's business
}

TEST(Gate, OrderOfTheChecks) {
    GestureSession s;
    s.Tracking = 1;
    s.GesturesOff = 1;
    EXPECT_EQ(GateMove(s, true, false), MoveGate::Pass);
    s.GesturesOff = 0;
    EXPECT_EQ(GateMove(s, true, true), MoveGate::Pass);  // Ctrl freezes
    EXPECT_EQ(s.Tracking, 1);
    EXPECT_EQ(GateMove(s, true, false), MoveGate::Track);
    EXPECT_EQ(GateMove(s, false, false), MoveGate::Pass);  // pressed, not drawing: nothing to abandon
    EXPECT_EQ(s.Tracking, 1);
    s.Tracking = 0;
    EXPECT_EQ(GateMove(s, true, false), MoveGate::Pass);
}

TEST(Gate, LeavingTheViewAbandonsADrawnGestureEvenWithCtrl) {
    GestureSession s;
    s.Tracking = s.Drawing = 1;
    s.StrokeCount = 2;
    s.TimerId = 1;
    EXPECT_EQ(GateMove(s, false, true), MoveGate::Abandon);
    EXPECT_EQ(s.Tracking, 0);
    EXPECT_EQ(s.Drawing, 0);
    EXPECT_EQ(s.StrokeCount, 0);
    EXPECT_EQ(s.TimerId, 1u);  // left running until the release
    EXPECT_EQ(GateMove(s, true, false), MoveGate::Pass);  // coming back does not resume
}

class Advance : public ::testing::Test {
protected:
    // The view's window rectangle starts at (100, 50); the press is at (300, 200).
    const Point origin{100, 50};
    TrackSettings settings{15, 0, 0, 1};
    GestureSession s;
    std::array<int32_t, kSettingsInts> block_{};

    void SetUp() override { BeginGestureState(s, {300, 200}); }
    MoveStep Move(int32_t x, int32_t y) { return AdvanceMove(s, {x, y}, origin, settings); }
};

TEST_F(Advance, FifteenPixelsStaysInTheDeadZoneSixteenStartsDrawing) {
    MoveStep step = Move(315, 210);
    EXPECT_TRUE(step.consume);
    EXPECT_EQ(s.Drawing, 0);
    EXPECT_EQ(s.CurrentPoint, (Point{215, 160}));

    step = Move(300, 216);
    EXPECT_TRUE(step.consume);
    EXPECT_EQ(s.Drawing, 1);
    EXPECT_EQ(s.AnchorPoint, (Point{200, 150}));  // the press point in the view's frame
    EXPECT_EQ(s.StrokeCount, 0);                   // nothing recorded or drawn by this move
    EXPECT_FALSE(step.drawSegment);
    EXPECT_FALSE(step.strokeRecorded);
}

// Stored sizes are pixels at 96 DPI, scaled as MulDiv rounds: half a pixel goes up.
TEST_F(Advance, TheDeadZoneAndTheTrailScaleWithTheViewsDpi) {
    block_.fill(0);
    SettingsView view(block_.data());
    view.Set(Field::SensitivityPixels, 15);
    settings = ReadTrackSettings(view, 144);
    EXPECT_EQ(settings.sensitivityPixels, 23);
    Move(323, 200);
    EXPECT_EQ(s.Drawing, 0) << "23 pixels stay in the dead zone at 144 DPI";
    Move(300, 224);
    EXPECT_EQ(s.Drawing, 1) << "24 start the gesture";
    EXPECT_EQ(ReadTrackSettings(view, 96).sensitivityPixels, 15);
    EXPECT_EQ(ReadTrackSettings(view, 192).sensitivityPixels, 30);

    EXPECT_EQ(ScaleForDpi(1, 144), 2);
    EXPECT_EQ(ScaleForDpi(1, 120), 1);
    EXPECT_EQ(ScaleForDpi(5, 120), 6);  // 6.25
    EXPECT_EQ(ScaleForDpi(-15, 144), -23);
    EXPECT_EQ(ScaleForDpi(INT32_MAX, 192), INT32_MAX) << "saturates, never wraps";
    EXPECT_EQ(ScaleForDpi(15, 0), 15) << "an unknown DPI leaves the size alone";
}

TEST_F(Advance, StepsDrawRecordAndMoveTheAnchor) {
    Move(330, 200);  // starts drawing, anchor at the press point
    MoveStep step = Move(340, 200);  // 40 from the anchor
    EXPECT_TRUE(step.consume);
    EXPECT_TRUE(step.drawSegment);
    EXPECT_EQ(step.segmentFrom, (Point{200, 150}));
    EXPECT_EQ(step.segmentTo, (Point{240, 150}));
    EXPECT_TRUE(step.strokeRecorded);
    EXPECT_EQ(s.AnchorPoint, (Point{240, 150}));

    step = Move(350, 200);  // only 10 more: no step, still consumed
    EXPECT_TRUE(step.consume);
    EXPECT_FALSE(step.drawSegment);
    EXPECT_EQ(s.AnchorPoint, (Point{240, 150}));

    step = Move(370, 200);  // 30 more right: drawn, merged into the first stroke
    EXPECT_TRUE(step.drawSegment);
    EXPECT_FALSE(step.strokeRecorded);
    step = Move(370, 240);
    EXPECT_TRUE(step.strokeRecorded);
    EXPECT_EQ(std::vector<int32_t>(s.Strokes, s.Strokes + s.StrokeCount), (std::vector<int32_t>{1, 2}));
}

TEST_F(Advance, ASixthDirectionIsDrawnButNotRecorded) {
    Move(330, 200);
    const Point path[] = {{360, 200}, {360, 230}, {330, 230}, {330, 200}, {360, 200}, {360, 230}};
    MoveStep step;
    for (Point p : path) step = Move(p.x, p.y);
    EXPECT_EQ(s.StrokeCount, 5);
    EXPECT_TRUE(step.drawSegment);
    EXPECT_FALSE(step.strokeRecorded);
}

TEST_F(Advance, TrailOffStillRecords) {
    settings.trailEnabled = 0;
    Move(330, 200);
    const MoveStep step = Move(360, 200);
    EXPECT_FALSE(step.drawSegment);
    EXPECT_TRUE(step.strokeRecorded);
}

TEST_F(Advance, EveryStepClearsTimedOutAndRestartsTheTimerOnlyWithATimeout) {
    Move(330, 200);
    s.TimedOut = 1;
    MoveStep step = Move(360, 200);
    EXPECT_EQ(s.TimedOut, 0);
    EXPECT_FALSE(step.restartTimer);

    settings.timeoutMs = 500;
    s.TimedOut = 1;
    step = Move(360, 230);
    EXPECT_EQ(s.TimedOut, 0);
    EXPECT_TRUE(step.restartTimer);

    s.TimedOut = 1;
    step = Move(365, 235);  // no step: nothing restarted, TimedOut stays
    EXPECT_FALSE(step.restartTimer);
    EXPECT_EQ(s.TimedOut, 1);

    settings.timeoutMs = -100;
    step = Move(400, 235);
    EXPECT_FALSE(step.restartTimer);
}

TEST_F(Advance, HoldOnAFolderListHandsThePressOver) {
    settings = {15, 500, 1, 1};
    s.ViewKind = ViewFolderList;
    s.TimedOut = 1;
    const MoveStep step = Move(302, 201);
    EXPECT_TRUE(step.handOver);
    EXPECT_FALSE(step.consume);
    EXPECT_EQ(s.Tracking, 0);
    EXPECT_EQ(s.TimedOut, 0);
    EXPECT_EQ(GateMove(s, true, false), MoveGate::Pass);  // later moves reach the list
}

TEST_F(Advance, NoHandOverUnlessAllThreeConditionsHold) {
    struct Case {
        int32_t release;
        int32_t timedOut;
        int32_t kind;
    } cases[] = {{0, 1, ViewFolderList}, {1, 0, ViewFolderList}, {1, 1, ViewWeb}, {1, 1, ViewNone}, {7, 1, ViewWeb}};
    for (const Case& c : cases) {
        SetUp();
        settings = {15, 500, c.release, 1};
        s.TimedOut = c.timedOut;
        s.ViewKind = c.kind;
        const MoveStep step = Move(302, 201);
        EXPECT_FALSE(step.handOver) << c.release << c.timedOut << c.kind;
        EXPECT_TRUE(step.consume);
        EXPECT_EQ(s.Tracking, 1);
    }
    // Any non-zero flag value counts.
    SetUp();
    settings = {15, 500, -4, 1};
    s.TimedOut = 1;
    s.ViewKind = ViewFolderList;
    EXPECT_TRUE(Move(302, 201).handOver);
}

TEST(PackPoint, CoordinatesAreCutTo16BitsXLow) {
    EXPECT_EQ(PackPointLParam({5, 7}), 0x00070005u);
    EXPECT_EQ(PackPointLParam({-1, 2}), 0x0002FFFFu);
    EXPECT_EQ(PackPointLParam({0x12345, -2}), 0xFFFE2345u);
}

}  // namespace
}  // namespace cc
