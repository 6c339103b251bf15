#include <gtest/gtest.h>

#include <climits>

#include "actions/action_match.h"
#include "block_fixture.h"
#include "context/gesture_session.h"

namespace cc {
namespace {

class Match : public ::testing::Test {
protected:
    test::Block block;
    void SetUp() override { ApplyDefaults(block.view()); }
    int Find(int32_t kind, int32_t n, Gesture g) {
        return FindBoundAction(block.view(), kind, n, g.strokes);
    }
};

TEST_F(Match, EveryDefaultGestureFindsItsActionInItsList) {
    for (ActionList list : {ActionList::Explorer, ActionList::Browser}) {
        const int32_t kind = list == ActionList::Explorer ? ViewFolderList : ViewWeb;
        for (int k = 0; k < ActionCount(list); ++k) {
            const Gesture g = DefaultGesture(list, k);
            if (g.count == 0) continue;
            EXPECT_EQ(Find(kind, g.count, g), k) << k;
        }
    }
}

TEST_F(Match, TheViewKindChoosesTheList) {
    const Gesture upLeftUp{3, {StrokeUp, StrokeLeft, StrokeUp}};
    EXPECT_EQ(Find(ViewWeb, 3, upLeftUp), 10);
    EXPECT_EQ(Find(ViewFolderList, 3, upLeftUp), kNoAction);
    const Gesture up{1, {StrokeUp}};
    EXPECT_EQ(Find(ViewFolderList, 1, up), 10);
    EXPECT_EQ(Find(ViewWeb, 1, up), 11);
    EXPECT_EQ(Find(ViewNone, 1, up), kNoAction);
    EXPECT_EQ(Find(3, 1, up), kNoAction);
}

TEST_F(Match, EqualGesturesGoToTheLowerIdentifier) {
    block.view().WriteGesture(ActionList::Explorer, 14, Gesture{1, {StrokeLeft}});
    EXPECT_EQ(Find(ViewFolderList, 1, Gesture{1, {StrokeLeft}}), 1);
    block.view().WriteGesture(ActionList::Explorer, 1, Gesture{0, {}});
    EXPECT_EQ(Find(ViewFolderList, 1, Gesture{1, {StrokeLeft}}), 14);
}

TEST_F(Match, ACountOfZeroNeverMatchesWhateverItsEntryHolds) {
    const SettingsView v = block.view();
    v.SetStrokeCount(ActionList::Explorer, 12, 0);
    for (int slot = 0; slot < kMaxStrokes; ++slot) v.SetStroke(ActionList::Explorer, 12, slot, StrokeRight);
    v.WriteGesture(ActionList::Explorer, 2, Gesture{0, {}});
    EXPECT_EQ(Find(ViewFolderList, 1, Gesture{1, {StrokeRight}}), kNoAction);
    EXPECT_EQ(Find(ViewFolderList, 0, Gesture{}), kNoAction);
}

TEST_F(Match, APrefixIsNotAMatch) {
    // Right-down is a prefix of right-down-left (settings) and bound to nothing.
    EXPECT_EQ(Find(ViewFolderList, 2, Gesture{2, {StrokeRight, StrokeDown}}), kNoAction);
}

TEST_F(Match, HostileCountsAndCodesMatchNothing) {
    const SettingsView v = block.view();
    for (int k = 0; k < kBrowserActionCount; ++k) v.SetStrokeCount(ActionList::Browser, k, k % 2 ? 6 : -1);
    for (int k = 0; k < kBrowserActionCount; ++k) {
        EXPECT_EQ(Find(ViewWeb, 5, Gesture{5, {0, 1, 2, 3, 0}}), kNoAction);
    }
    v.WriteGesture(ActionList::Explorer, 3, Gesture{2, {9, -1}});
    EXPECT_EQ(Find(ViewFolderList, 2, Gesture{2, {StrokeLeft, StrokeUp}}), kNoAction);
    // A recorded count the session could never hold is refused rather than trusted.
    EXPECT_EQ(Find(ViewFolderList, 7, Gesture{5, {1, 2, 3, 0, 1}}), kNoAction);
    EXPECT_EQ(Find(ViewFolderList, INT_MIN, Gesture{}), kNoAction);
}

TEST_F(Match, AnInvalidViewMatchesNothing) {
    const Gesture left{1, {StrokeLeft}};
    EXPECT_EQ(FindBoundAction(SettingsView(), ViewFolderList, 1, left.strokes), kNoAction);
}

}  // namespace
}  // namespace cc
