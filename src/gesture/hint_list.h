// What each next stroke would do: the list the plate shows when the pointer rests during
// a gesture. Free of the platform.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_block.h"

namespace cc {

inline constexpr int kMaxHintLines = 8;
// The last line when more gestures remain than fit.
inline constexpr wchar_t kMoreHints[] = L"…";
// Room for eight lines of five stroke names and the longest action name, with plenty to spare.
inline constexpr std::size_t kHintTextUnits = 512;

// How long the pointer must rest before the list shows, for the gesture timeout
// `timeoutMs`: 400 ms, half the timeout when that is shorter than 800 ms, and never (0)
// for a timeout of 300 ms or less, which would leave no time to read it.
uint32_t HintRestMs(int32_t timeoutMs);

// The gestures of the list chosen by `viewKind` that continue the `strokeCount` strokes
// drawn so far (every gesture for none), one line each: the strokes as the status text
// writes them, two spaces, the action's name. Only what a gesture can reach: the action
// the lookup picks for it, when it can run in this browser, and only gestures a hand can
// draw (no repeated stroke, no unknown code). Ordered by stroke count, then by the
// action's place in its list; at most kMaxHintLines, the last kMoreHints when more remain.
// Lines are separated by '\n'; always terminated, never beyond `outUnits`. Returns the
// number of lines.
int BuildHintList(const SettingsView& settings, int32_t viewKind, bool tabbedBrowser, int32_t strokeCount,
                  const int32_t (&strokes)[kMaxStrokes], wchar_t* out, std::size_t outUnits);

}  // namespace cc
