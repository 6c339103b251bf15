// Whether the right button the hand holds came up where this thread does not see it.
#pragma once

#include <windows.h>

namespace cc {

// A press taken from a view captures nothing: when the pointer leaves straight onto
// another program's window, the moves and the release go there. The release happened
// elsewhere when the button (with swapped buttons, the left one's state) is up and no
// button or key message waits in this thread's queue (a release the view is still to get
// would be one). The high word of GetQueueStatus is what is in the queue now;
// GetInputState reports only input that is new since the queue was last looked at, so a
// release already seen but not yet taken would read as none.
inline bool RightReleasedElsewhere() {
    const int button = ::GetSystemMetrics(SM_SWAPBUTTON) ? VK_LBUTTON : VK_RBUTTON;
    return ::GetAsyncKeyState(button) >= 0 && HIWORD(::GetQueueStatus(QS_MOUSEBUTTON | QS_KEY)) == 0;
}

}  // namespace cc
