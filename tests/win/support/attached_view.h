// A CGestureCore attached, through the real SetSite, to a recording browser whose
// top-level window is a real window with the hosts' class names; the object's real
// mouse hook sees the real input the test injects.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "attach/gesture_core.h"
#include "fake_browser.h"
#include "settings/settings_mapping.h"
#include "test_windows.h"

namespace cc::test {

// The shared block as another process (or the settings sheet) sees it; reset to the
// defaults on creation so every test starts from them.
class SharedSettings {
public:
    SharedSettings();
    SettingsView view() const { return mapping_.view(); }
    void Set(Field f, int32_t v) const { mapping_.view().Set(f, v); }

private:
    SettingsMapping mapping_;
};

// Sets the installed browser version the object reads at construction; puts the old
// value back at the end. Wine reports 9.x, which is tabbed.
class BrowserVersionOverride {
public:
    explicit BrowserVersionOverride(const wchar_t* version);
    ~BrowserVersionOverride();

private:
    void Write(const wchar_t* version);
    wchar_t saved_[64] = {};
    bool hadValue_ = false;
};

class AttachedView {
public:
    // The window's children follow `path`; `items` items if the view is a list.
    AttachedView(std::initializer_list<const wchar_t*> path, RECT frame, int items = 0);
    ~AttachedView();  // OnQuit, SetSite(NULL), final release

    HostWindow window;
    FakeBrowser browser;
    Microsoft::WRL::ComPtr<IObjectWithSite> object;
    HRESULT attachResult = E_FAIL;

    CGestureCore* core() const { return static_cast<CGestureCore*>(object.Get()); }
    const GestureSession& session() const { return core()->session(); }
};

inline constexpr RECT kViewFrame{200, 150, 700, 550};

// The mouse hook the list keeps for this thread, or null.
HHOOK ThreadHook();

}  // namespace cc::test
