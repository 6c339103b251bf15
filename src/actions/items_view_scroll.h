// Scrolling the DirectUI items view of a folder window, which has no scroll bars of its
// own window and so takes no WM_VSCROLL: the first and last items are brought into view
// through the shell view's IFolderView2, and a page is turned with the wheel, which the
// view scrolls by without touching the selection.
#pragma once

#include <windows.h>
#include <exdisp.h>

namespace cc {

enum class ItemsViewScroll { Top, Bottom, PageUp, PageDown };

// False when the browser's shell view or the items window gave no way to scroll.
bool ScrollItemsView(IWebBrowser2* browser, HWND itemsView, ItemsViewScroll request);

}  // namespace cc
