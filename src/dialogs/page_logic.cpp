#include "dialogs/page_logic.h"

#include <cstdio>
#include <cwchar>
#include <numeric>

#include "settings/action_catalogue.h"

namespace cc {
namespace {

std::vector<std::size_t> Identity(std::size_t count) {
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

}  // namespace

int32_t TrailWidthAfterArrow(int32_t width, int delta) {
    if (delta < 0 && width < 5) return width + 1;
    if (delta > 0 && width >= 2) return width - 1;
    return width;
}

int32_t TimeoutTenthsAfterArrow(int32_t tenths, int delta) {
    if (delta < 0 && tenths < 20) return tenths + 1;
    if (delta > 0 && tenths >= 2) return tenths - 1;
    return tenths;
}

int32_t SensitivityAfterArrow(int32_t pixels, int delta) {
    if (delta < 0 && pixels < 50) return pixels + 5;
    // Down only while the result stays within the offered 5..50.
    if (delta > 0 && pixels >= 10) return pixels - 5;
    return pixels;
}

void FormatTenths(int32_t tenths, wchar_t (&out)[32]) {
    std::swprintf(out, 32, L"%d.%d", tenths / 10, tenths % 10);
}

int32_t TrailWidthFromText(const wchar_t* text) {
    const int32_t width = (text && *text >= L'0' && *text <= L'9') ? *text - L'0' : 0;
    return width >= 1 && width <= 5 ? width : 2;
}

void FormatColourValue(uint32_t colour, wchar_t (&out)[64]) {
    std::swprintf(out, 64, L"RGB : ( %3d, %3d, %3d )", static_cast<int>(colour & 0xFF),
                  static_cast<int>((colour >> 8) & 0xFF), static_cast<int>((colour >> 16) & 0xFF));
}

DefaultActionBoxes BoxesFromFlags(int32_t flags) {
    return {(flags & RockerBack) != 0, (flags & RockerForward) != 0, (flags & CtrlReleasesRight) != 0,
            (flags & MiddleClickNewWindow) != 0};
}

int32_t FlagsFromBoxes(const DefaultActionBoxes& boxes) {
    return (boxes.rockerBack ? RockerBack : 0) | (boxes.rockerForward ? RockerForward : 0) |
           (boxes.ctrlReleasesRight ? CtrlReleasesRight : 0) | (boxes.middleClickNewWindow ? MiddleClickNewWindow : 0);
}

bool GestureEditor::Press(int32_t direction) {
    if (count_ >= kMaxStrokes || !IsStrokeCode(direction)) return false;
    if (count_ > 0 && strokes_[count_ - 1] == direction) return false;
    strokes_[count_++] = direction;
    return true;
}

void GestureEditor::Backspace() {
    if (count_ > 0) --count_;
}

void GestureEditor::Text(wchar_t (&out)[32]) const {
    if (count_ == 0) {
        out[0] = L'\0';
        return;
    }
    FormatGestureText(count_, strokes_, out, 32);
}

ListEdit DeleteRows(std::size_t count, const std::vector<bool>& selected) {
    ListEdit edit;
    int lowestDeleted = -1;
    for (std::size_t i = 0; i < count; ++i) {
        if (i < selected.size() && selected[i]) {
            if (lowestDeleted < 0) lowestDeleted = static_cast<int>(i);
        } else {
            edit.order.push_back(i);
        }
    }
    if (lowestDeleted >= 0 && !edit.order.empty()) {
        edit.selected = lowestDeleted < static_cast<int>(edit.order.size()) ? lowestDeleted
                                                                            : static_cast<int>(edit.order.size()) - 1;
    }
    return edit;
}

ListEdit MoveRowUp(std::size_t count, const std::vector<bool>& selected) {
    ListEdit edit{Identity(count), -1};
    for (std::size_t i = 1; i < count; ++i) {
        if (i < selected.size() && selected[i]) {
            std::swap(edit.order[i], edit.order[i - 1]);
            edit.selected = static_cast<int>(i - 1);
            break;
        }
    }
    return edit;
}

ListEdit MoveRowDown(std::size_t count, const std::vector<bool>& selected) {
    ListEdit edit{Identity(count), -1};
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (i < selected.size() && selected[i]) {
            std::swap(edit.order[i], edit.order[i + 1]);
            edit.selected = static_cast<int>(i + 1);
            break;
        }
    }
    return edit;
}

}  // namespace cc
