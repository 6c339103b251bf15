// What lies under the pointer in a view: list items, links in a page (through frames),
// and sideways scrolling of the page under the pointer.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include "common/unique_handle.h"

namespace cc {

// What a DirectUI items view says lies under a point.
enum class ItemAtPoint { Empty, Item, Unknown };
struct AccessibleHit {
    ItemAtPoint at = ItemAtPoint::Unknown;
    bool selected = false;  // an item only
};

// Asks the items view's accessible object (Active Accessibility on this thread; UI
// Automation's client calls can hang the thread that owns the window), descending
// through child objects to the list item under the screen point. Empty only when the hit
// lands on the list itself; Unknown when the object gives no usable answer. With `name`,
// an item's accessible name is handed out.
AccessibleHit AccessibleItemAt(HWND view, POINT screen, unique_bstr* name = nullptr);

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
