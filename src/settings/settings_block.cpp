#include "settings/settings_block.h"

#include <array>

namespace cc {
namespace {

constexpr int32_t U = 0, R = 1, D = 2, L = 3;

struct HeaderDefault {
    Field field;
    int32_t value;
};

constexpr std::array<HeaderDefault, kHeaderInts> kHeaderDefaults{{
    {Field::LayoutVersion, kLayoutVersion},
    {Field::TrailEnabled, 1},
    {Field::TrailColorR, 51},
    {Field::TrailColorG, 204},
    {Field::TrailColorB, 255},
    {Field::TrailWidth, 2},
    {Field::TimeoutMs, 0},
    {Field::ReleaseOnFolderHold, 0},
    {Field::SensitivityPixels, 15},
    {Field::BlankDoubleClickAction, 0},
    {Field::NoStartOnSelectedItem, 0},
    {Field::UpFolderByPath, 0},
    {Field::DefaultActionFlags, RockerBack | RockerForward | MiddleClickNewWindow | CtrlReleasesRight},
    {Field::ExplorerWheelAction, 1},
    {Field::BrowserWheelAction, 4},
}};

constexpr std::array<Gesture, kExplorerActionCount> kExplorerDefaults{{
    {3, {R, D, L}},     // 0 settings
    {1, {L}},           // 1 back
    {1, {R}},           // 2 forward
    {2, {L, U}},        // 3 stop
    {2, {U, D}},        // 4 refresh
    {2, {D, R}},        // 5 close
    {1, {D}},           // 6 new window
    {3, {D, U, R}},     // 7 home
    {2, {R, U}},        // 8 maximise / restore
    {2, {D, L}},        // 9 minimise
    {1, {U}},           // 10 up one folder
    {3, {L, D, R}},     // 11 command prompt
    {}, {}, {}, {},     // 12..15 scrolling: none
}};

constexpr std::array<Gesture, kBrowserActionCount> kBrowserDefaults{{
    {3, {R, D, L}},     // 0 settings
    {1, {L}},           // 1 back
    {1, {R}},           // 2 forward
    {2, {L, U}},        // 3 stop
    {2, {U, D}},        // 4 refresh
    {2, {D, R}},        // 5 close
    {1, {D}},           // 6 new window
    {3, {D, U, R}},     // 7 home
    {2, {R, U}},        // 8 maximise / restore
    {2, {D, L}},        // 9 minimise
    {3, {U, L, U}},     // 10 up one level
    {1, {U}},           // 11 new tab
    {3, {D, U, D}},     // 12 duplicate tab
    {3, {R, L, D}},     // 13 close other tabs
    {3, {U, D, R}},     // 14 quick tabs
    {},                 // 15 tab list
    {2, {U, R}},        // 16 next tab
    {2, {U, L}},        // 17 previous tab
    {2, {D, U}},        // 18 duplicate page
    {4, {R, D, L, U}},  // 19 full screen
    {}, {}, {}, {}, {}, {}, {}, {}, {},  // 20..28: none
}};

}  // namespace

int ActionCount(ActionList list) {
    return list == ActionList::Explorer ? kExplorerActionCount : kBrowserActionCount;
}

int SettingsView::CountIndex(ActionList list, int action) const {
    if (!ints_ || action < 0 || action >= ActionCount(list)) return -1;
    return (list == ActionList::Explorer ? kExplorerCountBase : kBrowserCountBase) + action;
}

int SettingsView::EntryIndex(ActionList list, int action) const {
    if (!ints_ || action < 0 || action >= ActionCount(list)) return -1;
    return (list == ActionList::Explorer ? kExplorerEntryBase : kBrowserEntryBase) + action * kMaxStrokes;
}

int32_t SettingsView::StoredStrokeCount(ActionList list, int action) const {
    const int i = CountIndex(list, action);
    return i < 0 ? 0 : ints_[i];
}

void SettingsView::SetStrokeCount(ActionList list, int action, int32_t count) const {
    const int i = CountIndex(list, action);
    if (i >= 0) ints_[i] = count;
}

int32_t SettingsView::StoredStroke(ActionList list, int action, int slot) const {
    const int i = EntryIndex(list, action);
    if (i < 0 || slot < 0 || slot >= kMaxStrokes) return 0;
    return ints_[i + slot];
}

void SettingsView::SetStroke(ActionList list, int action, int slot, int32_t code) const {
    const int i = EntryIndex(list, action);
    if (i >= 0 && slot >= 0 && slot < kMaxStrokes) ints_[i + slot] = code;
}

Gesture SettingsView::ReadGesture(ActionList list, int action) const {
    Gesture g;
    const int e = EntryIndex(list, action);
    if (e < 0) return g;
    g.count = SanitizeStrokeCount(ints_[CountIndex(list, action)]);
    for (int s = 0; s < kMaxStrokes; ++s) g.strokes[s] = ints_[e + s];
    return g;
}

void SettingsView::WriteGesture(ActionList list, int action, const Gesture& g) const {
    const int e = EntryIndex(list, action);
    if (e < 0) return;
    const int32_t n = g.count < 0 ? 0 : (g.count > kMaxStrokes ? kMaxStrokes : g.count);
    ints_[CountIndex(list, action)] = n;
    for (int s = 0; s < n; ++s) ints_[e + s] = g.strokes[s];
}

Gesture DefaultGesture(ActionList list, int action) {
    if (action < 0 || action >= ActionCount(list)) return {};
    return list == ActionList::Explorer ? kExplorerDefaults[action] : kBrowserDefaults[action];
}

void ApplyDefaults(const SettingsView& view) {
    if (!view.valid()) return;
    for (const HeaderDefault& d : kHeaderDefaults) view.Set(d.field, d.value);
    for (ActionList list : {ActionList::Explorer, ActionList::Browser}) {
        for (int k = 0; k < ActionCount(list); ++k) {
            // WriteGesture touches only the first `count` slots, which is the rule here.
            view.WriteGesture(list, k, DefaultGesture(list, k));
        }
    }
}

}  // namespace cc
