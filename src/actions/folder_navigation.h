// Moving up a folder or a page level, and opening a target in a new window.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

#include "gesture/gesture_context.h"

namespace cc {

// Up one folder in a folder window: by file-system path when `byPath` is non-zero, else
// by shell namespace. 1 when it went through, 0 when there was nothing to go up to.
int UpOneFolder(const GestureContext& ctx, int32_t byPath);

// Up one level of a web address. 1 when it navigated.
int UpOneLevel(const GestureContext& ctx);

// The pending middle-click navigation to `url` opens in a new window; `cancel` is the
// event's cancel flag.
void OpenInNewWindow(const GestureContext& ctx, BSTR url, VARIANT_BOOL* cancel);

}  // namespace cc
