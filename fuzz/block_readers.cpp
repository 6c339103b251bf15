#include "block_readers.h"

#include <climits>
#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>

#include "actions/action_match.h"
#include "fuzz_check.h"
#include "context/gesture_session.h"
#include "gesture/status_text.h"
#include "gesture/tracker_rules.h"
#include "settings/action_catalogue.h"
#include "settings/settings_block.h"

namespace cc::fuzz {
namespace {

constexpr int32_t kEdgeInts[] = {INT32_MIN, INT32_MIN + 1, -65537, -65536, -32769, -32768, -2, -1, 0, 1, 2, 3, 4,
                                 5,         6,             15,     16,     32767,  32768,  65535, 65536, INT32_MAX - 1,
                                 INT32_MAX};

// Small values most of the time, so steps and sensitivities look like real ones, and the
// edges of the type often enough to reach every overflow.
int32_t FuzzInt(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return in.PickValueInArray(kEdgeInts);
    case 1:
        return in.ConsumeIntegral<int32_t>();
    default:
        return in.ConsumeIntegralInRange<int32_t>(-64, 64);
    }
}

Point FuzzPoint(FuzzedDataProvider& in) { return {FuzzInt(in), FuzzInt(in)}; }

int32_t Saturate(int64_t v) {
    return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v));
}

// View kinds: the three the locator sets, and ones no code of ours produces.
constexpr int32_t kViewKinds[] = {ViewNone, ViewWeb, ViewFolderList, 3, -1, INT32_MIN, INT32_MAX};

int32_t FuzzViewKind(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.PickValueInArray(kViewKinds) : in.ConsumeIntegral<int32_t>();
}

bool ListOfView(int32_t viewKind, ActionList& list) {
    if (viewKind == ViewFolderList) {
        list = ActionList::Explorer;
        return true;
    }
    if (viewKind == ViewWeb) {
        list = ActionList::Browser;
        return true;
    }
    return false;
}

constexpr ActionList kLists[] = {ActionList::Explorer, ActionList::Browser};

// The buffer sizes the pages and the status bar use, and odd ones.
constexpr std::size_t kTextSizes[] = {0, 1, 2, 7, kGestureTextUnits};

int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }

// ---- Plain reads -------------------------------------------------------------------

void CheckPlainReads(const SettingsView& view) {
    const auto* ints = static_cast<const int32_t*>(view.data());
    for (int i = 0; i < kSettingsInts; ++i) {
        const int32_t v = ints[i];
        const int32_t count = SanitizeStrokeCount(v);
        FUZZ_CHECK(count >= 0 && count <= kMaxStrokes);
        FUZZ_CHECK((v >= 0 && v <= kMaxStrokes) ? count == v : count == 0);
        const int32_t width = ClampTrailWidth(v);
        FUZZ_CHECK(width >= kMinTrailWidth && width <= kMaxTrailWidth);
        if (v >= kMinTrailWidth && v <= kMaxTrailWidth) FUZZ_CHECK(width == v);
        if (v < kMinTrailWidth) FUZZ_CHECK(width == kMinTrailWidth);
        if (v > kMaxTrailWidth) FUZZ_CHECK(width == kMaxTrailWidth);
    }

    for (ActionList list : kLists) {
        const int n = ActionCount(list);
        const int ids[] = {INT32_MIN, -2, -1, n, n + 1, INT32_MAX};
        for (int k : ids) {
            const Gesture g = view.ReadGesture(list, k);
            FUZZ_CHECK(g.count == 0);
            for (int32_t code : g.strokes) FUZZ_CHECK(code == 0);
            FUZZ_CHECK(view.StoredStrokeCount(list, k) == 0);
            for (int slot = -1; slot <= kMaxStrokes; ++slot) FUZZ_CHECK(view.StoredStroke(list, k, slot) == 0);
            FUZZ_CHECK(ActionName(list, k) == nullptr);
        }
        for (int k = 0; k < n; ++k) {
            const Gesture g = view.ReadGesture(list, k);
            FUZZ_CHECK(g.count == SanitizeStrokeCount(view.StoredStrokeCount(list, k)));
            for (int slot = 0; slot < kMaxStrokes; ++slot) FUZZ_CHECK(g.strokes[slot] == view.StoredStroke(list, k, slot));
            for (int slot : {INT32_MIN, -1, kMaxStrokes, INT32_MAX}) FUZZ_CHECK(view.StoredStroke(list, k, slot) == 0);
            FUZZ_CHECK(ActionName(list, k) != nullptr);
        }
    }
}

// ---- Gesture text ------------------------------------------------------------------

bool IsGestureTextUnit(wchar_t c) {
    return c == L'上' || c == L'右' || c == L'下' || c == L'左' || c == L'-' || c == L'\xFF0D';
}

void CheckGestureText(int32_t count, const int32_t (&strokes)[kMaxStrokes], std::size_t oddSize) {
    wchar_t full[kGestureTextUnits];
    const std::size_t fullLength = FormatGestureText(count, strokes, full, kGestureTextUnits);
    // Five names and four separators at most.
    FUZZ_CHECK(fullLength <= 9);
    FUZZ_CHECK(full[fullLength] == L'\0');
    FUZZ_CHECK(std::wcslen(full) == fullLength);
    for (std::size_t i = 0; i < fullLength; ++i) FUZZ_CHECK(IsGestureTextUnit(full[i]));
    if (SanitizeStrokeCount(count) == 0) FUZZ_CHECK(std::wstring_view(full) == L"\xFF0D");

    for (std::size_t size : kTextSizes) {
        GuardedText buffer(size);
        CheckCutText(buffer, FormatGestureText(count, strokes, buffer.data(), size), full, fullLength);
    }
    GuardedText odd(oddSize);
    CheckCutText(odd, FormatGestureText(count, strokes, odd.data(), oddSize), full, fullLength);
    FUZZ_CHECK(FormatGestureText(count, strokes, nullptr, kGestureTextUnits) == 0);
}

// ---- Matching ----------------------------------------------------------------------

bool StoredGestureEquals(const SettingsView& view, ActionList list, int action, int32_t n,
                         const int32_t (&strokes)[kMaxStrokes]) {
    const Gesture g = view.ReadGesture(list, action);
    if (g.count != n) return false;
    for (int32_t i = 0; i < n; ++i) {
        if (g.strokes[i] != strokes[i]) return false;
    }
    return true;
}

// The action found is the lowest of the view's list whose stored gesture equals the
// recording; none for an empty recording or a view kind without a list.
int CheckMatch(const SettingsView& view, int32_t viewKind, int32_t count, const int32_t (&strokes)[kMaxStrokes]) {
    const int found = FindBoundAction(view, viewKind, count, strokes);
    const int32_t n = SanitizeStrokeCount(count);
    ActionList list;
    if (n == 0 || !ListOfView(viewKind, list)) {
        FUZZ_CHECK(found == kNoAction);
        return found;
    }
    if (found != kNoAction) {
        FUZZ_CHECK(found >= 0 && found < ActionCount(list));
        FUZZ_CHECK(StoredGestureEquals(view, list, found, n, strokes));
    }
    const int below = found == kNoAction ? ActionCount(list) : found;
    for (int k = 0; k < below; ++k) FUZZ_CHECK(!StoredGestureEquals(view, list, k, n, strokes));
    return found;
}

void CheckMatchAllViews(const SettingsView& view, int32_t fuzzedViewKind, int32_t count,
                        const int32_t (&strokes)[kMaxStrokes]) {
    for (int32_t kind : kViewKinds) CheckMatch(view, kind, count, strokes);
    CheckMatch(view, fuzzedViewKind, count, strokes);
}

// ---- Status text -------------------------------------------------------------------

void CheckStatusText(const GestureSession& s, const SettingsView& view, std::size_t oddSize) {
    wchar_t full[kStatusTextUnits];
    const std::size_t fullLength = BuildGestureStatusText(s, view, full, kStatusTextUnits);
    FUZZ_CHECK(fullLength < kStatusTextUnits);
    FUZZ_CHECK(full[fullLength] == L'\0');
    FUZZ_CHECK(std::wcslen(full) == fullLength);

    const std::wstring_view text(full, fullLength);
    FUZZ_CHECK(text.starts_with(L"ジェスチャー ： "));
    // Ends with two spaces and the name of the bound action when it may be shown.
    const int action = FindBoundAction(view, s.ViewKind, s.StrokeCount, s.Strokes);
    std::wstring ending = L"  ";
    if (action != kNoAction) {
        if (s.ViewKind == ViewFolderList) {
            ending += ActionName(ActionList::Explorer, action);
        } else if (s.ViewKind == ViewWeb && (s.TabbedBrowser || !BrowserActionIe7Only(action))) {
            ending += ActionName(ActionList::Browser, action);
        }
    }
    FUZZ_CHECK(text.ends_with(ending));

    for (std::size_t size : kTextSizes) {
        GuardedText buffer(size);
        CheckCutText(buffer, BuildGestureStatusText(s, view, buffer.data(), size), full, fullLength);
    }
    GuardedText odd(oddSize);
    CheckCutText(odd, BuildGestureStatusText(s, view, odd.data(), oddSize), full, fullLength);
    FUZZ_CHECK(BuildGestureStatusText(s, view, nullptr, kStatusTextUnits) == 0);
}

// ---- Geometry ----------------------------------------------------------------------

void CheckGeometry(Point a, Point b, int32_t sensitivity) {
    const int64_t dx = static_cast<int64_t>(a.x) - b.x;
    const int64_t dy = static_cast<int64_t>(a.y) - b.y;

    const int32_t d = StrokeDirection(a, b);
    FUZZ_CHECK(IsStrokeCode(d));
    if (d == StrokeLeft || d == StrokeRight) {
        FUZZ_CHECK(Abs64(dx) > Abs64(dy));
        FUZZ_CHECK((d == StrokeRight) == (dx > 0));
    } else {
        FUZZ_CHECK(Abs64(dx) <= Abs64(dy));
        FUZZ_CHECK((d == StrokeDown) == (dy > 0));
    }
    // The way back is the opposite direction.
    if (!(a == b)) FUZZ_CHECK(StrokeDirection(b, a) == (d + 2) % kDirectionCount);

    const bool beyond = BeyondSensitivity(a, b, sensitivity);
    FUZZ_CHECK(beyond == BeyondSensitivity(b, a, sensitivity));
    FUZZ_CHECK(beyond == (Abs64(dx) > sensitivity || Abs64(dy) > sensitivity));
    if (sensitivity < 0) FUZZ_CHECK(beyond);
    if (a == b && sensitivity >= 0) FUZZ_CHECK(!beyond);
    if (beyond && sensitivity > INT32_MIN) FUZZ_CHECK(BeyondSensitivity(a, b, sensitivity - 1));

    // The window procedure reads each word back as a signed 16-bit coordinate.
    const uint32_t packed = PackPointLParam(a);
    if (a.x >= INT16_MIN && a.x <= INT16_MAX) FUZZ_CHECK(static_cast<int16_t>(packed & 0xFFFFu) == a.x);
    if (a.y >= INT16_MIN && a.y <= INT16_MAX) FUZZ_CHECK(static_cast<int16_t>(packed >> 16) == a.y);
}

// ---- The tracker -------------------------------------------------------------------

// What the tracker itself can produce: at most five codes, each a direction, no two
// neighbours equal.
void CheckRecording(const GestureSession& s) {
    FUZZ_CHECK(s.StrokeCount >= 0 && s.StrokeCount <= kMaxStrokes);
    for (int32_t i = 0; i < s.StrokeCount; ++i) {
        FUZZ_CHECK(IsStrokeCode(s.Strokes[i]));
        if (i > 0) FUZZ_CHECK(s.Strokes[i] != s.Strokes[i - 1]);
    }
}

bool SameGestureState(const GestureSession& a, const GestureSession& b) {
    if (a.StrokeCount != b.StrokeCount || a.Tracking != b.Tracking || a.Drawing != b.Drawing ||
        a.SkipNextRightUp != b.SkipNextRightUp || a.TimedOut != b.TimedOut || a.GesturesOff != b.GesturesOff ||
        a.ViewKind != b.ViewKind || !(a.CurrentPoint == b.CurrentPoint) || !(a.AnchorPoint == b.AnchorPoint) ||
        !(a.PressPoint == b.PressPoint)) {
        return false;
    }
    for (int i = 0; i < kMaxStrokes; ++i) {
        if (a.Strokes[i] != b.Strokes[i]) return false;
    }
    return true;
}

Point Relative(Point p, Point origin) {
    // Two's-complement wrap, as the platform's own coordinate arithmetic would.
    return {static_cast<int32_t>(static_cast<uint32_t>(p.x) - static_cast<uint32_t>(origin.x)),
            static_cast<int32_t>(static_cast<uint32_t>(p.y) - static_cast<uint32_t>(origin.y))};
}

// One move as the Win32 tracker makes it: the gate, then (when it says Track) the
// advance with the settings read from the block at the move.
void CheckOneMove(GestureSession& s, const SettingsView& view, bool overTarget, bool ctrlDown, Point pointer,
                  Point origin, const int32_t* sensitivityOverride, std::size_t oddSize) {
    const GestureSession before = s;
    const MoveGate gate = GateMove(s, overTarget, ctrlDown);
    switch (gate) {
    case MoveGate::Pass:
        FUZZ_CHECK(SameGestureState(before, s));
        return;
    case MoveGate::Abandon:
        FUZZ_CHECK(!overTarget && before.Drawing && !before.GesturesOff);
        FUZZ_CHECK(s.Tracking == 0 && s.Drawing == 0 && s.StrokeCount == 0);
        return;
    case MoveGate::Track:
        FUZZ_CHECK(overTarget && !ctrlDown && before.Tracking && !before.GesturesOff);
        FUZZ_CHECK(SameGestureState(before, s));
        break;
    }

    const TrackSettings live{sensitivityOverride ? *sensitivityOverride : view.Get(Field::SensitivityPixels),
                             view.Get(Field::TimeoutMs), view.Get(Field::ReleaseOnFolderHold),
                             view.Get(Field::TrailEnabled)};
    const MoveStep step = AdvanceMove(s, pointer, origin, live);
    FUZZ_CHECK(s.CurrentPoint == Relative(pointer, origin));

    if (before.Drawing) {
        FUZZ_CHECK(step.consume && !step.handOver && s.Drawing && s.Tracking);
        if (!BeyondSensitivity(s.CurrentPoint, before.AnchorPoint, live.sensitivityPixels)) {
            // Below the sensitivity: nothing but the current point changes.
            FUZZ_CHECK(!step.drawSegment && !step.strokeRecorded && !step.restartTimer);
            FUZZ_CHECK(s.AnchorPoint == before.AnchorPoint && s.StrokeCount == before.StrokeCount);
        } else {
            const int32_t d = StrokeDirection(s.CurrentPoint, before.AnchorPoint);
            const bool fresh = before.StrokeCount < kMaxStrokes &&
                               (before.StrokeCount == 0 || before.Strokes[before.StrokeCount - 1] != d);
            FUZZ_CHECK(step.strokeRecorded == fresh);
            FUZZ_CHECK(s.StrokeCount == before.StrokeCount + (fresh ? 1 : 0));
            if (fresh) FUZZ_CHECK(s.Strokes[s.StrokeCount - 1] == d);
            FUZZ_CHECK(s.AnchorPoint == s.CurrentPoint && s.TimedOut == 0);
            FUZZ_CHECK(step.drawSegment == (live.trailEnabled != 0));
            if (step.drawSegment) FUZZ_CHECK(step.segmentFrom == before.AnchorPoint && step.segmentTo == s.CurrentPoint);
            FUZZ_CHECK(step.restartTimer == (live.timeoutMs > 0));
        }
    } else if (step.handOver) {
        FUZZ_CHECK(live.releaseOnFolderHold != 0 && before.TimedOut && before.ViewKind == ViewFolderList);
        FUZZ_CHECK(!step.consume && s.Tracking == 0 && s.TimedOut == 0 && s.Drawing == 0);
    } else {
        FUZZ_CHECK(step.consume && !step.drawSegment && !step.strokeRecorded && !step.restartTimer);
        FUZZ_CHECK(s.StrokeCount == before.StrokeCount);
        const bool leaves = BeyondSensitivity(pointer, before.PressPoint, live.sensitivityPixels);
        FUZZ_CHECK((s.Drawing != 0) == leaves);
        if (leaves) FUZZ_CHECK(s.AnchorPoint == Relative(before.PressPoint, origin));
    }

    CheckRecording(s);
    // The tracker rewrites the status bar after each recorded stroke.
    if (step.strokeRecorded) CheckStatusText(s, view, oddSize);
}

void CheckTracker(const SettingsView& view, FuzzedDataProvider& in, std::size_t oddSize) {
    GestureSession s;
    s.ViewKind = FuzzViewKind(in);
    s.TabbedBrowser = in.ConsumeBool() ? 1 : 0;
    Point pointer = FuzzPoint(in);
    Point origin = in.ConsumeBool() ? Point{} : FuzzPoint(in);
    BeginGestureState(s, pointer);
    CheckRecording(s);

    const int moves = in.ConsumeIntegralInRange<int>(0, 64);
    for (int m = 0; m < moves && in.remaining_bytes() > 0; ++m) {
        const auto op = in.ConsumeIntegral<uint16_t>();
        if (op & 0x100) BeginGestureState(s, pointer);  // a new press where the pointer is
        if (op & 0x200) s.TimedOut = 1;                 // the gesture timer fired
        if (op & 0x400) s.GesturesOff = !s.GesturesOff;  // the double-click toggle
        if (op & 0x800) origin = FuzzPoint(in);          // the view moved
        if (op & 0x1000) {
            pointer = FuzzPoint(in);
        } else {
            const int32_t dx = in.ConsumeIntegralInRange<int32_t>(-40, 40);
            const int32_t dy = in.ConsumeIntegralInRange<int32_t>(-40, 40);
            pointer = {Saturate(static_cast<int64_t>(pointer.x) + dx), Saturate(static_cast<int64_t>(pointer.y) + dy)};
        }
        // The block's own sensitivity, or (mostly) a small one so strokes get recorded.
        int32_t sensitivity = 0;
        const int32_t* override = nullptr;
        if (!(op & 0x2000)) {
            sensitivity = (op & 0x4000) ? FuzzInt(in) : in.ConsumeIntegralInRange<int32_t>(0, 30);
            override = &sensitivity;
        }
        const bool overTarget = (op & 0x3) != 0;  // mostly over the view
        const bool ctrlDown = (op & 0xC) == 0xC;
        CheckOneMove(s, view, overTarget, ctrlDown, pointer, origin, override, oddSize);
    }
}

}  // namespace

void CheckBlockReaders(void* block, FuzzedDataProvider& in) {
    const SettingsView view(block);
    CheckPlainReads(view);

    const std::size_t oddSize = in.ConsumeIntegralInRange<std::size_t>(0, 300);

    // The text of every stored gesture, as the pages show it, through the sanitising read
    // and with the raw stored count.
    for (ActionList list : kLists) {
        for (int k = 0; k < ActionCount(list); ++k) {
            const Gesture g = view.ReadGesture(list, k);
            CheckGestureText(g.count, g.strokes, oddSize);
            CheckGestureText(view.StoredStrokeCount(list, k), g.strokes, oddSize);
        }
    }

    // Recordings: ones the tracker can make, hostile ones, and stored gestures.
    const int rounds = in.ConsumeIntegralInRange<int>(1, 4);
    for (int r = 0; r < rounds; ++r) {
        int32_t count = 0;
        int32_t strokes[kMaxStrokes] = {};
        const int source = in.ConsumeIntegralInRange<int>(0, 2);
        int storedAction = -1;
        ActionList storedList = ActionList::Explorer;
        if (source == 0) {
            count = in.ConsumeIntegralInRange<int32_t>(0, kMaxStrokes);
            for (int32_t& code : strokes) code = in.ConsumeIntegralInRange<int32_t>(0, kDirectionCount - 1);
        } else if (source == 1) {
            count = FuzzInt(in);
            for (int32_t& code : strokes) code = FuzzInt(in);
        } else {
            storedList = in.ConsumeBool() ? ActionList::Browser : ActionList::Explorer;
            storedAction = in.ConsumeIntegralInRange<int>(0, ActionCount(storedList) - 1);
            const Gesture g = view.ReadGesture(storedList, storedAction);
            count = g.count;
            for (int i = 0; i < kMaxStrokes; ++i) strokes[i] = g.strokes[i];
        }
        // Mostly the view whose list the stored gesture came from, so it is found.
        const int32_t viewKind = (storedAction >= 0 && in.ConsumeBool())
                                     ? (storedList == ActionList::Explorer ? ViewFolderList : ViewWeb)
                                     : FuzzViewKind(in);
        CheckMatchAllViews(view, viewKind, count, strokes);
        if (storedAction >= 0 && count > 0) {
            // A stored gesture always finds its own action or a lower one with the same gesture.
            const int found = CheckMatch(view, storedList == ActionList::Explorer ? ViewFolderList : ViewWeb, count,
                                         strokes);
            FUZZ_CHECK(found != kNoAction && found <= storedAction);
        }
        CheckGestureText(count, strokes, oddSize);

        // A session carrying the recording. Only the tracker writes a session, so a count
        // outside 0..5 cannot happen; the readers must still hold if one did.
        GestureSession s;
        s.StrokeCount = count;
        for (int i = 0; i < kMaxStrokes; ++i) s.Strokes[i] = strokes[i];
        s.ViewKind = viewKind;
        s.TabbedBrowser = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 1) : FuzzInt(in);
        CheckStatusText(s, view, oddSize);

        const int32_t code = FuzzInt(in);
        GestureSession next = s;
        const bool recorded = RecordStroke(next, code);
        if (s.StrokeCount < 0 || s.StrokeCount >= kMaxStrokes) {
            FUZZ_CHECK(!recorded && next.StrokeCount == s.StrokeCount);
        } else if (recorded) {
            FUZZ_CHECK(next.StrokeCount == s.StrokeCount + 1 && next.Strokes[s.StrokeCount] == code);
        } else {
            FUZZ_CHECK(next.StrokeCount == s.StrokeCount && s.StrokeCount > 0 && s.Strokes[s.StrokeCount - 1] == code);
        }
    }

    const int steps = in.ConsumeIntegralInRange<int>(0, 8);
    for (int i = 0; i < steps; ++i) {
        const Point a = FuzzPoint(in);
        const Point b = FuzzPoint(in);
        CheckGeometry(a, b, FuzzInt(in));
    }
    // The sensitivity the block holds, with the edges of the coordinates.
    CheckGeometry({INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}, view.Get(Field::SensitivityPixels));

    CheckTracker(view, in, oddSize);
}

}  // namespace cc::fuzz
