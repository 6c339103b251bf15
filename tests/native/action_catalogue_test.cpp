#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "block_fixture.h"

namespace cc {
namespace {

std::wstring Text(int32_t count, std::initializer_list<int32_t> codes) {
    Gesture g;
    g.count = count;
    int i = 0;
    for (int32_t c : codes) g.strokes[i++] = c;
    return test::GestureText(g);
}

TEST(ActionNames, BothListsCarryTheirExactNames) {
    EXPECT_STREQ(ActionName(ActionList::Explorer, 0), L"ジェスチャーの設定");
    EXPECT_STREQ(ActionName(ActionList::Explorer, 8), L"最大化/元に戻す");
    EXPECT_STREQ(ActionName(ActionList::Explorer, 11), L"コマンドプロンプトを開く");
    EXPECT_STREQ(ActionName(ActionList::Explorer, 15), L"ページダウン");
    EXPECT_STREQ(ActionName(ActionList::Browser, 10), L"上へ移動");
    EXPECT_STREQ(ActionName(ActionList::Browser, 13), L"他のタブを全て閉じる");
    EXPECT_STREQ(ActionName(ActionList::Browser, 14), L"クイックタブビューの表示");
    EXPECT_STREQ(ActionName(ActionList::Browser, 20), L"上端へスクロール");
    EXPECT_STREQ(ActionName(ActionList::Browser, 26), L"フォントサイズのリセット");
    EXPECT_STREQ(ActionName(ActionList::Browser, 28), L"お気に入りの表示/非表示");
    // The shared names are the same text in both lists.
    for (int k = 0; k <= 10; ++k) EXPECT_STREQ(ActionName(ActionList::Explorer, k), ActionName(ActionList::Browser, k));
    for (int k = 0; k < 4; ++k) {
        EXPECT_STREQ(ActionName(ActionList::Explorer, 12 + k), ActionName(ActionList::Browser, 20 + k));
    }
}

TEST(ActionNames, IdentifiersOutsideTheListsHaveNoName) {
    EXPECT_EQ(ActionName(ActionList::Explorer, 16), nullptr);
    EXPECT_EQ(ActionName(ActionList::Explorer, -1), nullptr);
    EXPECT_EQ(ActionName(ActionList::Browser, 29), nullptr);
    EXPECT_EQ(ActionName(ActionList::Browser, INT_MIN), nullptr);
}

TEST(ActionNames, OnlyTheTabCommandsNeedATabbedBrowser) {
    for (int k = 0; k < kBrowserActionCount; ++k) {
        EXPECT_EQ(BrowserActionIe7Only(k), k >= 11 && k <= 17) << k;
    }
    EXPECT_FALSE(BrowserActionIe7Only(-1));
    EXPECT_FALSE(BrowserActionIe7Only(29));
}

TEST(GestureText, DirectionNamesAndSeparators) {
    EXPECT_STREQ(DirectionName(0), L"上");
    EXPECT_STREQ(DirectionName(1), L"右");
    EXPECT_STREQ(DirectionName(2), L"下");
    EXPECT_STREQ(DirectionName(3), L"左");
    EXPECT_EQ(DirectionName(4), nullptr);
    EXPECT_EQ(DirectionName(-1), nullptr);
    EXPECT_EQ(Text(3, {1, 2, 3}), L"右-下-左");
    EXPECT_EQ(Text(1, {0}), L"上");
}

TEST(GestureText, EmptyGestureIsTheFullwidthHyphenNeverEmpty) {
    const std::wstring empty = Text(0, {1, 2});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0], L'\xFF0D');
}

TEST(GestureText, FiveStrokesMakeNineCharacters) {
    wchar_t buf[kGestureTextUnits];
    EXPECT_EQ(FormatGestureText(5, {0, 1, 2, 3, 0}, buf, kGestureTextUnits), 9u);
    EXPECT_STREQ(buf, L"上-右-下-左-上");
}

TEST(GestureText, HostileCountsAndCodesStayInsideTheEntry) {
    EXPECT_EQ(Text(6, {0, 1, 2, 3, 0}), L"－");
    EXPECT_EQ(Text(-1, {0}), L"－");
    EXPECT_EQ(Text(INT_MAX, {0}), L"－");
    // Codes outside 0..3 add no name; the separators stay.
    EXPECT_EQ(Text(3, {7, 1, -2}), L"-右-");
}

TEST(GestureText, NeverWritesBeyondTheCallersBuffer) {
    wchar_t buf[6];
    for (wchar_t& c : buf) c = L'#';
    EXPECT_EQ(FormatGestureText(5, {0, 1, 2, 3, 0}, buf, 4), 3u);
    EXPECT_STREQ(buf, L"上-右");
    EXPECT_EQ(buf[4], L'#');
    EXPECT_EQ(FormatGestureText(1, {0}, buf, 1), 0u);
    EXPECT_EQ(buf[0], L'\0');
    EXPECT_EQ(FormatGestureText(1, {0}, nullptr, 10), 0u);
    EXPECT_EQ(FormatGestureText(1, {0}, buf, 0), 0u);
}

TEST(TrailPalette, ColoursAreWindowsColourValues) {
    EXPECT_EQ(TrailPalette[0], 0xFFFFFFu);
    EXPECT_EQ(TrailPalette[47], 0x663366u);
    EXPECT_EQ(TrailPalette[8], 0x0000FFu);   // FF0000: red lands in the lowest byte
    EXPECT_EQ(TrailPalette[32], 0xFFCC33u);  // 33CCFF, the default trail colour
    EXPECT_EQ(TrailPalette[35], 0x990000u);  // 000099: blue in the third byte
    EXPECT_EQ(TrailPalette[15], 0x0066FFu);  // FF6600
}

TEST(TrailPalette, OnlyTheLowByteOfEachComponentCounts) {
    EXPECT_EQ(ColorFromComponents(300, 0, 0), 44u);
    EXPECT_EQ(ColorFromComponents(-1, 256, 511), 0xFF00FFu);
}

}  // namespace
}  // namespace cc
