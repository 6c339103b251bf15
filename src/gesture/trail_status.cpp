#include "gesture/trail_status.h"

#include <oleauto.h>

#include "common/dpi_scale.h"
#include "common/unique_handle.h"
#include "settings/action_catalogue.h"

namespace cc {

void DrawTrailSegment(HWND view, Point from, Point to, const SettingsView& settings, uint32_t viewDpi) {
    if (!view || !settings.valid()) return;
    // A fresh DC and pen for every segment: a colour or width applied meanwhile shows at once.
    unique_window_dc dc(view, ::GetDCEx(view, nullptr, DCX_WINDOW | DCX_PARENTCLIP | DCX_LOCKWINDOWUPDATE));
    if (!dc) return;
    const COLORREF color = ColorFromComponents(settings.Get(Field::TrailColorR), settings.Get(Field::TrailColorG),
                                               settings.Get(Field::TrailColorB));
    const int width = ScaleForDpi(ClampTrailWidth(settings.Get(Field::TrailWidth)), viewDpi);
    unique_hpen pen(::CreatePen(PS_SOLID, width, color));
    if (!pen) return;
    select_object_scope selected(dc.get(), pen.get());
    ::MoveToEx(dc.get(), from.x, from.y, nullptr);
    ::LineTo(dc.get(), to.x, to.y);
}

void EraseTrail(HWND view) {
    if (view) ::InvalidateRect(view, nullptr, FALSE);
}

void SetStatusText(IWebBrowser2* browser, const wchar_t* text) {
    if (!browser || !text) return;
    const unique_bstr value(::SysAllocString(text));
    if (value) browser->put_StatusText(value.get());
}

}  // namespace cc
