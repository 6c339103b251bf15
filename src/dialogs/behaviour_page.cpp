// The behaviour page: where gestures are used, the trail, the timeout, the threshold,
// the double-click on empty space and the basis of going up a folder.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <utility>

#include "common/dpi_scale.h"
#include "common/unique_handle.h"
#include "dialogs/page_logic.h"
#include "dialogs/resource.h"
#include "dialogs/sheet_pages.h"
#include "dialogs/trail_colour_dialog.h"
#include "module/module.h"
#include "settings/marker_files.h"

namespace cc {
namespace {

// The colour button's face at 96 DPI, in pixels.
constexpr int kSwatchWidth = 28;
constexpr int kSwatchHeight = 14;
constexpr int kTrailControls[] = {IDC_TRAIL_COLOUR_LABEL, IDC_TRAIL_COLOUR, IDC_TRAIL_WIDTH_LABEL, IDC_TRAIL_WIDTH_SPIN};
constexpr int kTimeoutControls[] = {IDC_TIMEOUT_LABEL, IDC_TIMEOUT_SPIN, IDC_RELEASE_ON_HOLD};

bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }

template <size_t N>
void Enable(HWND page, const int (&ids)[N], bool enable) {
    for (int id : ids) ::EnableWindow(::GetDlgItem(page, id), enable ? TRUE : FALSE);
}

void SetNumber(HWND page, int id, int32_t value) { ::SetDlgItemInt(page, id, static_cast<UINT>(value), TRUE); }

void ShowTimeout(HWND page, const BehaviourPageState& values) {
    wchar_t text[32];
    FormatTenths(values.timeoutTenths, text);
    ::SetDlgItemTextW(page, IDC_TIMEOUT, text);
}

// Gives the colour button a face of the current colour, sized for `dpi`. A new bitmap
// each time: the button lets go of the old one before it is deleted.
void PaintSwatch(HWND page, BehaviourPageState& values, UINT dpi) {
    HWND button = ::GetDlgItem(page, IDC_TRAIL_COLOUR);
    unique_window_dc dc(button, ::GetDC(button));
    if (!dc) return;
    const int width = ScaleForDpi(kSwatchWidth, dpi), height = ScaleForDpi(kSwatchHeight, dpi);
    unique_hbitmap face(::CreateCompatibleBitmap(dc.get(), width, height));
    if (!face) return;
    {
        unique_hdc memory(::CreateCompatibleDC(dc.get()));
        if (!memory) return;
        select_object_scope bitmap(memory.get(), face.get());
        unique_any<HBRUSH, DeleteGdiObject> fill(::CreateSolidBrush(values.colour));
        const RECT all{0, 0, width, height};
        ::FillRect(memory.get(), &all, fill.get());
    }
    ::SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(face.get()));
    values.swatch = std::move(face);
    ::InvalidateRect(button, nullptr, FALSE);
}

void MarkerPath(wchar_t (&out)[MAX_PATH], const SheetState& sheet, const wchar_t* name) {
    AppendPath(out, sheet.markerFolder(), name);
}

bool Exists(const wchar_t* path) { return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// Creates a marker (an existing one is left alone) and removes the other one.
void KeepOnlyMarker(const SheetState& sheet, const wchar_t* keep, const wchar_t* remove) {
    static constexpr wchar_t kMarkerText[] = L"Thank you for using CursorCadence";
    wchar_t path[MAX_PATH];
    MarkerPath(path, sheet, keep);
    unique_hfile file(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    if (file) {
        DWORD written = 0;
        ::WriteFile(file.get(), kMarkerText, sizeof(kMarkerText), &written, nullptr);  // 68 bytes with the zero
    }
    MarkerPath(path, sheet, remove);
    ::DeleteFileW(path);
}

void OnInit(HWND page, SheetState& sheet) {
    BehaviourPageState& values = sheet.behaviour;
    const SettingsView s = sheet.settings();
    wchar_t ie[MAX_PATH], explorer[MAX_PATH];
    MarkerPath(ie, sheet, kMarkerUnloadOnIe);
    MarkerPath(explorer, sheet, kMarkerUnloadOnExplorer);
    const int hosts = Exists(ie) ? IDC_USE_EXPLORER_ONLY : Exists(explorer) ? IDC_USE_IE_ONLY : IDC_USE_BOTH;
    ::CheckRadioButton(page, IDC_USE_BOTH, IDC_USE_IE_ONLY, hosts);

    values.colour = ColorFromComponents(s.Get(Field::TrailColorR), s.Get(Field::TrailColorG), s.Get(Field::TrailColorB));
    PaintSwatch(page, values, PageDpi(page, sheet));

    ::SendDlgItemMessageW(page, IDC_TRAIL_WIDTH_SPIN, UDM_SETBUDDY,
                          reinterpret_cast<WPARAM>(::GetDlgItem(page, IDC_TRAIL_WIDTH)), 0);
    ::SendDlgItemMessageW(page, IDC_TIMEOUT_SPIN, UDM_SETBUDDY,
                          reinterpret_cast<WPARAM>(::GetDlgItem(page, IDC_TIMEOUT)), 0);
    SetNumber(page, IDC_TRAIL_WIDTH, s.Get(Field::TrailWidth));

    if (s.Get(Field::TrailEnabled) != 0) {
        ::CheckDlgButton(page, IDC_TRAIL_ENABLED, BST_CHECKED);
    } else {
        Enable(page, kTrailControls, false);
    }
    const int32_t timeout = s.Get(Field::TimeoutMs);
    if (timeout != 0) {
        ::CheckDlgButton(page, IDC_TIMEOUT_ENABLED, BST_CHECKED);
        values.timeoutTenths = timeout / 100;
    } else {
        Enable(page, kTimeoutControls, false);
        values.timeoutTenths = 5;
    }
    ShowTimeout(page, values);

    ::SendDlgItemMessageW(page, IDC_SENSITIVITY_SPIN, UDM_SETBUDDY,
                          reinterpret_cast<WPARAM>(::GetDlgItem(page, IDC_SENSITIVITY)), 0);
    values.sensitivity = s.Get(Field::SensitivityPixels);
    SetNumber(page, IDC_SENSITIVITY, values.sensitivity);

    switch (s.Get(Field::BlankDoubleClickAction)) {
    case DoubleClickDoesNothing:
        ::CheckDlgButton(page, IDC_DOUBLE_CLICK_NOTHING, BST_CHECKED);
        break;
    case DoubleClickGoesUp:
        ::CheckDlgButton(page, IDC_DOUBLE_CLICK_UP, BST_CHECKED);
        break;
    case DoubleClickTogglesGestures:
        ::CheckDlgButton(page, IDC_DOUBLE_CLICK_TOGGLE, BST_CHECKED);
        break;
    default:
        break;
    }
    if (s.Get(Field::ReleaseOnFolderHold) != 0) ::CheckDlgButton(page, IDC_RELEASE_ON_HOLD, BST_CHECKED);
    if (s.Get(Field::NoStartOnSelectedItem) != 0) ::CheckDlgButton(page, IDC_NO_START_ON_SELECTED, BST_CHECKED);
    ::CheckDlgButton(page, s.Get(Field::UpFolderByPath) == 0 ? IDC_UP_BY_NAMESPACE : IDC_UP_BY_PATH, BST_CHECKED);
}

void OnCommand(HWND page, SheetState& sheet, int id) {
    switch (id) {
    case IDC_TRAIL_ENABLED:
        Enable(page, kTrailControls, Checked(page, IDC_TRAIL_ENABLED));
        break;
    case IDC_TRAIL_COLOUR: {
        CTrailColourDlg picker;
        picker.SetColour(sheet.behaviour.colour);
        if (picker.DoModal(::GetActiveWindow()) != IDOK) break;
        // The sheet may have gone with its owner while the picker was open.
        if (SheetState* still = SheetStateOf(page)) {
            still->behaviour.colour = picker.GetColour();
            PaintSwatch(page, still->behaviour, PageDpi(page, *still));
        }
        break;
    }
    case IDC_TIMEOUT_ENABLED:
        Enable(page, kTimeoutControls, Checked(page, IDC_TIMEOUT_ENABLED));
        break;
    case IDC_USE_BOTH:
    case IDC_USE_EXPLORER_ONLY:
    case IDC_USE_IE_ONLY:
        ::CheckRadioButton(page, IDC_USE_BOTH, IDC_USE_IE_ONLY, id);
        break;
    case IDC_DOUBLE_CLICK_NOTHING:
    case IDC_DOUBLE_CLICK_UP:
    case IDC_DOUBLE_CLICK_TOGGLE:
        ::CheckRadioButton(page, IDC_DOUBLE_CLICK_NOTHING, IDC_DOUBLE_CLICK_TOGGLE, id);
        break;
    case IDC_UP_BY_PATH:
    case IDC_UP_BY_NAMESPACE:
        ::CheckRadioButton(page, IDC_UP_BY_PATH, IDC_UP_BY_NAMESPACE, id);
        break;
    default:
        break;
    }
}

void OnArrow(HWND page, BehaviourPageState& values, int id, int delta) {
    if (delta == 0) return;
    if (id == IDC_TRAIL_WIDTH_SPIN) {
        wchar_t text[8] = L"";
        ::GetDlgItemTextW(page, IDC_TRAIL_WIDTH, text, 8);
        const int32_t width = (text[0] >= L'0' && text[0] <= L'9') ? text[0] - L'0' : 0;
        SetNumber(page, IDC_TRAIL_WIDTH, TrailWidthAfterArrow(width, delta));
    } else if (id == IDC_TIMEOUT_SPIN) {
        values.timeoutTenths = TimeoutTenthsAfterArrow(values.timeoutTenths, delta);
        ShowTimeout(page, values);
    } else if (id == IDC_SENSITIVITY_SPIN) {
        values.sensitivity = SensitivityAfterArrow(values.sensitivity, delta);
        SetNumber(page, IDC_SENSITIVITY, values.sensitivity);
    }
}

void OnApply(HWND page, const SheetState& sheet) {
    const BehaviourPageState& values = sheet.behaviour;
    if (Checked(page, IDC_USE_EXPLORER_ONLY)) {
        KeepOnlyMarker(sheet, kMarkerUnloadOnIe, kMarkerUnloadOnExplorer);
    } else if (Checked(page, IDC_USE_IE_ONLY)) {
        KeepOnlyMarker(sheet, kMarkerUnloadOnExplorer, kMarkerUnloadOnIe);
    } else {
        wchar_t path[MAX_PATH];
        MarkerPath(path, sheet, kMarkerUnloadOnIe);
        ::DeleteFileW(path);
        MarkerPath(path, sheet, kMarkerUnloadOnExplorer);
        ::DeleteFileW(path);
    }
    const SettingsView s = sheet.settings();
    s.Set(Field::TrailEnabled, Checked(page, IDC_TRAIL_ENABLED) ? 1 : 0);
    s.Set(Field::TrailColorR, static_cast<int32_t>(values.colour & 0xFF));
    s.Set(Field::TrailColorG, static_cast<int32_t>((values.colour >> 8) & 0xFF));
    s.Set(Field::TrailColorB, static_cast<int32_t>((values.colour >> 16) & 0xFF));
    wchar_t width[8] = L"";
    ::GetDlgItemTextW(page, IDC_TRAIL_WIDTH, width, 8);
    s.Set(Field::TrailWidth, TrailWidthFromText(width));
    if (Checked(page, IDC_TIMEOUT_ENABLED)) {
        s.Set(Field::TimeoutMs, values.timeoutTenths * 100);
        s.Set(Field::ReleaseOnFolderHold, Checked(page, IDC_RELEASE_ON_HOLD) ? 1 : 0);
    } else {
        s.Set(Field::TimeoutMs, 0);
        s.Set(Field::ReleaseOnFolderHold, 0);
    }
    s.Set(Field::SensitivityPixels, values.sensitivity);
    s.Set(Field::NoStartOnSelectedItem, Checked(page, IDC_NO_START_ON_SELECTED) ? 1 : 0);
    if (Checked(page, IDC_DOUBLE_CLICK_NOTHING)) {
        s.Set(Field::BlankDoubleClickAction, DoubleClickDoesNothing);
    } else if (Checked(page, IDC_DOUBLE_CLICK_UP)) {
        s.Set(Field::BlankDoubleClickAction, DoubleClickGoesUp);
    } else if (Checked(page, IDC_DOUBLE_CLICK_TOGGLE)) {
        s.Set(Field::BlankDoubleClickAction, DoubleClickTogglesGestures);
    }
    s.Set(Field::UpFolderByPath, Checked(page, IDC_UP_BY_PATH) ? 1 : 0);
}

}  // namespace

INT_PTR CALLBACK BehaviourPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (SheetState* sheet = KeepSheetState(page, lParam)) OnInit(page, *sheet);
        return TRUE;
    }
    SheetState* sheet = SheetStateOf(page);
    if (!sheet) return FALSE;
    if (PageRebuildsForDpi(page, message)) {
        PaintSwatch(page, sheet->behaviour, PageDpi(page, *sheet));
        return TRUE;
    }
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnCommand(page, *sheet, LOWORD(wParam));
        return FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == UDN_DELTAPOS) {
            OnArrow(page, sheet->behaviour, static_cast<int>(header->idFrom),
                    reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
            ::SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        if (header->code == PSN_APPLY) {
            OnApply(page, *sheet);
            return AcceptApply(page);
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace cc
