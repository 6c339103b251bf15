#include "dialogs/report_list.h"

#include <commctrl.h>

namespace cc {

void SetUpTwoColumnList(HWND list, const wchar_t* first, int firstWidth, const wchar_t* second, int spare) {
    RECT r{};
    ::GetWindowRect(list, &r);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = firstWidth;
    column.pszText = const_cast<wchar_t*>(first);
    ListView_InsertColumn(list, 0, &column);
    column.cx = (r.right - r.left) - firstWidth - spare;
    column.pszText = const_cast<wchar_t*>(second);
    ListView_InsertColumn(list, 1, &column);
    ListView_SetExtendedListViewStyle(list, ListView_GetExtendedListViewStyle(list) | LVS_EX_GRIDLINES |
                                                LVS_EX_FULLROWSELECT);
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
