// Moving up a folder or a page level, and opening a target in a new window.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <shtypes.h>

#include <cstdint>

#include "common/unique_handle.h"
#include "context/gesture_context.h"

namespace cc {

// Up one folder in a folder window: by file-system path when `byPath` is non-zero, else
// by shell namespace. 1 when it went through, 0 when there was nothing to go up to: the
// double-click handler passes it on as its verdict on the click (1 = consumed).
int UpOneFolder(const GestureContext& ctx, int32_t byPath);

// Up one level of a web address. 1 when it navigated.
int UpOneLevel(const GestureContext& ctx);

// The pending middle-click navigation to `url` opens in a new window; `cancel` is the
// event's cancel flag.
void OpenInNewWindow(const GestureContext& ctx, BSTR url, VARIANT_BOOL* cancel);

// A middle click on an item of a DirectUI items view, which does not navigate on a
// single click: when the view's folder holds exactly one item displayed as `itemName`
// and it is a file-system folder, that folder opens in a new window as a middle click's
// navigation would. True then; false (nothing done) for a file, an unknown or ambiguous
// name, or a folder without a path.
bool OpenFolderItemInNewWindow(const GestureContext& ctx, const wchar_t* itemName);

// The item list of the folder the window's folder view shows. False (and `pidl` empty)
// when any step fails or the list does not end inside its allocation.
bool GetCurrentFolderPidl(IWebBrowser2* browser, unique_pidl& pidl);

}  // namespace cc
