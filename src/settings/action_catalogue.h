// The fixed vocabulary shared by the gesture tables, the executor and the settings pages:
// action names, the tabbed-browser marks, direction names, gesture text and trail colours.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_block.h"

namespace cc {

// Direction codes, the same in the tracker, the block, the texts and the dialogs.
enum Stroke : int32_t { StrokeUp = 0, StrokeRight = 1, StrokeDown = 2, StrokeLeft = 3 };
inline constexpr int kDirectionCount = 4;

constexpr bool IsStrokeCode(int32_t code) { return code >= 0 && code < kDirectionCount; }

// The rows of the two action lists: an action's identifier indexes its gesture in the
// block and its row in the executor.
enum ExplorerAction : int32_t {
    ExplorerOpenSettings = 0,
    ExplorerBack = 1,
    ExplorerForward = 2,
    ExplorerStop = 3,
    ExplorerRefresh = 4,
    ExplorerClose = 5,
    ExplorerNewWindow = 6,
    ExplorerHome = 7,
    ExplorerMaximiseRestore = 8,
    ExplorerMinimise = 9,
    ExplorerUpOneFolder = 10,
    ExplorerCommandPrompt = 11,
    ExplorerScrollTop = 12,
    ExplorerScrollBottom = 13,
    ExplorerPageUp = 14,
    ExplorerPageDown = 15,
};
static_assert(ExplorerPageDown + 1 == kExplorerActionCount);

enum BrowserAction : int32_t {
    BrowserOpenSettings = 0,
    BrowserBack = 1,
    BrowserForward = 2,
    BrowserStop = 3,
    BrowserRefresh = 4,
    BrowserClose = 5,
    BrowserNewWindow = 6,
    BrowserHome = 7,
    BrowserMaximiseRestore = 8,
    BrowserMinimise = 9,
    BrowserUpOneLevel = 10,
    BrowserNewTab = 11,
    BrowserDuplicateTab = 12,
    BrowserCloseOtherTabs = 13,
    BrowserQuickTabs = 14,
    BrowserTabList = 15,
    BrowserNextTab = 16,
    BrowserPreviousTab = 17,
    BrowserDuplicatePage = 18,
    BrowserFullScreen = 19,
    BrowserScrollTop = 20,
    BrowserScrollBottom = 21,
    BrowserPageUp = 22,
    BrowserPageDown = 23,
    BrowserLargerFont = 24,
    BrowserSmallerFont = 25,
    BrowserResetFont = 26,
    BrowserHistoryPane = 27,
    BrowserFavouritesPane = 28,
};
static_assert(BrowserFavouritesPane + 1 == kBrowserActionCount);

// Display name of an action, or nullptr for an identifier outside the list.
const wchar_t* ActionName(ActionList list, int action);

// True for the browser actions that exist only in a tabbed browser (version 7 and later).
bool BrowserActionIe7Only(int action);

// The browser actions that do nothing in an untabbed browser: the marked tab commands and
// the two panes.
bool BrowserActionTabbedOnly(int action);

// "上" "右" "下" "左"; nullptr for a code outside 0..3.
const wchar_t* DirectionName(int32_t code);

// Callers pass a buffer of this many units; a gesture text never needs more than 10.
inline constexpr std::size_t kGestureTextUnits = 256;

// Writes the gesture text ("右-下-左", or "－" for the empty gesture) into `out`,
// always terminated, never beyond `outUnits`. A count outside 0..5 is the empty gesture;
// a code outside 0..3 contributes no name. Returns the number of units written
// before the terminator.
std::size_t FormatGestureText(int32_t count, const int32_t (&strokes)[kMaxStrokes],
                              wchar_t* out, std::size_t outUnits);
inline std::size_t FormatGestureText(const Gesture& g, wchar_t* out, std::size_t outUnits) {
    return FormatGestureText(g.count, g.strokes, out, outUnits);
}

// Trail colours as Windows colour values (red in the lowest byte).
inline constexpr int kTrailPaletteSize = 48;
inline constexpr int kDefaultTrailPaletteIndex = 32;
extern const uint32_t TrailPalette[kTrailPaletteSize];

// A Windows colour value from the low bytes of three stored components.
constexpr uint32_t ColorFromComponents(int32_t r, int32_t g, int32_t b) {
    return (static_cast<uint32_t>(r) & 0xFFu) | ((static_cast<uint32_t>(g) & 0xFFu) << 8) |
           ((static_cast<uint32_t>(b) & 0xFFu) << 16);
}

}  // namespace cc
