#include <gtest/gtest.h>

#include <string>

#include "dialogs/page_logic.h"
#include "settings/action_catalogue.h"

namespace cc {
namespace {

constexpr int kUp = -1;
constexpr int kDown = 1;

TEST(Arrows, TrailWidthStaysWithinOneToFive) {
    EXPECT_EQ(TrailWidthAfterArrow(2, kUp), 3);
    EXPECT_EQ(TrailWidthAfterArrow(5, kUp), 5);
    EXPECT_EQ(TrailWidthAfterArrow(2, kDown), 1);
    EXPECT_EQ(TrailWidthAfterArrow(1, kDown), 1);
    EXPECT_EQ(TrailWidthAfterArrow(3, 0), 3);
}

TEST(Arrows, TimeoutTenths) {
    EXPECT_EQ(TimeoutTenthsAfterArrow(5, kUp), 6);
    EXPECT_EQ(TimeoutTenthsAfterArrow(20, kUp), 20);
    EXPECT_EQ(TimeoutTenthsAfterArrow(25, kUp), 25) << "2.5 from the block: the up arrow leaves it";
    EXPECT_EQ(TimeoutTenthsAfterArrow(25, kDown), 24);
    EXPECT_EQ(TimeoutTenthsAfterArrow(2, kDown), 1);
    EXPECT_EQ(TimeoutTenthsAfterArrow(1, kDown), 1);
}

TEST(Arrows, SensitivityKeepsTheOfferedRange) {
    EXPECT_EQ(SensitivityAfterArrow(15, kUp), 20);
    EXPECT_EQ(SensitivityAfterArrow(7, kUp), 12);
    EXPECT_EQ(SensitivityAfterArrow(47, kUp), 52);
    EXPECT_EQ(SensitivityAfterArrow(52, kUp), 52);
    EXPECT_EQ(SensitivityAfterArrow(50, kUp), 50);
    EXPECT_EQ(SensitivityAfterArrow(7, kDown), 7);
    EXPECT_EQ(SensitivityAfterArrow(10, kDown), 5);
    EXPECT_EQ(SensitivityAfterArrow(5, kDown), 5);
    EXPECT_EQ(SensitivityAfterArrow(15, 0), 15);
}

TEST(Texts, TenthsWidthAndColour) {
    wchar_t tenths[32];
    FormatTenths(5, tenths);
    EXPECT_STREQ(tenths, L"0.5");
    FormatTenths(20, tenths);
    EXPECT_STREQ(tenths, L"2.0");
    FormatTenths(25, tenths);
    EXPECT_STREQ(tenths, L"2.5");
    EXPECT_EQ(TrailWidthFromText(L"4"), 4);
    EXPECT_EQ(TrailWidthFromText(L"7"), 2);
    EXPECT_EQ(TrailWidthFromText(L"0"), 2);
    EXPECT_EQ(TrailWidthFromText(L"12"), 1);
    EXPECT_EQ(TrailWidthFromText(L""), 2);
    EXPECT_EQ(TrailWidthFromText(nullptr), 2);
    wchar_t colour[64];
    FormatColourValue(TrailPalette[32], colour);
    EXPECT_STREQ(colour, L"RGB : (  51, 204, 255 )");
    FormatColourValue(0xFFFFFF, colour);
    EXPECT_STREQ(colour, L"RGB : ( 255, 255, 255 )");
    FormatColourValue(0x00000007, colour);
    EXPECT_STREQ(colour, L"RGB : (   7,   0,   0 )");
}

TEST(DefaultActions, TheThirdBoxIsBitEightAndTheFourthBitFour) {
    const DefaultActionBoxes all = BoxesFromFlags(0x1F);
    EXPECT_TRUE(all.rockerBack && all.rockerForward && all.ctrlReleasesRight && all.middleClickNewWindow);
    EXPECT_EQ(FlagsFromBoxes(all), 15);
    EXPECT_EQ(FlagsFromBoxes({true, true, false, true}), 7);
    EXPECT_EQ(FlagsFromBoxes({false, false, false, true}), 4);
    EXPECT_EQ(FlagsFromBoxes({false, false, true, false}), 8);
    const DefaultActionBoxes none = BoxesFromFlags(0x10);
    EXPECT_FALSE(none.rockerBack || none.rockerForward || none.ctrlReleasesRight || none.middleClickNewWindow);
}

std::wstring Text(const GestureEditor& e) {
    wchar_t out[32];
    e.Text(out);
    return out;
}

TEST(GestureEditor, NoRepeatsAtMostFiveAndBackspace) {
    GestureEditor e;
    EXPECT_TRUE(e.Press(StrokeUp));
    EXPECT_FALSE(e.Press(StrokeUp));
    EXPECT_EQ(Text(e), L"上");
    for (int32_t d : {StrokeRight, StrokeUp, StrokeRight, StrokeUp}) EXPECT_TRUE(e.Press(d));
    EXPECT_TRUE(e.full());
    EXPECT_EQ(Text(e), L"上-右-上-右-上");
    EXPECT_FALSE(e.Press(StrokeDown));
    e.Backspace();
    EXPECT_EQ(Text(e), L"上-右-上-右");
    EXPECT_FALSE(e.full());

    GestureEditor f;
    f.Press(StrokeUp);
    f.Press(StrokeRight);
    f.Backspace();
    EXPECT_FALSE(f.Press(StrokeUp)) << "the last remaining stroke is already up";
    f.Backspace();
    f.Backspace();
    EXPECT_EQ(f.count(), 0);
    EXPECT_EQ(Text(f), L"");
    EXPECT_FALSE(f.Press(7));
}

TEST(ListEdits, DeleteSelectsTheRowNowAtTheLowestDeletedIndex) {
    std::vector<bool> selected(7, false);
    selected[2] = selected[5] = true;
    ListEdit edit = DeleteRows(7, selected);
    EXPECT_EQ(edit.order, (std::vector<std::size_t>{0, 1, 3, 4, 6}));
    EXPECT_EQ(edit.selected, 2);

    std::vector<bool> last(3, false);
    last[2] = true;
    edit = DeleteRows(3, last);
    EXPECT_EQ(edit.order, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(edit.selected, 1);

    edit = DeleteRows(1, std::vector<bool>{true});
    EXPECT_TRUE(edit.order.empty());
    EXPECT_EQ(edit.selected, -1);
    edit = DeleteRows(2, std::vector<bool>{false, false});
    EXPECT_EQ(edit.selected, -1);
}

TEST(ListEdits, MovesTakeTheLowestMovableSelectedRow) {
    std::vector<bool> first(3, false);
    first[0] = true;
    EXPECT_EQ(MoveRowUp(3, first).selected, -1);
    EXPECT_EQ(MoveRowUp(3, first).order, (std::vector<std::size_t>{0, 1, 2}));
    std::vector<bool> lastOnly(3, false);
    lastOnly[2] = true;
    EXPECT_EQ(MoveRowDown(3, lastOnly).selected, -1);
    std::vector<bool> two(4, false);
    two[0] = two[2] = true;
    ListEdit up = MoveRowUp(4, two);
    EXPECT_EQ(up.order, (std::vector<std::size_t>{0, 2, 1, 3}));
    EXPECT_EQ(up.selected, 1);
    ListEdit down = MoveRowDown(4, two);
    EXPECT_EQ(down.order, (std::vector<std::size_t>{1, 0, 2, 3}));
    EXPECT_EQ(down.selected, 1);
}

}  // namespace
}  // namespace cc
