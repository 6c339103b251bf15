// What lies under the pointer: list items in a real list view, and links and frames in
// a recorded page object model.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "fake_browser.h"
#include "gesture/view_hit.h"
#include "test_windows.h"

namespace cc {
namespace {

using test::FakeBrowser;
using test::FakeDocument;
using test::FakeElement;

TEST(HitListItem, ItemsAndEmptySpace) {
    test::HostWindow w({L"SHELLDLL_DefView", WC_LISTVIEWW}, RECT{50, 50, 450, 350}, 3);
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    ASSERT_TRUE(::SendMessageW(w.view(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&bounds)));
    EXPECT_TRUE(HitListItem(w.view(), {bounds.left + 1, bounds.top + 1}));
    EXPECT_TRUE(HitListItem(w.view(), {bounds.right - 1, bounds.bottom - 1}));
    EXPECT_FALSE(HitListItem(w.view(), {bounds.right, bounds.bottom}));
    EXPECT_FALSE(HitListItem(w.view(), {200, 280}));
    test::HostWindow empty({L"SHELLDLL_DefView", WC_LISTVIEWW}, RECT{50, 50, 450, 350}, 0);
    EXPECT_FALSE(HitListItem(empty.view(), {10, 10}));
}

class Page : public ::testing::Test {
protected:
    void SetUp() override {
        browser.document = &document;
        body.kind = FakeElement::Plain;
        document.Place(body, RECT{0, 0, 1000, 1000});
    }
    void TearDown() override {
        // Every reference the product took was given back.
        EXPECT_EQ(browser.refs, 1);
        EXPECT_EQ(document.refs, 1);
        EXPECT_EQ(body.refs, 1);
    }
    FakeBrowser browser;
    FakeDocument document;
    FakeElement body;
};

TEST_F(Page, AnchorsAndAreasWithAnAddressAreLinks) {
    FakeElement anchor, area, emptyAnchor, span;
    anchor.kind = FakeElement::Anchor;
    anchor.href = L"http://example.invalid/";
    area.kind = FakeElement::Area;
    area.href = L"http://example.invalid/map";
    emptyAnchor.kind = FakeElement::Anchor;
    emptyAnchor.parent = &anchor;  // the walk stops at the first anchor, even an empty one
    span.parent = &anchor;
    document.Place(anchor, RECT{0, 0, 100, 100});
    document.Place(area, RECT{100, 0, 200, 100});
    document.Place(emptyAnchor, RECT{200, 0, 300, 100});
    document.Place(span, RECT{10, 10, 50, 50});
    EXPECT_TRUE(LinkAtPoint(&browser, {60, 60}));
    EXPECT_TRUE(LinkAtPoint(&browser, {150, 50}));
    EXPECT_FALSE(LinkAtPoint(&browser, {250, 50}));
    EXPECT_TRUE(LinkAtPoint(&browser, {20, 20})) << "inside an element inside a link";
    EXPECT_FALSE(LinkAtPoint(&browser, {500, 500}));
    EXPECT_FALSE(LinkAtPoint(&browser, {-5, 2000})) << "no element at all";
    EXPECT_EQ(anchor.refs, 1);
    EXPECT_EQ(span.refs, 1);
}

TEST_F(Page, AMissingDocumentIsNoLink) {
    FakeBrowser bare;
    EXPECT_FALSE(LinkAtPoint(&bare, {1, 1}));
    EXPECT_FALSE(LinkAtPoint(nullptr, {1, 1}));
    EXPECT_FALSE(ScrollHorizontally(&bare, 120, {1, 1}));
}

TEST_F(Page, PagePositionSumsOffsetsClientEdgesAndScrolling) {
    FakeElement outer, inner;
    outer.offsetLeft = 100;
    outer.offsetTop = 50;
    outer.hasClientEdge = true;
    outer.clientLeft = 2;
    outer.clientTop = 3;
    outer.scrolls = true;
    outer.scrollLeft = 30;
    outer.scrollTop = 10;
    inner.offsetLeft = 7;
    inner.offsetTop = 9;
    inner.offsetParent = &outer;
    const POINT p = ElementPagePosition(&inner);
    EXPECT_EQ(p.x, 7 + 100 + 2 - 30);
    EXPECT_EQ(p.y, 9 + 50 + 3 - 10);
    EXPECT_EQ(outer.refs, 1);
}

TEST_F(Page, FramesAreFollowedAtThePointInsideThem) {
    FakeBrowser inner;
    FakeDocument innerDocument;
    FakeElement innerLink;
    innerLink.kind = FakeElement::Anchor;
    innerLink.href = L"http://example.invalid/inner";
    inner.document = &innerDocument;
    innerDocument.Place(innerLink, RECT{0, 0, 20, 20});
    FakeElement frame;
    frame.frame = &inner;
    frame.offsetLeft = 300;
    frame.offsetTop = 200;
    document.Place(frame, RECT{300, 200, 600, 500});

    EXPECT_TRUE(LinkAtPoint(&browser, {310, 210}));
    ASSERT_FALSE(innerDocument.queries.empty());
    EXPECT_EQ(innerDocument.queries.back().x, 10);
    EXPECT_EQ(innerDocument.queries.back().y, 10);
    EXPECT_FALSE(LinkAtPoint(&browser, {350, 250}));

    EXPECT_TRUE(ScrollHorizontally(&browser, -120, {400, 300}));
    EXPECT_TRUE(document.window.scrolls.empty()) << "the frame's page scrolls, not the outer one";
    ASSERT_EQ(innerDocument.window.scrolls.size(), 1u);
    EXPECT_EQ(innerDocument.window.scrolls[0].x, 50);
    EXPECT_EQ(inner.refs, 1);
}

TEST_F(Page, AFrameThatContainsItselfEndsTheWalk) {
    // A hostile page: the frame's page is the same page again, forever.
    FakeElement frame;
    frame.frame = &browser;
    document.Place(frame, RECT{0, 0, 1000, 1000});
    EXPECT_FALSE(LinkAtPoint(&browser, {5, 5}));
    EXPECT_FALSE(ScrollHorizontally(&browser, 120, {5, 5}));
    EXPECT_EQ(frame.refs, 1);
}

TEST_F(Page, ScrollingIsFiftyPixelsPerNotch) {
    const std::pair<int, LONG> cases[] = {{120, -50}, {-120, 50}, {240, -100}, {-360, 150}, {119, 0}, {-60, 0}};
    for (const auto& [delta, x] : cases) {
        document.window.scrolls.clear();
        EXPECT_TRUE(ScrollHorizontally(&browser, delta, {5, 5}));
        ASSERT_EQ(document.window.scrolls.size(), 1u) << delta;
        EXPECT_EQ(document.window.scrolls[0].x, x) << delta;
        EXPECT_EQ(document.window.scrolls[0].y, 0) << delta;
    }
    document.hasWindow = false;
    EXPECT_FALSE(ScrollHorizontally(&browser, 120, {5, 5}));
}

}  // namespace
}  // namespace cc
