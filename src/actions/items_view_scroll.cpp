#include "actions/items_view_scroll.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>

#include "common/active_shell_view.h"
#include "common/com_query.h"
#include "common/unique_handle.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

// SelectItem sets the item's selection from its flags (without SVSI_SELECT it deselects),
// so the item's own selection goes back with the request to show it.
bool BringIntoView(IFolderView2* view, bool last) {
    int count = 0;
    if (FAILED(view->ItemCount(SVGIO_ALLVIEW, &count)) || count <= 0) return false;
    const int index = last ? count - 1 : 0;
    unique_child_pidl item;
    DWORD state = 0;
    if (FAILED(view->Item(index, item.put())) || !item || FAILED(view->GetSelectionState(item.get(), &state))) {
        return false;
    }
    return SUCCEEDED(view->SelectItem(index, SVSI_ENSUREVISIBLE | (state & SVSI_SELECT)));
}

// One page in wheel notches: the rows the view shows, a row being the view's item spacing,
// over the lines the system scrolls per notch; never less than one notch.
int NotchesPerPage(IFolderView2* view, HWND itemsView) {
    UINT lines = 3;
    if (!::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) lines = 3;
    if (lines == WHEEL_PAGESCROLL) return 1;
    POINT spacing{};
    RECT client{};
    if (lines == 0 || FAILED(view->GetSpacing(&spacing)) || spacing.y <= 0 || !::GetClientRect(itemsView, &client)) {
        return 1;
    }
    const int rows = std::max(1L, client.bottom / spacing.y);
    // A wheel delta is a short: at most 273 notches of 120.
    return std::clamp(rows / static_cast<int>(lines), 1, SHRT_MAX / WHEEL_DELTA);
}

}  // namespace

bool ScrollItemsView(IWebBrowser2* browser, HWND itemsView, ItemsViewScroll request) {
    if (!browser || !::IsWindow(itemsView)) return false;
    ComPtr<IShellView> shellView = ActiveShellView(browser);
    ComPtr<IFolderView2> view;
    if (!shellView || !QueryTo(shellView.Get(), view)) return false;
    if (request == ItemsViewScroll::Top || request == ItemsViewScroll::Bottom) {
        return BringIntoView(view.Get(), request == ItemsViewScroll::Bottom);
    }
    const int notches = NotchesPerPage(view.Get(), itemsView);
    const int delta = (request == ItemsViewScroll::PageDown ? -1 : 1) * notches * WHEEL_DELTA;
    // The wheel at the view's centre, so that the view itself scrolls, not a pane under
    // the pointer.
    RECT r{};
    ::GetWindowRect(itemsView, &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::SendMessageW(itemsView, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                   MAKELPARAM(static_cast<WORD>(static_cast<short>(centre.x)), static_cast<WORD>(static_cast<short>(centre.y))));
    return true;
}

}  // namespace cc
