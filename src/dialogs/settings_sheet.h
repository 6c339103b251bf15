// The settings sheet: four pages over the shared settings, modeless, one per process.
#pragma once

#include <windows.h>

#include "context/gesture_context.h"

namespace cc {

// Opens the sheet on this thread, owned by the browser's window. True when a sheet was
// created; false when this process shows one already (or it could not be made).
bool OpenSettingsSheet(const GestureContext& ctx);

// The window a modeless PropertySheetW call returned: only 0 and -1 mean none. A window
// handle is a 32-bit value sign-extended, so a real one with bit 31 set reads negative.
HWND SheetWindowFromResult(INT_PTR result);

// The open sheet's window, or null.
HWND SheetWindow();

}  // namespace cc
