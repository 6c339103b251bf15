// The two-column report lists of the settings pages.
#pragma once

#include <windows.h>

namespace cc {

// Gives a report list view its two left-aligned columns, the second as wide as the list
// minus the first and `spare` pixels, plus grid lines and full-row selection.
void SetUpTwoColumnList(HWND list, const wchar_t* first, int firstWidth, const wchar_t* second, int spare);

// Inserts row `row` with `text` in column 0 and `detail` in column 1.
void InsertListRow(HWND list, int row, const wchar_t* text, const wchar_t* detail);

}  // namespace cc
