#include <gtest/gtest.h>

#include <climits>

#include "block_fixture.h"

namespace cc {
namespace {

using test::Block;

TEST(SettingsLayout, HeaderFieldsSitAtTheirByteOffsets) {
    const std::pair<Field, std::size_t> fields[] = {
        {Field::LayoutVersion, 0},          {Field::TrailEnabled, 4},          {Field::TrailColorR, 8},
        {Field::TrailColorG, 12},           {Field::TrailColorB, 16},          {Field::TrailWidth, 20},
        {Field::TimeoutMs, 24},             {Field::ReleaseOnFolderHold, 28},  {Field::SensitivityPixels, 32},
        {Field::BlankDoubleClickAction, 36}, {Field::NoStartOnSelectedItem, 40}, {Field::UpFolderByPath, 44},
        {Field::DefaultActionFlags, 48},    {Field::ExplorerWheelAction, 52},  {Field::BrowserWheelAction, 56},
    };
    for (const auto& [field, offset] : fields) {
        Block b;
        b.view().Set(field, 0x12345678);
        EXPECT_EQ(b.AtByte(offset), 0x12345678) << "offset " << offset;
        EXPECT_EQ(b.view().Get(field), 0x12345678);
    }
}

TEST(SettingsLayout, GroupsFollowTheHeaderWithoutGaps) {
    Block b;
    const SettingsView v = b.view();
    v.SetStrokeCount(ActionList::Explorer, 0, 101);
    v.SetStrokeCount(ActionList::Explorer, 15, 102);
    v.SetStroke(ActionList::Explorer, 0, 0, 103);
    v.SetStroke(ActionList::Explorer, 15, 4, 104);
    v.SetStrokeCount(ActionList::Browser, 0, 105);
    v.SetStrokeCount(ActionList::Browser, 28, 106);
    v.SetStroke(ActionList::Browser, 0, 0, 107);
    v.SetStroke(ActionList::Browser, 28, 4, 108);

    EXPECT_EQ(b.AtByte(60), 101);
    EXPECT_EQ(b.AtByte(120), 102);
    EXPECT_EQ(b.AtByte(124), 103);
    EXPECT_EQ(b.AtByte(440), 104);  // last slot of the Explorer entries
    EXPECT_EQ(b.AtByte(444), 105);
    EXPECT_EQ(b.AtByte(556), 106);
    EXPECT_EQ(b.AtByte(560), 107);
    EXPECT_EQ(b.AtByte(1136), 108);  // the very last integer of the block
    EXPECT_EQ(kSettingsBytes, 1140u);
}

TEST(SettingsDefaults, FreshBlockIsZeroAndDefaultsFillEveryHeaderField) {
    Block b;
    for (int32_t v : b.ints) ASSERT_EQ(v, 0);
    ApplyDefaults(b.view());
    const SettingsView v = b.view();
    EXPECT_EQ(v.Get(Field::LayoutVersion), 23);
    EXPECT_EQ(v.Get(Field::TrailEnabled), 1);
    EXPECT_EQ(v.Get(Field::TrailColorR), 51);
    EXPECT_EQ(v.Get(Field::TrailColorG), 204);
    EXPECT_EQ(v.Get(Field::TrailColorB), 255);
    EXPECT_EQ(v.Get(Field::TrailWidth), 2);
    EXPECT_EQ(v.Get(Field::TimeoutMs), 0);
    EXPECT_EQ(v.Get(Field::ReleaseOnFolderHold), 0);
    EXPECT_EQ(v.Get(Field::SensitivityPixels), 15);
    EXPECT_EQ(v.Get(Field::BlankDoubleClickAction), 0);
    EXPECT_EQ(v.Get(Field::NoStartOnSelectedItem), 0);
    EXPECT_EQ(v.Get(Field::UpFolderByPath), 0);
    EXPECT_EQ(v.Get(Field::DefaultActionFlags), 15);
    EXPECT_EQ(v.Get(Field::ExplorerWheelAction), 1);
    EXPECT_EQ(v.Get(Field::BrowserWheelAction), 4);
    // The default colour is the palette's entry 32.
    EXPECT_EQ(ColorFromComponents(v.Get(Field::TrailColorR), v.Get(Field::TrailColorG), v.Get(Field::TrailColorB)),
              TrailPalette[kDefaultTrailPaletteIndex]);
}

TEST(SettingsDefaults, EveryDefaultGestureOfBothLists) {
    Block b;
    ApplyDefaults(b.view());
    for (int k = 0; k < kExplorerActionCount; ++k) {
        EXPECT_EQ(test::GestureText(b.view().ReadGesture(ActionList::Explorer, k)), test::kExplorerDefaultTexts[k])
            << "Explorer action " << k;
    }
    for (int k = 0; k < kBrowserActionCount; ++k) {
        EXPECT_EQ(test::GestureText(b.view().ReadGesture(ActionList::Browser, k)), test::kBrowserDefaultTexts[k])
            << "browser action " << k;
    }
}

TEST(SettingsDefaults, OverwriteEverythingButTheSlotsBehindEachDefaultCount) {
    Block b;
    b.Fill(0x7777);
    ApplyDefaults(b.view());
    const SettingsView v = b.view();
    EXPECT_EQ(v.Get(Field::LayoutVersion), 23);
    // Settings (3 strokes): slots 3 and 4 keep their leftovers.
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 0, 2), StrokeLeft);
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 0, 3), 0x7777);
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 0, 4), 0x7777);
    // No default gesture: count 0, entry untouched, still shown as the empty gesture.
    EXPECT_EQ(v.StoredStrokeCount(ActionList::Explorer, 12), 0);
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 12, 0), 0x7777);
    EXPECT_EQ(test::GestureText(v.ReadGesture(ActionList::Explorer, 12)), L"－");
    // Full screen has four strokes: only slot 4 stays.
    EXPECT_EQ(v.StoredStroke(ActionList::Browser, 19, 3), StrokeUp);
    EXPECT_EQ(v.StoredStroke(ActionList::Browser, 19, 4), 0x7777);
}

TEST(SettingsHostile, CountsOutsideZeroToFiveReadAsNoGesture) {
    for (int32_t stored : {6, 7, -1, 1000, INT_MAX, INT_MIN}) {
        Block b;
        b.Fill(StrokeRight);
        b.view().SetStrokeCount(ActionList::Browser, 28, stored);
        const Gesture g = b.view().ReadGesture(ActionList::Browser, 28);
        EXPECT_EQ(g.count, 0) << stored;
        EXPECT_EQ(test::GestureText(g), L"－") << stored;
    }
    Block b;
    b.view().SetStrokeCount(ActionList::Explorer, 3, 5);
    EXPECT_EQ(b.view().ReadGesture(ActionList::Explorer, 3).count, 5);
}

TEST(SettingsHostile, IdentifiersOutsideTheListsReadNothingAndWriteNothing) {
    Block b;
    b.Fill(0x55);
    const SettingsView v = b.view();
    EXPECT_EQ(v.StoredStrokeCount(ActionList::Explorer, 16), 0);
    EXPECT_EQ(v.StoredStrokeCount(ActionList::Browser, -1), 0);
    EXPECT_EQ(v.StoredStroke(ActionList::Browser, 29, 0), 0);
    EXPECT_EQ(v.StoredStroke(ActionList::Browser, 0, 5), 0);
    EXPECT_EQ(v.ReadGesture(ActionList::Explorer, 16).count, 0);
    v.SetStrokeCount(ActionList::Explorer, 16, 1);
    v.SetStroke(ActionList::Browser, 29, 0, 1);
    v.SetStroke(ActionList::Browser, 28, 5, 1);
    v.WriteGesture(ActionList::Browser, 29, Gesture{1, {1}});
    for (int32_t i : b.ints) ASSERT_EQ(i, 0x55);
}

TEST(SettingsHostile, AViewWithoutABlockReadsZerosAndWritesNothing) {
    const SettingsView none;
    EXPECT_EQ(none.Get(Field::TimeoutMs), 0);
    none.Set(Field::TimeoutMs, 1);
    EXPECT_EQ(none.StoredStrokeCount(ActionList::Explorer, 1), 0);
    EXPECT_EQ(none.ReadGesture(ActionList::Browser, 1).count, 0);
    none.WriteGesture(ActionList::Browser, 1, Gesture{1, {1}});
    none.SetStroke(ActionList::Explorer, 1, 0, 1);
    ApplyDefaults(none);
}

TEST(SettingsWrite, WriteGestureClampsTheCountAndLeavesLaterSlots) {
    Block b;
    b.Fill(9);
    const SettingsView v = b.view();
    v.WriteGesture(ActionList::Explorer, 4, Gesture{2, {StrokeUp, StrokeDown, 1, 1, 1}});
    EXPECT_EQ(v.StoredStrokeCount(ActionList::Explorer, 4), 2);
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 4, 2), 9);
    v.WriteGesture(ActionList::Explorer, 4, Gesture{12, {0, 1, 2, 3, 0}});
    EXPECT_EQ(v.StoredStrokeCount(ActionList::Explorer, 4), 5);
    v.WriteGesture(ActionList::Explorer, 4, Gesture{-3, {}});
    EXPECT_EQ(v.StoredStrokeCount(ActionList::Explorer, 4), 0);
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 4, 0), 0);  // from the write before
}

TEST(SettingsHostile, TrailWidthStaysInsideWhatThePageOffers) {
    EXPECT_EQ(ClampTrailWidth(1), 1);
    EXPECT_EQ(ClampTrailWidth(5), 5);
    EXPECT_EQ(ClampTrailWidth(0), 1);
    EXPECT_EQ(ClampTrailWidth(-7), 1);
    EXPECT_EQ(ClampTrailWidth(INT_MAX), 5);
}

}  // namespace
}  // namespace cc
