// Finding the view a gesture is made in: the web page view or the folder list.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <cstdint>

#include "gesture/gesture_session.h"

namespace cc {

struct LocatedView {
    HWND view = nullptr;
    int32_t kind = ViewNone;
};

// Looks for the view under a browser's top-level window by the known class paths.
LocatedView FindViewWindow(HWND topLevel, bool tabbedBrowser);

// The browser's top-level window (get_HWND), then FindViewWindow.
LocatedView LocateView(IWebBrowser2* browser, bool tabbedBrowser);

}  // namespace cc
