// Saves what a window shows on the screen as a BMP, for a person to look at.
#pragma once

#include <windows.h>

namespace cc::test {

// Into the folder named by CC_SCREENSHOT_DIR (nothing when it is not set). `repaint`
// first lets the window paint itself anew; without it, what is drawn over the window
// right now (a gesture trail) stays in the picture.
bool SaveScreenshot(HWND window, const wchar_t* name, bool repaint = true);

}  // namespace cc::test
