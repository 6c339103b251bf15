// What the gesture engine, the executor and the menus work with: owned by the browser
// object and handed in by it, so none of them needs to know the object itself.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <vector>

#include "context/gesture_session.h"
#include "settings/settings_block.h"
#include "settings/settings_mapping.h"

namespace cc {

class Overlay;

// The message-only windows of every other browser object of the process (tabs sharing
// this thread included), all but `except`.
using OtherQuickWindowsLookup = std::vector<HWND> (*)(HWND except);

// Nothing here is owned by the context.
struct GestureContext {
    GestureSession* session = nullptr;
    SettingsView settings;          // the live shared block
    HWND quickWnd = nullptr;        // timer target and menu owner
    IWebBrowser2* browser = nullptr;
    const SettingsMapping* mapping = nullptr;  // where the block comes from (name, folder)
    OtherQuickWindowsLookup otherQuickWindows = nullptr;  // null: no other object can be reached
    Overlay* overlay = nullptr;     // the thread's trail and plate; null: nothing is drawn
};

}  // namespace cc
