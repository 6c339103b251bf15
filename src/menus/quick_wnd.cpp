#include "menus/quick_wnd.h"

#include "common/dpi.h"
#include "common/window_class.h"
#include "module/module.h"

namespace cc {
namespace {

constexpr wchar_t kQuickWndClass[] = L"CursorCadence QuickWnd";
// The gesture timer uses id 1.
constexpr UINT_PTR kExpiryTimerId = 2;

SharedWindowClass g_class(kQuickWndClass);

// A registered message: should a stale handle have been reused by some other window,
// that window does not know the message and ignores it.
UINT QuitRequestMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"CursorCadence.QuitRequest");
    return message;
}

}  // namespace

bool QuickWnd::Create() {
    if (window_) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &QuickWnd::WindowProc;
    wc.hInstance = ThisModule();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kQuickWndClass;
    if (!g_class.Acquire(wc)) return false;
    window_.reset(::CreateWindowExW(0, kQuickWndClass, L"", WS_CHILD, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ThisModule(), this));
    if (!window_) {
        g_class.Release();
        return false;
    }
    return true;
}

void QuickWnd::ExpireFlagLater(int32_t* flag, UINT ms) {
    if (!window_ || !flag) return;
    expiring_ = flag;
    if (!::SetTimer(window_.get(), kExpiryTimerId, ms, nullptr)) *flag = 0;  // no timer: expire at once
}

void QuickWnd::Destroy() {
    if (!window_) return;
    // Let go on another thread, the window cannot be destroyed here (it goes with its
    // thread); its timers must not reach this object meanwhile.
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
    g_class.Release();
}

bool QuickWnd::PostQuitRequest(HWND quickWnd) {
    return quickWnd && QuitRequestMessage() != 0 && ::PostMessageW(quickWnd, QuitRequestMessage(), 0, 0);
}

QuickWnd* QuickWnd::FromHandle(HWND quickWnd) {
    if (!quickWnd || ::GetWindowThreadProcessId(quickWnd, nullptr) != ::GetCurrentThreadId()) return nullptr;
    return reinterpret_cast<QuickWnd*>(::GetWindowLongPtrW(quickWnd, GWLP_USERDATA));
}

void QuickWnd::SetSlotName(int i, const wchar_t* name, HDC dc) {
    if (i < 0 || i >= kMenuSlots) return;
    MenuSlot& s = slots_[i];
    ::lstrcpynW(s.name, name ? name : L"", kMenuNameUnits);
    s.extent = {0, 0};
    ::GetTextExtentPoint32W(dc, s.name, ::lstrlenW(s.name), &s.extent);
}

void QuickWnd::SetMenuDpi(UINT dpi) {
    if (dpi == 0) dpi = kBaseDpi;
    if (dpi == menuDpi_ && menuFont_) return;
    menuDpi_ = dpi;
    NONCLIENTMETRICSW metrics;
    menuFont_.reset(NonClientMetricsForDpi(metrics, dpi) ? ::CreateFontIndirectW(&metrics.lfMenuFont) : nullptr);
}

int QuickWnd::iconSize() const {
    return SystemMetricForDpi(SM_CXSMICON, menuDpi_ != 0 ? menuDpi_ : kBaseDpi);
}

// Margins are pixels at 96 DPI: 5 left of the icon, 10 between icon and text (with the
// icon's 5), 2 above the icon, 4 added to the height.
void QuickWnd::MeasureMenuItem(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU || item.itemID < 1 || item.itemID > kMenuSlots) return;
    const MenuSlot& s = slots_[item.itemID - 1];
    const int icon = iconSize();
    item.itemWidth = static_cast<UINT>(s.extent.cx + icon + ScaleForDpi(10, menuDpi_));
    item.itemHeight = static_cast<UINT>((s.extent.cy > icon ? s.extent.cy : icon) + ScaleForDpi(4, menuDpi_));
}

void QuickWnd::DrawMenuItem(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU || item.itemID < 1 || item.itemID > kMenuSlots) return;
    const MenuSlot& s = slots_[item.itemID - 1];
    const int cxs = iconSize(), cys = cxs;
    int length = 0;
    while (length < kMenuNameUnits && s.name[length] != L'\0') ++length;
    if (length == kMenuNameUnits) length = 0;
    ::SetBkMode(item.hDC, TRANSPARENT);
    const bool selected = (item.itemAction & ODA_SELECT) && (item.itemState & ODS_SELECTED);
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    if (s.icon) {
        ::DrawIconEx(item.hDC, item.rcItem.left + ScaleForDpi(5, menuDpi_), item.rcItem.top + ScaleForDpi(2, menuDpi_),
                     s.icon, cxs, cys, 0, nullptr, DI_NORMAL);
    }
    const int y = item.rcItem.top + (item.rcItem.bottom - s.extent.cy - item.rcItem.top) / 2;
    const HGDIOBJ font = menuFont_ ? ::SelectObject(item.hDC, menuFont_.get()) : nullptr;
    ::TextOutW(item.hDC, item.rcItem.left + cxs + ScaleForDpi(10, menuDpi_), y, s.name, length);
    if (font) ::SelectObject(item.hDC, font);
}

LRESULT CALLBACK QuickWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<QuickWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == QuitRequestMessage() && message != 0) {
        if (self && self->quitHandler_) self->quitHandler_(self->quitContext_);
        return 0;
    }
    switch (message) {
    case WM_MEASUREITEM:
        if (self) self->MeasureMenuItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return 0;
    case WM_DRAWITEM:
        if (self) self->DrawMenuItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kExpiryTimerId) {
            ::KillTimer(hwnd, kExpiryTimerId);
            if (self && self->expiring_) *self->expiring_ = 0;
        } else if (self && self->timedOut_) {
            *self->timedOut_ = 1;
            if (self->timedOutHandler_) self->timedOutHandler_(self->timedOutContext_);
        }
        return 0;
    case WM_NCDESTROY:
        // From here on no message may reach the object.
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace cc
