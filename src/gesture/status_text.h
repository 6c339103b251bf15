// The texts the gesture engine writes into the browser's status bar.
#pragma once

#include <cstddef>

#include "context/gesture_session.h"
#include "settings/settings_block.h"

namespace cc {

inline constexpr wchar_t kStatusCancelled[] = L"ジェスチャー ： 中止しました";
inline constexpr wchar_t kStatusGesturesOn[] = L"ジェスチャー：有効";
inline constexpr wchar_t kStatusGesturesOff[] = L"ジェスチャー：無効";
inline constexpr wchar_t kStatusEmpty[] = L"";

// Room for the longest gesture status text with plenty to spare.
inline constexpr std::size_t kStatusTextUnits = 256;

// "ジェスチャー ： " + the recorded stroke names + two spaces + the bound action's name
// (left out for a tab command in an untabbed browser). Always terminated, never beyond
// `outUnits`; returns the length written.
std::size_t BuildGestureStatusText(const GestureSession& s, const SettingsView& settings,
                                   wchar_t* out, std::size_t outUnits);

}  // namespace cc
