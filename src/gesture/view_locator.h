// Finding the view a gesture is made in: the web page view or the folder list.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <cstdint>

#include "common/directui_view.h"
#include "context/gesture_session.h"

namespace cc {

struct LocatedView {
    HWND view = nullptr;
    int32_t kind = ViewNone;
};

// Looks for the view under a browser's top-level window by the known class paths.
LocatedView FindViewWindow(HWND topLevel, bool tabbedBrowser);

// The items window of the browser's active shell view, asked through the browser's
// services (top-level shell browser, active view, its window): the view's list-view
// control when it has one, else its DirectUI items view. Null when any step fails or the
// window is not this thread's.
HWND FindShellViewItems(IWebBrowser2* browser);

// The browser's top-level window (get_HWND), then FindViewWindow; when that finds
// nothing, FindShellViewItems (the Explorer since Windows 7 nests its view deeper than
// the class paths reach). Both kinds of items window are a folder list.
LocatedView LocateView(IWebBrowser2* browser, bool tabbedBrowser);

}  // namespace cc
