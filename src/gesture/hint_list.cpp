#include "gesture/hint_list.h"

#include "actions/action_match.h"
#include "context/gesture_session.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

constexpr wchar_t kStrokeSuffix[] = L" ";
constexpr wchar_t kBeforeActionName[] = L"  ";
constexpr int kMaxActions = kBrowserActionCount > kExplorerActionCount ? kBrowserActionCount : kExplorerActionCount;

// A stored gesture the tracker can record: 1..5 known codes, no stroke repeating the one
// before it (the tracker merges those).
bool Drawable(const Gesture& g) {
    if (g.count < 1 || g.count > kMaxStrokes) return false;
    for (int32_t i = 0; i < g.count; ++i) {
        if (!IsStrokeCode(g.strokes[i])) return false;
        if (i > 0 && g.strokes[i] == g.strokes[i - 1]) return false;
    }
    return true;
}

bool SameGesture(const Gesture& a, const Gesture& b) {
    if (a.count != b.count) return false;
    for (int32_t i = 0; i < a.count; ++i) {
        if (a.strokes[i] != b.strokes[i]) return false;
    }
    return true;
}

}  // namespace

uint32_t HintRestMs(int32_t timeoutMs) {
    if (timeoutMs > 0 && timeoutMs <= 300) return 0;
    if (timeoutMs > 0 && timeoutMs < 800) return static_cast<uint32_t>(timeoutMs / 2);
    return 400;
}

int BuildHintList(const SettingsView& settings, int32_t viewKind, bool tabbedBrowser, int32_t strokeCount,
                  const int32_t (&strokes)[kMaxStrokes], wchar_t* out, std::size_t outUnits) {
    if (out == nullptr || outUnits == 0) return 0;
    out[0] = L'\0';
    ActionList list;
    if (!settings.valid() || !ActionListForView(viewKind, list)) return 0;
    const int32_t drawn = SanitizeStrokeCount(strokeCount);

    // One read of each stored gesture: another process may write the block meanwhile.
    Gesture gestures[kMaxActions];
    const int actions = ActionCount(list) < kMaxActions ? ActionCount(list) : kMaxActions;
    for (int k = 0; k < actions; ++k) gestures[k] = settings.ReadGesture(list, k);

    int picked[kMaxActions];
    int found = 0;
    for (int k = 0; k < actions; ++k) {
        const Gesture& g = gestures[k];
        if (!Drawable(g) || g.count <= drawn) continue;
        bool continues = true;
        for (int32_t i = 0; i < drawn && continues; ++i) continues = g.strokes[i] == strokes[i];
        if (!continues) continue;
        // The lookup picks the lowest action with this gesture: a later one is never reached.
        bool shadowed = false;
        for (int earlier = 0; earlier < k && !shadowed; ++earlier) shadowed = SameGesture(gestures[earlier], g);
        if (shadowed) continue;
        if (list == ActionList::Browser && !tabbedBrowser && BrowserActionTabbedOnly(k)) continue;
        picked[found++] = k;
    }
    // Stable by stroke count: the actions stay in their list's order within a count.
    for (int i = 1; i < found; ++i) {
        const int k = picked[i];
        int j = i;
        for (; j > 0 && gestures[picked[j - 1]].count > gestures[k].count; --j) picked[j] = picked[j - 1];
        picked[j] = k;
    }

    std::size_t len = 0;
    auto append = [&](const wchar_t* text) {
        for (; text != nullptr && *text != L'\0' && len + 1 < outUnits; ++text) out[len++] = *text;
    };
    const int shown = found > kMaxHintLines ? kMaxHintLines - 1 : found;
    for (int line = 0; line < shown; ++line) {
        if (line > 0) append(L"\n");
        const Gesture& g = gestures[picked[line]];
        for (int32_t i = 0; i < g.count; ++i) {
            append(DirectionName(g.strokes[i]));
            append(kStrokeSuffix);
        }
        append(kBeforeActionName);
        append(ActionName(list, picked[line]));
    }
    if (found > kMaxHintLines) {
        append(L"\n");
        append(kMoreHints);
    }
    out[len] = L'\0';
    return found > kMaxHintLines ? kMaxHintLines : found;
}

}  // namespace cc
