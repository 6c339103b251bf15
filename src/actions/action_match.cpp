#include "actions/action_match.h"

#include "context/gesture_session.h"

namespace cc {

bool ActionListForView(int32_t viewKind, ActionList& list) {
    if (viewKind == ViewFolderList) {
        list = ActionList::Explorer;
    } else if (viewKind == ViewWeb) {
        list = ActionList::Browser;
    } else {
        return false;
    }
    return true;
}

int FindBoundAction(const SettingsView& settings, int32_t viewKind, int32_t strokeCount,
                    const int32_t (&strokes)[kMaxStrokes]) {
    const int32_t n = SanitizeStrokeCount(strokeCount);
    ActionList list;
    if (n == 0 || !settings.valid() || !ActionListForView(viewKind, list)) return kNoAction;
    for (int k = 0; k < ActionCount(list); ++k) {
        const Gesture g = settings.ReadGesture(list, k);  // one read of a block others may write
        if (g.count != n) continue;
        bool same = true;
        for (int32_t i = 0; i < n && same; ++i) same = g.strokes[i] == strokes[i];
        if (same) return k;
    }
    return kNoAction;
}

}  // namespace cc
