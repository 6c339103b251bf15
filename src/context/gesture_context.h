// What the gesture engine, the executor and the menus work with: owned by the browser
// object and handed in by it, so none of them needs to know the object itself.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "context/gesture_session.h"
#include "settings/settings_block.h"
#include "settings/settings_mapping.h"

namespace cc {

// Nothing here is owned by the context.
struct GestureContext {
    GestureSession* session = nullptr;
    SettingsView settings;          // the live shared block
    HWND quickWnd = nullptr;        // timer target and menu owner
    IWebBrowser2* browser = nullptr;
    const SettingsMapping* mapping = nullptr;  // where the block comes from (name, folder)
};

}  // namespace cc
