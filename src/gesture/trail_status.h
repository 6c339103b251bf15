// What the user sees of a gesture: the trail and the plate on the thread's overlay, and
// the status-bar text.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "context/gesture_context.h"
#include "gesture/tracker_rules.h"

namespace cc {

// How long the plate alone shows a cancelled gesture or the on/off toggle.
inline constexpr UINT kFlashMs = 1000;

// At the press: after a rest the plate lists every gesture of the view's list, unless
// holding still hands the press back to the folder list instead.
void ArmPressHints(const GestureContext& ctx, POINT pointer);

// One step of a gesture on the overlay: the segment (with the trail on), the plate with
// `statusText` (null when no stroke was recorded: the plate keeps its text) at the
// pointer, and the hints re-armed for the next rest.
void ShowStep(const GestureContext& ctx, const MoveStep& step, const RECT& viewRect, POINT pointer,
              const wchar_t* statusText);

// The trail and the plate go now.
void HideOverlay(const GestureContext& ctx);

// `text` alone on the plate at `pointer`, for kFlashMs.
void FlashText(const GestureContext& ctx, const wchar_t* text, POINT pointer);

// Puts `text` into the browser's status bar; the result is not used.
void SetStatusText(IWebBrowser2* browser, const wchar_t* text);

}  // namespace cc
