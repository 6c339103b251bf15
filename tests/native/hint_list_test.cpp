#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_fixture.h"
#include "context/gesture_session.h"
#include "gesture/hint_list.h"

namespace cc {
namespace {

class Hints : public ::testing::Test {
protected:
    test::Block block;
    void SetUp() override { ApplyDefaults(block.view()); }
    // Clears every gesture of a list, so a test writes only the ones it needs.
    void ClearList(ActionList list) {
        for (int k = 0; k < ActionCount(list); ++k) block.view().WriteGesture(list, k, Gesture{});
    }
    void Bind(ActionList list, int action, std::initializer_list<int32_t> strokes) {
        Gesture g;
        for (int32_t d : strokes) g.strokes[g.count++] = d;
        block.view().WriteGesture(list, action, g);
    }
    std::vector<std::wstring> Lines(int32_t viewKind, bool tabbed, std::initializer_list<int32_t> drawn,
                                    int* count = nullptr) {
        int32_t strokes[kMaxStrokes] = {};
        int32_t n = 0;
        for (int32_t d : drawn) strokes[n++] = d;
        wchar_t out[kHintTextUnits];
        const int lines = BuildHintList(block.view(), viewKind, tabbed, n, strokes, out, kHintTextUnits);
        if (count) *count = lines;
        std::vector<std::wstring> result;
        std::wstring text(out);
        for (size_t start = 0; !text.empty();) {
            const size_t end = text.find(L'\n', start);
            result.push_back(text.substr(start, end - start));
            if (end == std::wstring::npos) break;
            start = end + 1;
        }
        return result;
    }
};

TEST_F(Hints, ContinuationsOrderedByStrokeCountThenByListPlace) {
    // Drawn "right": of the defaults, max/restore (右-上) and the settings (右-下-左) go on
    // from it; forward (右) itself is what the status text already names.
    EXPECT_EQ(Lines(ViewFolderList, false, {StrokeRight}),
              (std::vector<std::wstring>{L"右 上   最大化/元に戻す", L"右 下 左   ジェスチャーの設定"}));
    // Drawn "down, up": only home goes on, in the Explorer list.
    EXPECT_EQ(Lines(ViewFolderList, false, {StrokeDown, StrokeUp}),
              (std::vector<std::wstring>{L"下 上 右   ホーム"}));
    // Nothing continues five strokes, nor a gesture bound to nothing.
    EXPECT_TRUE(Lines(ViewFolderList, false, {0, 1, 2, 3, 0}).empty());
    EXPECT_TRUE(Lines(ViewNone, false, {}).empty());
}

TEST_F(Hints, OnlyGesturesThatReachTheirAction) {
    ClearList(ActionList::Explorer);
    Bind(ActionList::Explorer, ExplorerBack, {StrokeLeft});
    Bind(ActionList::Explorer, ExplorerForward, {StrokeLeft});                // shadowed by back
    Bind(ActionList::Explorer, ExplorerStop, {StrokeLeft, StrokeLeft});       // the tracker merges repeats
    Bind(ActionList::Explorer, ExplorerRefresh, {StrokeLeft, 7});             // no such stroke
    Bind(ActionList::Explorer, ExplorerClose, {StrokeUp, StrokeLeft});
    EXPECT_EQ(Lines(ViewFolderList, false, {}), (std::vector<std::wstring>{L"左   戻る", L"上 左   閉じる"}));

    // Untabbed, new tab (上) would do nothing, and it shadows the later action with the
    // same gesture: that gesture is left out altogether. Tabbed, it is there.
    ClearList(ActionList::Browser);
    Bind(ActionList::Browser, BrowserNewTab, {StrokeUp});
    Bind(ActionList::Browser, BrowserDuplicatePage, {StrokeUp});
    Bind(ActionList::Browser, BrowserHistoryPane, {StrokeDown});
    Bind(ActionList::Browser, BrowserFullScreen, {StrokeRight});
    EXPECT_EQ(Lines(ViewWeb, false, {}), (std::vector<std::wstring>{L"右   フルスクリーン"}));
    EXPECT_EQ(Lines(ViewWeb, true, {}),
              (std::vector<std::wstring>{L"上   新規タブ", L"右   フルスクリーン", L"下   履歴の表示/非表示"}));
}

TEST_F(Hints, EightLinesAtMostTheEighthSayingMoreRemain) {
    // The browser defaults at the press: 24 gestures, of which the tabbed list reaches 20.
    int count = 0;
    const auto lines = Lines(ViewWeb, true, {}, &count);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(count, 8);
    EXPECT_EQ(lines[0], L"左   戻る");
    EXPECT_EQ(lines[3], L"上   新規タブ");
    EXPECT_EQ(lines[4], L"左 上   中止") << "two-stroke gestures follow the one-stroke ones";
    EXPECT_EQ(lines[6], L"下 右   閉じる");
    EXPECT_EQ(lines[7], L"…");

    // Exactly eight: all eight show, no "…".
    ClearList(ActionList::Explorer);
    for (int k = 0; k < 8; ++k) Bind(ActionList::Explorer, k, {k % 4, (k + 1 + k / 4) % 4});
    const auto eight = Lines(ViewFolderList, false, {});
    ASSERT_EQ(eight.size(), 8u);
    EXPECT_NE(eight[7], L"…");
    Bind(ActionList::Explorer, 8, {StrokeUp, StrokeDown, StrokeUp});
    EXPECT_EQ(Lines(ViewFolderList, false, {}).back(), L"…");

    // A small buffer is cut, terminated, never overrun.
    int32_t none[kMaxStrokes] = {};
    wchar_t small[6];
    BuildHintList(block.view(), ViewFolderList, false, 0, none, small, 6);
    EXPECT_EQ(std::wstring(small).size(), 5u);
}

TEST_F(Hints, RestFollowsTheTimeout) {
    EXPECT_EQ(HintRestMs(0), 400u);
    EXPECT_EQ(HintRestMs(-5), 400u);
    EXPECT_EQ(HintRestMs(2000), 400u);
    EXPECT_EQ(HintRestMs(800), 400u);
    EXPECT_EQ(HintRestMs(799), 399u);
    EXPECT_EQ(HintRestMs(301), 150u);
    EXPECT_EQ(HintRestMs(300), 0u) << "a timeout this short leaves no time to read a list";
    EXPECT_EQ(HintRestMs(1), 0u);
}

TEST_F(Hints, HostileBlockOrCountsStayInBounds) {
    block.Fill(-1);
    int32_t strokes[kMaxStrokes] = {9, 9, 9, 9, 9};
    wchar_t out[kHintTextUnits];
    EXPECT_EQ(BuildHintList(block.view(), ViewWeb, true, 99, strokes, out, kHintTextUnits), 0);
    block.Fill(5);  // every count 5, every code 5: nothing drawable
    EXPECT_EQ(BuildHintList(block.view(), ViewFolderList, false, -3, strokes, out, kHintTextUnits), 0);
    EXPECT_EQ(out[0], L'\0');
}

}  // namespace
}  // namespace cc
