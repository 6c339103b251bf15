// The settings sheet: four pages over a working copy of the shared settings.
#pragma once

#include "gesture/gesture_context.h"

namespace cc {

// Opens the modeless sheet on this thread, or brings the process's open one forward.
void OpenSettingsSheet(const GestureContext& ctx);

}  // namespace cc
