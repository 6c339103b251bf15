// The settings record: 285 little-endian 32-bit integers (1140 bytes) that live in
// the shared memory every host process maps and, byte for byte, in the "setting" file.
//
// The block is untrusted: any process of the user can write the shared memory at any
// moment. Every read therefore goes through SettingsView, which loads each integer once
// (volatile, so the compiler cannot re-read a value after it was checked) and never lets
// a count or a code index anything outside its array.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace cc {

static_assert(std::endian::native == std::endian::little,
              "the block is stored little-endian and read in place");

inline constexpr int32_t kLayoutVersion = 23;
inline constexpr int kHeaderInts = 15;
inline constexpr int kMaxStrokes = 5;
inline constexpr int kExplorerActionCount = 16;
inline constexpr int kBrowserActionCount = 29;

// Integer indices of the groups inside the block.
inline constexpr int kExplorerCountBase = kHeaderInts;                                  // 15
inline constexpr int kExplorerEntryBase = kExplorerCountBase + kExplorerActionCount;    // 31
inline constexpr int kBrowserCountBase = kExplorerEntryBase + kExplorerActionCount * kMaxStrokes;  // 111
inline constexpr int kBrowserEntryBase = kBrowserCountBase + kBrowserActionCount;       // 140
inline constexpr int kSettingsInts = kBrowserEntryBase + kBrowserActionCount * kMaxStrokes;        // 285
inline constexpr std::size_t kSettingsBytes = kSettingsInts * sizeof(int32_t);          // 1140
static_assert(kSettingsBytes == 1140);

// Header fields; the value is the integer index (byte offset / 4).
enum class Field : int {
    LayoutVersion = 0,
    TrailEnabled = 1,
    TrailColorR = 2,
    TrailColorG = 3,
    TrailColorB = 4,
    TrailWidth = 5,
    TimeoutMs = 6,
    ReleaseOnFolderHold = 7,
    SensitivityPixels = 8,
    BlankDoubleClickAction = 9,
    NoStartOnSelectedItem = 10,
    UpFolderByPath = 11,
    DefaultActionFlags = 12,
    ExplorerWheelAction = 13,
    BrowserWheelAction = 14,
};

// Bits of DefaultActionFlags.
inline constexpr int32_t RockerBack = 1;
inline constexpr int32_t RockerForward = 2;
inline constexpr int32_t MiddleClickNewWindow = 4;
inline constexpr int32_t CtrlReleasesRight = 8;

// Values of BlankDoubleClickAction.
enum BlankDoubleClick : int32_t { DoubleClickDoesNothing = 0, DoubleClickGoesUp = 1, DoubleClickTogglesGestures = 2 };
// Values of ExplorerWheelAction.
enum ExplorerWheel : int32_t { ExplorerWheelNothing = 0, ExplorerWheelQuickMove = 1 };
// Values of BrowserWheelAction.
enum BrowserWheel : int32_t { BrowserWheelNothing = 0, BrowserWheelScrollsSideways = 2, BrowserWheelHistory = 4 };

enum class ActionList { Explorer, Browser };

int ActionCount(ActionList list);

// A gesture as read out of the block: a count in 0..5 and the five slots of its entry.
// Only the first `count` codes are meaningful; codes are copied as stored (they may be
// outside 0..3 in a hostile block, and then simply match nothing).
struct Gesture {
    int32_t count = 0;
    int32_t strokes[kMaxStrokes] = {};
};

// A stored count outside 0..5 cannot be trusted to bound a read of the entry; it is
// treated as "no gesture" everywhere (matches nothing, shows as the empty gesture).
constexpr int32_t SanitizeStrokeCount(int32_t stored) {
    return (stored >= 0 && stored <= kMaxStrokes) ? stored : 0;
}

// The pen width the settings page offers is 1..5; a stored value outside it (only another
// process could write one) is pulled to the nearest end so a hostile block cannot make
// every trail segment a huge drawing job inside the host.
inline constexpr int32_t kMinTrailWidth = 1;
inline constexpr int32_t kMaxTrailWidth = 5;
constexpr int32_t ClampTrailWidth(int32_t stored) {
    return stored < kMinTrailWidth ? kMinTrailWidth : (stored > kMaxTrailWidth ? kMaxTrailWidth : stored);
}

// Typed accessors over a 1140-byte block. Holds only the address; copying is cheap.
// A view without a block (a mapping that failed or was let go) reads zeros and writes
// nothing, so a late reader degrades to "off" instead of faulting inside the host.
class SettingsView {
public:
    SettingsView() = default;
    explicit SettingsView(void* block) : ints_(static_cast<volatile int32_t*>(block)) {}

    bool valid() const { return ints_ != nullptr; }
    void* data() const { return const_cast<int32_t*>(ints_); }

    int32_t Get(Field f) const { return ints_ ? ints_[static_cast<int>(f)] : 0; }
    void Set(Field f, int32_t v) const {
        if (ints_) ints_[static_cast<int>(f)] = v;
    }

    // Raw stored count of an action; 0 for an identifier outside the list.
    int32_t StoredStrokeCount(ActionList list, int action) const;
    void SetStrokeCount(ActionList list, int action, int32_t count) const;
    // Raw stored code of slot 0..4 of an action's entry; 0 outside the ranges.
    int32_t StoredStroke(ActionList list, int action, int slot) const;
    void SetStroke(ActionList list, int action, int slot, int32_t code) const;

    // One consistent read of an action's gesture with the count sanitised.
    Gesture ReadGesture(ActionList list, int action) const;
    // Writes count and the first `count` codes (count is clamped to 0..5).
    void WriteGesture(ActionList list, int action, const Gesture& g) const;

private:
    int CountIndex(ActionList list, int action) const;  // -1 when out of range
    int EntryIndex(ActionList list, int action) const;  // -1 when out of range

    volatile int32_t* ints_ = nullptr;
};

// Fills the header with its defaults, both count arrays with the default gestures' counts
// and the first n slots of each defaulted entry; slots behind a default count stay as
// they are.
void ApplyDefaults(const SettingsView& view);

// The default gesture of an action (count 0 for actions without one).
Gesture DefaultGesture(ActionList list, int action);

}  // namespace cc
