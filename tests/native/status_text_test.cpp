#include <gtest/gtest.h>

#include <string>

#include "block_fixture.h"
#include "gesture/status_text.h"

namespace cc {
namespace {

class Status : public ::testing::Test {
protected:
    test::Block block;
    GestureSession s;
    void SetUp() override { ApplyDefaults(block.view()); }
    void Record(std::initializer_list<int32_t> strokes) {
        s.StrokeCount = 0;
        for (int32_t d : strokes) s.Strokes[s.StrokeCount++] = d;
    }
    std::wstring Text() {
        wchar_t buf[kStatusTextUnits];
        BuildGestureStatusText(s, block.view(), buf, kStatusTextUnits);
        return buf;
    }
};

TEST_F(Status, TheWorkedExampleCharacterForCharacter) {
    s.ViewKind = ViewFolderList;
    Record({StrokeRight, StrokeDown, StrokeLeft});
    EXPECT_EQ(Text(), L"ジェスチャー\x0020\xFF1A\x0020右 下 左   ジェスチャーの設定");
}

TEST_F(Status, NoBoundActionEndsWithTwoSpaces) {
    s.ViewKind = ViewFolderList;
    Record({StrokeRight, StrokeLeft});
    EXPECT_EQ(Text(), L"ジェスチャー ： 右 左   ");
}

TEST_F(Status, TabCommandsAreNamedOnlyInATabbedBrowser) {
    s.ViewKind = ViewWeb;
    Record({StrokeUp});  // new tab
    EXPECT_EQ(Text(), L"ジェスチャー ： 上   ");
    s.TabbedBrowser = 1;
    EXPECT_EQ(Text(), L"ジェスチャー ： 上   新規タブ");
    s.TabbedBrowser = 0;
    Record({StrokeDown, StrokeUp});  // duplicate page is not a tab command
    EXPECT_EQ(Text(), L"ジェスチャー ： 下 上   ページの複製");
}

TEST_F(Status, AFolderListNamesFromTheExplorerList) {
    s.ViewKind = ViewFolderList;
    Record({StrokeUp});
    EXPECT_EQ(Text(), L"ジェスチャー ： 上   上へ移動");
    s.ViewKind = ViewNone;
    EXPECT_EQ(Text(), L"ジェスチャー ： 上   ");
}

TEST_F(Status, HostileSessionOrBlockNeverReadsOutOfRange) {
    s.ViewKind = ViewWeb;
    s.StrokeCount = 99;
    EXPECT_EQ(Text(), L"ジェスチャー ：   ");
    s.StrokeCount = 2;
    s.Strokes[0] = 12;
    s.Strokes[1] = StrokeLeft;
    EXPECT_EQ(Text(), L"ジェスチャー ： 左   ");
    for (int k = 0; k < kBrowserActionCount; ++k) block.view().SetStrokeCount(ActionList::Browser, k, 1 << 30);
    Record({StrokeLeft});
    EXPECT_EQ(Text(), L"ジェスチャー ： 左   ");
}

TEST_F(Status, SmallBuffersAreCutAndTerminated) {
    s.ViewKind = ViewFolderList;
    Record({StrokeRight, StrokeDown, StrokeLeft});
    wchar_t buf[5];
    EXPECT_EQ(BuildGestureStatusText(s, block.view(), buf, 5), 4u);
    EXPECT_EQ(std::wstring(buf), L"ジェスチ");
    EXPECT_EQ(BuildGestureStatusText(s, block.view(), buf, 0), 0u);
}

}  // namespace
}  // namespace cc
