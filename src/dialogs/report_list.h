// The two-column report lists of the settings pages.
#pragma once

#include <windows.h>

namespace cc {

// The pixel widths of a two-column list at 96 DPI: the first column, and the margin the
// second leaves free at the list's right.
struct TwoColumnWidths {
    int first;
    int margin;
};

// Gives a report list view its two left-aligned columns, sized as SizeTwoColumnList
// does, plus grid lines and full-row selection.
void SetUpTwoColumnList(HWND list, const wchar_t* first, const wchar_t* second, TwoColumnWidths widths, UINT dpi);

// Sizes the columns for `dpi`: the first its width scaled, the second as wide as the list
// minus the first and the scaled margin.
void SizeTwoColumnList(HWND list, TwoColumnWidths widths, UINT dpi);

// Inserts row `row` with `text` in column 0 and `detail` in column 1.
void InsertListRow(HWND list, int row, const wchar_t* text, const wchar_t* detail);

}  // namespace cc
