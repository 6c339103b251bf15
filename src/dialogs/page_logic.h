// The arithmetic and little state machines of the settings pages, free of the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "settings/settings_block.h"

namespace cc {

// Up-down arrows report a negative delta for "up" and a positive one for "down".
int32_t TrailWidthAfterArrow(int32_t width, int delta);       // 1..5
int32_t TimeoutTenthsAfterArrow(int32_t tenths, int delta);   // 1..20 tenths of a second
int32_t SensitivityAfterArrow(int32_t pixels, int delta);     // steps of 5, 5..50

// "%d.%d" of tenths of a second: 5 → "0.5", 20 → "2.0".
void FormatTenths(int32_t tenths, wchar_t (&out)[32]);

// The trail width the behaviour page stores from its edit's first character.
int32_t TrailWidthFromText(const wchar_t* text);

// "RGB : ( %3d, %3d, %3d )" of a Windows colour value.
void FormatColourValue(uint32_t colour, wchar_t (&out)[64]);

// DefaultActionFlags and the four boxes of the default-actions page, in box order
// (right-held back, left-held forward, Ctrl releases right, middle click new window).
struct DefaultActionBoxes {
    bool rockerBack, rockerForward, ctrlReleasesRight, middleClickNewWindow;
};
DefaultActionBoxes BoxesFromFlags(int32_t flags);
int32_t FlagsFromBoxes(const DefaultActionBoxes& boxes);

// The gesture edit dialog's strokes: no direction twice in a row, at most five.
class GestureEditor {
public:
    // False when the press is ignored (full, or the same as the last stroke).
    bool Press(int32_t direction);
    void Backspace();
    int32_t count() const { return count_; }
    const int32_t* strokes() const { return strokes_; }
    bool full() const { return count_ >= kMaxStrokes; }
    // The strokes' names joined by "-"; empty for no strokes.
    void Text(wchar_t (&out)[32]) const;

private:
    int32_t strokes_[kMaxStrokes] = {};
    int32_t count_ = 0;
};

// The quick-move list's editing, on positions: where entries go and what is selected.
struct ListEdit {
    std::vector<std::size_t> order;  // new position i holds old entry order[i]
    int selected = -1;               // row to select and focus afterwards, -1 for none
};
ListEdit DeleteRows(std::size_t count, const std::vector<bool>& selected);
// The lowest selected row that can move; nothing changes when there is none.
ListEdit MoveRowUp(std::size_t count, const std::vector<bool>& selected);
ListEdit MoveRowDown(std::size_t count, const std::vector<bool>& selected);

}  // namespace cc
