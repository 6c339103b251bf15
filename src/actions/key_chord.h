// Key chords: the browser's own keyboard shortcuts, pressed as real input.
#pragma once

#include <windows.h>

namespace cc {

// Presses `keys` in order and releases them in reverse, all in one SendInput call so no
// other input comes between them; every event is flagged as an extended key. Returns
// the number of events SendInput inserted.
UINT SendKeyChord(UINT count, const WORD* keys);

}  // namespace cc
