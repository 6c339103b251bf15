// Saves what a window shows on the screen as a BMP, for a person to look at.
#pragma once

#include <windows.h>

namespace cc::test {

// Into the folder named by CC_SCREENSHOT_DIR (nothing when it is not set).
bool SaveScreenshot(HWND window, const wchar_t* name);

}  // namespace cc::test
