// What lies under the pointer in a view: list items, links in a page (through frames),
// and sideways scrolling of the page under the pointer.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

namespace cc {

// True when `clientPoint` lies in the bounds rectangle of any item of the list view.
bool HitListItem(HWND listView, POINT clientPoint);

// True when the point (relative to the browser's page) lies on a link with an address,
// following frames down to the page that holds the point.
bool LinkAtPoint(IWebBrowser2* browser, POINT pagePoint);

// The element's position in its page: offsets, client edges and scroll positions summed
// over it and its offset parents.
POINT ElementPagePosition(IHTMLElement* element);

// Scrolls the page under the point sideways, 50 pixels per wheel notch (a notch away
// from the user scrolls left). False when no page window could be reached.
bool ScrollHorizontally(IWebBrowser2* browser, int wheelDelta, POINT pagePoint);

}  // namespace cc
