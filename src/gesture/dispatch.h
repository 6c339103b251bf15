// What the mouse hook does with each mouse message of a browser thread: gestures,
// button chords, middle clicks, double-clicks on empty space and the wheel.
#pragma once

#include <windows.h>

#include <cstdint>

#include "context/gesture_context.h"

namespace cc {

// The mark in dwExtraInfo of the input this product injects (a plain right click given
// back to a DirectUI items view). Such input is never taken for the user's, in any
// thread: a given-back click that arrives late is not a new click to give back again.
inline constexpr uintptr_t kInjectedInputMark = 0x43430000;
inline bool IsInjectedInput(uintptr_t extraInfo) { return extraInfo == kInjectedInputMark; }

// Gives a plain right click back as marked input at `screen` (in `view`'s coordinates,
// landing on the same physical point): the press and the release
// in one SendInput call, the release alone when only the press went in. False when
// nothing went in. (Input a window of higher integrity blocks, or another program's
// low-level hook drops, cannot be told from input that went in.)
bool ReplayRightClickAsInput(HWND view, POINT screen);

// The SendInput the replay calls (tests put a stub in); null puts the system's back.
using SendInputFn = UINT(WINAPI*)(UINT, LPINPUT, int);
SendInputFn SetSendInputForTest(SendInputFn send);

// True for the messages DispatchMouse handles; all others pass untouched.
bool IsDispatchedMessage(UINT message);

// Handles one mouse message; `data` is the hook's MOUSEHOOKSTRUCT (a MOUSEHOOKSTRUCTEX
// for WM_MOUSEWHEEL). 1 = consume it, 0 = pass it on.
int DispatchMouse(const GestureContext& ctx, UINT message, const MOUSEHOOKSTRUCT& data);

}  // namespace cc
