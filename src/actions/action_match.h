// Which action a recorded gesture is bound to.
#pragma once

#include <cstdint>

#include "settings/settings_block.h"

namespace cc {

inline constexpr int kNoAction = -1;

// The action list a view kind chooses (2 folder list: Explorer, 1 web page: browser);
// false for any other kind.
bool ActionListForView(int32_t viewKind, ActionList& list);

// The lowest action of the list chosen by `viewKind` (2 folder list: Explorer list,
// 1 web page: browser list) whose stored gesture equals the recorded strokes; kNoAction
// for none, for an empty recording, or for any other view kind. Safe on any block.
int FindBoundAction(const SettingsView& settings, int32_t viewKind, int32_t strokeCount,
                    const int32_t (&strokes)[kMaxStrokes]);

}  // namespace cc
