#include "dialogs/report_list.h"

#include <commctrl.h>

#include "common/dpi_scale.h"

namespace cc {
namespace {

struct ColumnPixels {
    int first;
    int second;
};

ColumnPixels ColumnsFor(HWND list, TwoColumnWidths widths, UINT dpi) {
    RECT r{};
    ::GetWindowRect(list, &r);
    const int first = ScaleForDpi(widths.first, dpi);
    const int second = (r.right - r.left) - first - ScaleForDpi(widths.margin, dpi);
    // Never negative: -1 and -2 would ask the list to size the column by its contents.
    return {first, second > 0 ? second : 0};
}

}  // namespace

void SetUpTwoColumnList(HWND list, const wchar_t* first, const wchar_t* second, TwoColumnWidths widths, UINT dpi) {
    const ColumnPixels pixels = ColumnsFor(list, widths, dpi);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = pixels.first;
    column.pszText = const_cast<wchar_t*>(first);
    ListView_InsertColumn(list, 0, &column);
    column.cx = pixels.second;
    column.pszText = const_cast<wchar_t*>(second);
    ListView_InsertColumn(list, 1, &column);
    ListView_SetExtendedListViewStyle(list, ListView_GetExtendedListViewStyle(list) | LVS_EX_GRIDLINES |
                                                LVS_EX_FULLROWSELECT);
}

void SizeTwoColumnList(HWND list, TwoColumnWidths widths, UINT dpi) {
    const ColumnPixels pixels = ColumnsFor(list, widths, dpi);
    ListView_SetColumnWidth(list, 0, pixels.first);
    ListView_SetColumnWidth(list, 1, pixels.second);
}

void InsertListRow(HWND list, int row, const wchar_t* text, const wchar_t* detail) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(text);
    ListView_InsertItem(list, &item);
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(detail));
}

}  // namespace cc
