// The settings sheet: four pages over the shared settings, modeless, one per process.
#pragma once

#include <windows.h>

#include "context/gesture_context.h"
#include "settings/settings_block.h"

namespace cc {

// Opens the sheet on this thread, owned by the browser's window. 1 when a sheet was
// created, 0 when this process shows one already (or it could not be made).
int OpenSettingsSheet(const GestureContext& ctx);

// The window a modeless PropertySheetW call returned: only 0 and -1 mean none. A window
// handle is a 32-bit value sign-extended, so a real one with bit 31 set reads negative.
HWND SheetWindowFromResult(INT_PTR result);

// What the pages work on while the sheet is open.
SettingsView SheetSettings();
// The folder of "setting": the marker files and the "Links" store live there too.
const wchar_t* SheetFolder();
// The view kind the opening gesture was drawn in (2 folder list, 1 web page).
int32_t SheetBrowserKind();
// The open sheet's window, or null.
HWND SheetWindow();

// A page's answer to PSN_APPLY once it has written its fields: never refused.
inline INT_PTR AcceptApply(HWND page) {
    ::SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);  // PSNRET_NOERROR
    return TRUE;
}

// The page procedures.
INT_PTR CALLBACK BehaviourPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK AssignmentPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK QuickMovePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK DefaultActionsPageProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace cc
