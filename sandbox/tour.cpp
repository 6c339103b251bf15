// The sandbox's scripted tour: gestures, clicks and the wheel drawn with real injected
// input, each step printed with its checks, and screenshots of what the DLL showed.
#include "tour.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/dpi.h"
#include "common/unique_handle.h"
#include "module/guids.h"
#include "process_util.h"
#include "screenshot.h"
#include "settings/settings_mapping.h"
#include "stand_in_view.h"
#include "test_windows.h"

using Microsoft::WRL::ComPtr;

namespace sandbox {

using cc::test::PumpFor;
using cc::test::PumpUntil;

// Draws a gesture with the right button: offsets from `start`, one step each; prints
// what the status bar showed before the release.
// The first move leaves the dead zone (15 pixels at 96 DPI, scaled to the view) toward the
// first step, so every step is measured from the press point at any scale.
void Gesture(cc::test::Input& input, BrowserBase& browser, POINT start, std::initializer_list<POINT> steps,
             const wchar_t* screenshotBeforeRelease = nullptr, const std::function<void()>& beforeRelease = nullptr) {
    const int leave = cc::ScaleForDpi(15, cc::WindowDpi(::WindowFromPoint(start))) + 1;
    const POINT first = *steps.begin();
    const bool across = std::abs(first.x) > std::abs(first.y);
    const int sign = (across ? first.x : first.y) < 0 ? -1 : 1;
    input.MoveTo(start.x, start.y);
    input.RightDown();
    input.MoveTo(start.x + (across ? sign * leave : 0), start.y + (across ? 0 : sign * leave));
    for (POINT s : steps) input.MoveTo(start.x + s.x, start.y + s.y);
    PumpFor(100);
    Say(L"   the status bar shows: %ls", browser.lastStatus);
    if (screenshotBeforeRelease) cc::test::SaveScreenshot(browser.frame, screenshotBeforeRelease, false);
    if (beforeRelease) beforeRelease();
    input.RightUp();
    // Longer than the double-click time, so the next press is a press of its own.
    PumpFor(::GetDoubleClickTime() + 100);
}

// A context menu the tour did not ask for would wait for a person: close it.
bool g_menuExpected = false;
std::wstring g_menuShot;  // the screenshot's name for the menu the tour expects
std::vector<int> g_menuHeights;  // the expected menu's entries, top to bottom
int g_strayMenus = 0;            // context menus the tour closed
void CALLBACK CloseStrayMenus(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    if (!g_menuExpected && menu && ::IsWindowVisible(menu)) {
        ++g_strayMenus;
        ::EndMenu();
    }
}

POINT ViewPoint(HWND view, int x, int y) {
    RECT r{};
    ::GetWindowRect(view, &r);
    return {r.left + x, r.top + y};
}

// Chooses the first entry of the popup menu with the keyboard, from a timer inside the
// menu's own modal loop. (Under Wine, mouse input waits while the menu runs inside the
// mouse hook, so the entry cannot be chosen by releasing the right button on it here.)
void CALLBACK PickFirstMenuEntry(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    if (!menu || !::IsWindowVisible(menu)) return;
    ::KillTimer(nullptr, id);
    cc::test::SaveScreenshot(menu, g_menuShot.c_str());
    const HMENU items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
    g_menuHeights.clear();
    for (int i = 0; i < ::GetMenuItemCount(items); ++i) {
        RECT r{};
        ::GetMenuItemRect(nullptr, items, static_cast<UINT>(i), &r);
        g_menuHeights.push_back(r.bottom - r.top);
    }
    INPUT keys[4] = {};
    for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_DOWN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[2].ki.wVk = keys[3].ki.wVk = VK_RETURN;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(4, keys, sizeof(INPUT));
}

void MakeFavourites(const std::wstring& settingsFolder) {
    const std::wstring links = settingsFolder + L"\\Links";
    ::CreateDirectoryW(links.c_str(), nullptr);
    const wchar_t* folders[] = {L"C:\\windows\\fonts", L"C:\\users"};
    for (int i = 0; i < 2; ++i) {
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> file;
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&link))) ||
            FAILED(::SHParseDisplayName(folders[i], nullptr, &pidl, 0, nullptr))) {
            continue;
        }
        link->SetIDList(pidl);
        ::CoTaskMemFree(pidl);
        if (SUCCEEDED(link.As(&file))) file->Save((links + L"\\0" + std::to_wstring(i) + L".lnk").c_str(), TRUE);
    }
}

std::wstring DllFolder() {
    wchar_t path[MAX_PATH] = L"";
    DWORD size = sizeof(path);
    const std::wstring key = std::wstring(L"CLSID\\") + cc::kClsidText + L"\\InprocServer32";
    ::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

// Prints the tour's numbered steps and its checks, and counts the failed checks.
class TourLog {
public:
    explicit TourLog(UINT dpi) : dpi_(dpi) {}
    void Step(const wchar_t* text) { Say((std::to_wstring(++step_) + L". %ls").c_str(), text); }
    void Check(bool ok, const wchar_t* what) {
        Say(ok ? L"   ok: %ls" : L"   NOT AS EXPECTED: %ls", what);
        if (!ok) ++failures;
    }
    void Check(bool ok, const std::wstring& what) { Check(ok, what.c_str()); }
    // A screenshot's name, numbered by the current step (and named by the scale when the
    // screen is not at 100 %).
    std::wstring Shot(const wchar_t* name) const {
        return L"tour-" + (dpi_ != 96 ? std::to_wstring(dpi_) + L"dpi-" : std::wstring()) + std::to_wstring(step_) +
               L"-" + name;
    }
    int failures = 0;

private:
    UINT dpi_;
    int step_ = 0;
};

// The widest run of `colour` across a vertical line at `at` (screen pixels), 40 wide.
int HorizontalRunOf(POINT at, COLORREF colour) {
    HDC screen = ::GetDC(nullptr);
    int run = 0;
    for (int x = at.x - 20; x <= at.x + 20; ++x) run += ::GetPixel(screen, x, at.y) == colour;
    ::ReleaseDC(nullptr, screen);
    return run;
}

// Where an overlay of this process shows (the DLL draws trail and plate on one per browser
// thread), empty when none is.
BOOL CALLBACK FindShownOverlay(HWND window, LPARAM param) {
    wchar_t name[64] = L"";
    if (!::IsWindowVisible(window) || !::GetClassNameW(window, name, 64) || std::wcscmp(name, L"CursorCadence Overlay")) {
        return TRUE;
    }
    ::GetWindowRect(window, reinterpret_cast<RECT*>(param));
    return FALSE;
}
RECT OverlayRect() {
    RECT r{};
    ::EnumWindows(&FindShownOverlay, reinterpret_cast<LPARAM>(&r));
    return r;
}

// The height the wheel menus give an entry at `dpi`: the menu font's line or the icon,
// whichever is taller, and 4 pixels at 96 DPI.
int MenuEntryHeight(UINT dpi) {
    NONCLIENTMETRICSW metrics;
    if (!cc::NonClientMetricsForDpi(metrics, dpi)) return -1;
    HFONT font = ::CreateFontIndirectW(&metrics.lfMenuFont);
    HDC screen = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(screen, font);
    SIZE text{};
    ::GetTextExtentPoint32W(screen, L"Ag", 2, &text);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(font);
    return std::max<int>(text.cy, cc::SystemMetricForDpi(SM_CXSMICON, dpi)) + cc::ScaleForDpi(4, dpi);
}

// Whether the items window `items` (a list view or a DirectUI items view) sits where
// Explorer since Windows 7 puts it, under `frame`.
bool OnWindows10Path(HWND items, HWND frame) {
    const wchar_t* const parents[] = {L"SHELLDLL_DefView",    L"CtrlNotifySink",      L"DirectUIHWND",
                                      L"DUIViewWndClassName", L"ShellTabWindowClass", L"CabinetWClass"};
    auto isClass = [](HWND window, const wchar_t* cls) {
        wchar_t name[64] = L"";
        return window && ::GetClassNameW(window, name, 64) > 0 && std::wcscmp(name, cls) == 0;
    };
    if (!isClass(items, L"SysListView32") && !isClass(items, L"DirectUIHWND")) return false;
    HWND window = items;
    for (const wchar_t* cls : parents) {
        window = ::GetParent(window);
        if (!isClass(window, cls)) return false;
    }
    return window == frame;
}

// A screen point in the list on no item, from the bottom-right corner on.
POINT EmptyListPoint(HWND list) {
    RECT client{};
    ::GetClientRect(list, &client);
    for (LONG y = client.bottom - 10; y > client.top; y -= 10) {
        for (LONG x = client.right - 10; x > client.left; x -= 10) {
            LVHITTESTINFO hit{};
            hit.pt = {x, y};
            if (::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == -1) {
                ::ClientToScreen(list, &hit.pt);
                return hit.pt;
            }
        }
    }
    return ViewPoint(list, 5, 5);
}

// The index of the first displayed item that is a file-system folder, or -1.
int FirstFolderItem(cc::test::StandInShellView& view) {
    ComPtr<IShellFolder> folder;
    if (FAILED(view.GetFolder(IID_PPV_ARGS(&folder)))) return -1;
    for (size_t i = 0; i < view.items()->items.size(); ++i) {
        PITEMID_CHILD child = nullptr;
        if (FAILED(view.Item(static_cast<int>(i), &child))) continue;
        SFGAOF attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM;
        PCUITEMID_CHILD children[] = {child};
        const HRESULT hr = folder->GetAttributesOf(1, children, &attributes);
        ::CoTaskMemFree(child);
        if (SUCCEEDED(hr) && (attributes & (SFGAO_FOLDER | SFGAO_FILESYSTEM)) == (SFGAO_FOLDER | SFGAO_FILESYSTEM)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Visible folder windows of other programs: Explorer's "CabinetWClass", and Wine's own
// explorer.exe, whose window class is "ExplorerWClass".
BOOL CALLBACK CollectOtherFolderWindow(HWND window, LPARAM param) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = L"";
    ::GetClassNameW(window, name, 64);
    if (process != ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
        (std::wcscmp(name, L"ExplorerWClass") == 0 || std::wcscmp(name, L"CabinetWClass") == 0)) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    }
    return TRUE;
}

std::vector<HWND> OtherFolderWindows() {
    std::vector<HWND> found;
    ::EnumWindows(&CollectOtherFolderWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Closes another program's window; ends its process if the window will not go.
bool CloseOtherWindow(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (PumpUntil([&] { return !::IsWindow(window); }, 5000)) return true;
    cc::unique_handle handle(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process));
    if (!handle) return false;
    ::TerminateProcess(handle.get(), 1);
    ::WaitForSingleObject(handle.get(), 5000);
    return !::IsWindow(window);
}

// Sees the context menu the tour expects, keeps a picture of it and closes it.
bool g_menuSeen = false;
void CALLBACK SeeAndCloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    if (!menu || !::IsWindowVisible(menu)) return;
    ::KillTimer(nullptr, id);
    g_menuSeen = true;
    cc::test::SaveScreenshot(menu, g_menuShot.c_str());
    ::EndMenu();
}

// The second tab: a browser object of its own on the same thread, under the same frame,
// showing the stand-in DirectUI items view.
void SecondTabSteps(FolderWindow& folder, cc::test::Input& input, TourLog& log) {
    FolderTab& first = folder.tab(0);
    FolderTab& second = folder.tab(1);
    auto items = [&] { return second.standIn() ? second.standIn()->items() : nullptr; };

    log.Step(L"Switch to the second tab (a click on its entry in the tab strip); gesture up (上) there.");
    const POINT entry = folder.TabEntryCentre(1);
    input.MoveTo(entry.x, entry.y);
    input.LeftDown();
    input.LeftUp();
    PumpUntil([&] { return folder.active() == 1; }, 2000);
    log.Check(folder.active() == 1 && ::IsWindowVisible(second.tabWindow()) && !::IsWindowVisible(first.tabWindow()),
              L"the second tab's windows are shown, the first tab's hidden");
    SHANDLE_PTR firstTop = 0, secondTop = 0;
    first.get_HWND(&firstTop);
    second.get_HWND(&secondTop);
    log.Check(firstTop == secondTop && firstTop == reinterpret_cast<SHANDLE_PTR>(folder.frame()),
              L"both tabs answer the same top-level window");
    log.Check(items() && OnWindows10Path(items()->hwnd(), folder.frame()),
              L"the second tab's items view is a DirectUIHWND in SHELLDLL_DefView, on the same path");
    if (!items()) return;
    Say(L"   the second tab shows %ls", second.Location());
    const std::wstring firstPlace = first.Location(), firstStatus = first.lastStatus, secondPlace = second.Location();
    PumpFor(::GetDoubleClickTime() + 100);
    Gesture(input, second, items()->EmptyPoint(), {{0, -20}, {0, -60}, {0, -110}, {0, -160}},
            log.Shot(L"second-tab").c_str());
    Say(L"   second tab now at %ls", second.Location());
    Say(L"   first tab still at %ls", first.Location());
    log.Check(secondPlace == L"file:///C:/windows/system32" && second.Location() == L"file:///C:/windows",
              L"the second tab went up from C:\\windows\\system32 to C:\\windows");
    log.Check(first.Location() == firstPlace && first.lastStatus == firstStatus,
              L"the first tab's folder and status text are untouched");
    if (!items()) return;

    log.Step(L"A plain right click on an item of the DirectUI items view: its context menu.");
    const int menusBefore = items()->contextMenus, ignoredBefore = items()->ignoredPresses;
    const POINT on = items()->ItemCentre(0);
    Say(L"   right click on \"%ls\"", items()->items[0].name);
    g_menuExpected = true;
    g_menuSeen = false;
    g_menuShot = log.Shot(L"context-menu");
    const UINT_PTR watch = ::SetTimer(nullptr, 0, 100, &SeeAndCloseMenu);
    input.MoveTo(on.x, on.y);
    input.RightDown();
    input.RightUp();
    PumpUntil([] { return g_menuSeen; }, 5000);
    ::KillTimer(nullptr, watch);
    g_menuExpected = false;
    log.Check(g_menuSeen && items()->contextMenus == menusBefore + 1 && items()->ignoredPresses == ignoredBefore,
              L"the view took the click given back as a real one and its popup menu opened (closed by the tour)");
    PumpFor(::GetDoubleClickTime() + 100);

    log.Step(L"A middle click on a folder item of the DirectUI items view: the folder in a new window.");
    const int folderItem = FirstFolderItem(*second.standIn());
    log.Check(folderItem >= 0, L"the view shows a folder");
    if (folderItem < 0) return;
    const std::wstring place = second.Location();
    const POINT target = items()->ItemCentre(static_cast<size_t>(folderItem));
    Say(L"   middle click on the folder \"%ls\"", items()->items[folderItem].name);
    const std::vector<HWND> before = OtherFolderWindows();
    input.MoveTo(target.x, target.y);
    input.MiddleDown();
    input.MiddleUp();
    HWND opened = nullptr;
    PumpUntil(
        [&] {
            for (HWND window : OtherFolderWindows()) {
                if (std::find(before.begin(), before.end(), window) == before.end()) opened = window;
            }
            return opened != nullptr;
        },
        15000);
    wchar_t caption[256] = L"";
    if (opened) ::GetWindowTextW(opened, caption, 256);
    Say(L"   a new folder window of another program: \"%ls\"", caption);
    log.Check(opened != nullptr, L"explorer.exe opened a new window (Wine's explorer shows its Desktop for /n,)");
    if (opened) {
        PumpFor(500);
        cc::test::SaveScreenshot(opened, log.Shot(L"new-window").c_str());
        log.Check(CloseOtherWindow(opened), L"the new window is closed again");
    }
    log.Check(second.Location() == place, L"the tab itself stays where it was");
}

int Tour(FolderWindow& folder, PageBrowser& web, FolderLayout layout) {
    cc::test::Input input;
    // The block and folder the DLL uses: beside it, or the user's own where it was installed.
    cc::SettingsMapping settings(cc::ResolveSettingsLocation(DllFolder().c_str()));
    settings.MapShared();
    const wchar_t* settingsFolder = settings.WritableFolder(nullptr);
    Say(L"The settings live in %ls.", settingsFolder ? settingsFolder : L"(no folder)");
    if (!settingsFolder) return 1;
    const UINT dpi = cc::WindowDpi(folder.frame());
    Say(L"The screen is at %ls DPI; sizes are pixels at 96 DPI scaled to it.", std::to_wstring(dpi));
    TourLog log(dpi);
    const bool flat = layout == FolderLayout::Flat;

    FolderTab& first = folder.tab(0);
    HWND list = ::FindWindowExW(first.viewWindow(), nullptr, L"SysListView32", nullptr);
    Say(L"The folder window shows %ls (a real shell folder view).", first.Location());
    if (flat) {
        log.Check(list && ::GetParent(first.viewWindow()) == folder.frame(),
              L"the view is SHELLDLL_DefView / SysListView32, a direct child of the window");
    } else {
        log.Check(list && OnWindows10Path(list, folder.frame()),
              L"the view is CabinetWClass / ShellTabWindowClass / DUIViewWndClassName / DirectUIHWND / "
              L"CtrlNotifySink / SHELLDLL_DefView / SysListView32");
    }
    if (!list) return 1;
    const POINT start = ViewPoint(list, 300, 220);
    ::SetTimer(nullptr, 0, 500, &CloseStrayMenus);

    log.Step(L"Gesture up (上) in the folder list: up one folder.");
    int trail = 0;
    RECT plate{};
    HWND underPlate = nullptr;
    Gesture(input, first, start, {{0, -20}, {0, -60}, {0, -110}, {0, -160}}, log.Shot(L"trail-and-status").c_str(),
            [&] {
                trail = HorizontalRunOf({start.x, start.y - 85}, RGB(51, 204, 255));
                plate = OverlayRect();
                underPlate = ::WindowFromPoint({plate.right - 10, plate.bottom - 10});
            });
    Say(L"   now at %ls", first.Location());
    log.Check(first.Location() == L"file:///C:/windows", L"went up from C:\\windows\\system32 to C:\\windows");
    // The trail is smoothed: its opaque core is one pixel narrower than its width.
    log.Check(trail == cc::ScaleForDpi(2, dpi) - 1, L"the trail's opaque core is " + std::to_wstring(trail) +
                                                        L" pixels (a trail 2 wide at 96 DPI, scaled)");
    wchar_t underClass[64] = L"";
    if (underPlate) ::GetClassNameW(underPlate, underClass, 64);
    log.Check(!::IsRectEmpty(&plate) && underPlate && std::wcscmp(underClass, L"CursorCadence Overlay") != 0,
              L"the trail and the plate with the status text show; every point of them belongs to the window "
              L"below (here " + std::wstring(underClass) + L")");
    const RECT afterRelease = OverlayRect();
    log.Check(::IsRectEmpty(&afterRelease), L"both went at the release");

    log.Step(L"A rest while drawing lists what the next strokes would do; the next stroke takes the list away.");
    {
        const POINT from{start.x - 200, start.y};  // room on the right for the list
        input.MoveTo(from.x, from.y);
        input.RightDown();
        for (int x : {20, 60, 100}) input.MoveTo(from.x + x, from.y);
        PumpFor(700);
        const RECT hints = OverlayRect();
        cc::test::SaveScreenshot(folder.frame(), log.Shot(L"hints-at-rest").c_str(), false);
        for (int x : {60, 20}) input.MoveTo(from.x + x, from.y);  // right, then left: bound to nothing
        const RECT after = OverlayRect();
        input.RightUp();
        PumpFor(::GetDoubleClickTime() + 100);
        // Both plates hang from the same pointer height: the list makes the first one longer.
        const int extra = hints.bottom - after.bottom;
        log.Check(!::IsRectEmpty(&after) && extra >= cc::ScaleForDpi(20, dpi),
                  L"at the rest the plate lists the gestures that go on from 右 (" + std::to_wstring(extra) +
                      L" pixels of lines more than after the next stroke)");
        log.Check(first.Location() == L"file:///C:/windows", L"右-左 is bound to nothing: still in C:\\windows");
    }

    log.Step(L"A move as long as the dead zone stays a click; one pixel more starts a gesture.");
    const int zone = cc::ScaleForDpi(settings.view().Get(cc::Field::SensitivityPixels), dpi);
    for (const int distance : {zone, zone + 1}) {
        const int before = g_strayMenus;
        input.MoveTo(start.x, start.y);
        input.RightDown();
        input.MoveTo(start.x + distance, start.y);
        input.RightUp();
        PumpUntil([&] { return g_strayMenus > before; }, 1500);
        PumpFor(::GetDoubleClickTime() + 100);
        const bool click = g_strayMenus > before;
        log.Check(click == (distance == zone), std::to_wstring(distance) + L" pixels: " +
                                                   (click ? L"the view's context menu (a click)" : L"no menu (a gesture)"));
    }

    log.Step(L"Gesture left (左): back.");
    Gesture(input, first, start, {{-20, 0}, {-100, 0}});
    Say(L"   now at %ls", first.Location());
    log.Check(first.Location() == L"file:///C:/windows/system32", L"back in C:\\windows\\system32");

    log.Step(L"Gesture right (右): forward.");
    Gesture(input, first, start, {{20, 0}, {100, 0}});
    Say(L"   now at %ls", first.Location());
    log.Check(first.Location() == L"file:///C:/windows", L"forward to C:\\windows");

    log.Step(L"A gesture held still past the timeout (set to 0.5 s) is cancelled.");
    settings.view().Set(cc::Field::TimeoutMs, 500);
    input.MoveTo(start.x, start.y);
    input.RightDown();
    input.MoveTo(start.x, start.y + 20);
    input.MoveTo(start.x, start.y + 100);
    PumpFor(900);
    input.RightUp();
    PumpFor(200);
    cc::test::SaveScreenshot(folder.frame(), log.Shot(L"cancelled").c_str());
    Say(L"   status bar: %ls", first.lastStatus);
    log.Check(first.lastStatus == L"ジェスチャー ： 中止しました", L"the cancelled text, and no folder change");
    log.Check(first.Location() == L"file:///C:/windows", L"still in C:\\windows");
    settings.view().Set(cc::Field::TimeoutMs, 0);

    log.Step(L"Right button held + wheel: the quick-move menu of favourite folders; the first is chosen.");
    MakeFavourites(settingsFolder);
    ::SetForegroundWindow(folder.frame());  // the menu's keys go to the foreground window's thread
    PumpFor(100);
    input.MoveTo(start.x, start.y);
    input.RightDown();
    g_menuExpected = true;
    g_menuShot = log.Shot(L"wheel-menu");
    ::SetTimer(nullptr, 0, 100, &PickFirstMenuEntry);
    input.Wheel(-120);
    PumpUntil([&] { return _wcsicmp(first.Location().c_str(), L"file:///C:/windows/fonts") == 0; }, 5000);
    g_menuExpected = false;
    input.RightUp();
    PumpFor(::GetDoubleClickTime() + 100);
    Say(L"   now at %ls", first.Location());
    log.Check(_wcsicmp(first.Location().c_str(), L"file:///C:/windows/fonts") == 0, L"moved to the favourite C:\\windows\\fonts");
    const int entryHeight = MenuEntryHeight(cc::PointDpi(start, list));
    log.Check(!g_menuHeights.empty() && std::all_of(g_menuHeights.begin(), g_menuHeights.end(),
                                                    [&](int h) { return h == entryHeight; }),
              L"each entry is " + std::to_wstring(entryHeight) + L" pixels high (the menu font and icon at the scale): " +
                  std::to_wstring(g_menuHeights.empty() ? 0 : g_menuHeights.front()));

    log.Step(L"Gesture right-down-left (右-下-左): the settings sheet.");
    Gesture(input, first, start, {{20, 0}, {100, 0}, {100, 100}, {0, 100}});
    HWND sheet = nullptr;
    PumpUntil([&] { return (sheet = ::FindWindowW(nullptr, L"CursorCadenceの設定")) != nullptr; }, 3000);
    log.Check(sheet != nullptr, L"the sheet \"CursorCadenceの設定\" is open");
    if (sheet) {
        PumpFor(300);
        cc::test::SaveScreenshot(sheet, log.Shot(L"settings-sheet").c_str());
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        RECT pageRect{}, dialogUnits{0, 0, 268, 252};
        ::GetClientRect(page, &pageRect);
        ::MapDialogRect(page, &dialogUnits);
        log.Check(pageRect.right == dialogUnits.right && pageRect.bottom == dialogUnits.bottom,
                  L"the page is " + std::to_wstring(pageRect.right) + L" x " + std::to_wstring(pageRect.bottom) +
                      L" pixels, its dialog units mapped at the scale");
        BITMAP swatch{};
        const auto face = reinterpret_cast<HBITMAP>(
            ::SendDlgItemMessageW(page, 202, BM_GETIMAGE, IMAGE_BITMAP, 0));
        ::GetObjectW(face, sizeof(swatch), &swatch);
        log.Check(swatch.bmWidth == cc::ScaleForDpi(28, dpi) && swatch.bmHeight == cc::ScaleForDpi(14, dpi),
                  L"the colour swatch is " + std::to_wstring(swatch.bmWidth) + L" x " + std::to_wstring(swatch.bmHeight) +
                      L" pixels (28 x 14 at 96 DPI)");
        ::SendMessageW(sheet, WM_COMMAND, IDOK, 0);
        PumpFor(200);
        // OK saves the block where the DLL keeps it: beside it, or in the user's profile.
        const std::vector<unsigned char> saved = cc::test::ReadWholeFile(std::wstring(settingsFolder) + L"\\setting");
        log.Check(saved.size() == cc::kSettingsBytes &&
                      std::memcmp(saved.data(), settings.view().data(), cc::kSettingsBytes) == 0,
                  L"OK saved the settings to \"setting\" and closed the sheet");
        log.Check(::FindWindowW(nullptr, L"CursorCadenceの設定") == nullptr, L"no message: the save succeeded");
    }

    log.Step(L"A double-click on empty space of the list, set to go up one folder.");
    settings.view().Set(cc::Field::BlankDoubleClickAction, 1);
    // Each folder change made the view and its list anew.
    const POINT blank = EmptyListPoint(::FindWindowExW(first.viewWindow(), nullptr, L"SysListView32", nullptr));
    Say(L"   double-click at %ls", L"(" + std::to_wstring(blank.x) + L", " + std::to_wstring(blank.y) + L") in " +
                                       first.Location());
    input.DoubleClickAt(blank);
    PumpUntil([&] { return first.Location() == L"file:///C:/windows"; }, 3000);
    Say(L"   now at %ls", first.Location());
    log.Check(first.Location() == L"file:///C:/windows", L"went up from C:\\windows\\fonts to C:\\windows");
    settings.view().Set(cc::Field::BlankDoubleClickAction, 0);
    PumpFor(::GetDoubleClickTime() + 100);

    if (!flat) SecondTabSteps(folder, input, log);

    log.Step(L"The web page: follow a link, then gesture left (左) in the page: back.");
    ::SendMessageW(web.page, kOpenFirstLink, 0, 0);
    Say(L"   page: %ls", web.Location());
    // The window explorer.exe opened a step earlier (at 200 % large enough to cover the
    // page) may take a moment to go: the gesture waits until the page is under the pointer.
    const POINT pageStart = ViewPoint(web.page, 300, 250);
    ::SetForegroundWindow(web.frame);
    PumpUntil([&] { return ::GetAncestor(::WindowFromPoint(pageStart), GA_ROOT) == web.frame; }, 5000);
    Gesture(input, web, pageStart, {{-20, 0}, {-100, 0}}, log.Shot(L"page-gesture").c_str());
    Say(L"   page: %ls", web.Location());
    log.Check(web.Location() == L"http://example.invalid/docs/index.html", L"back on the index page");

    Say(log.failures == 0 ? L"Tour finished: every step did what it should."
                          : L"Tour finished with %ls failed check(s).",
        std::to_wstring(log.failures));
    return log.failures == 0 ? 0 : 1;
}

}  // namespace sandbox
