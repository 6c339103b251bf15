// The sandbox's entry point. The sandbox is a small host that loads the real
// CursorCadence.dll the way the shell does (by its registered class, then SetSite with
// the window's browser object) into
//  - a folder window laid out as Explorer's since Windows 7 (the view deep under
//    ShellTabWindowClass), with two tabs on one thread, each its own browser object with
//    history, navigation and status text: the first shows Wine's real shell folder view,
//    hosted through an IShellBrowser of this program; the second a stand-in of the
//    DirectUI items view of modern Explorer around a real folder. With --flat the folder
//    window has one tab and the older layout (the view a direct child of the window).
//  - a web-page window with the page classes of the browser, a drawn page of links,
//    history and a status bar.
// Without arguments the windows wait for the user's mouse; with --tour a scripted tour
// draws gestures with real injected input, prints what the DLL did and saves screenshots.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "host_windows.h"
#include "test_windows.h"
#include "tour.h"

namespace sandbox {

using cc::test::PumpUntil;

int Run(bool tour, FolderLayout layout) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    const bool flat = layout == FolderLayout::Flat;
    FolderWindow folder(RECT{20, 20, 660, flat ? 500 : 640}, layout);
    if (!folder.AddTab(TabView::ShellView, L"C:\\windows\\system32", L"1: shell view") ||
        (!flat && !folder.AddTab(TabView::StandIn, L"C:\\windows\\system32", L"2: DirectUI items view"))) {
        Say(L"could not show the folder view");
        return 2;
    }
    PageThread pageThread;
    const HRESULT firstTab = folder.tab(0).Attach();
    const HRESULT secondTab = flat ? S_OK : folder.tab(1).Attach();
    if (FAILED(firstTab) || FAILED(secondTab) || !pageThread.attached()) {
        Say(L"CursorCadence.dll is not registered (run regsvr32 on it first)");
        return 2;
    }
    if (flat) {
        Say(L"CursorCadence.dll attached to both windows.");
    } else {
        Say(L"CursorCadence.dll attached to both tabs of the folder window (SetSite answered %ls for the second "
            L"object of the thread) and to the page window.",
            secondTab == S_FALSE ? L"S_FALSE" : secondTab == S_OK ? L"S_OK" : L"?");
    }
    int result = 0;
    if (tour) {
        result = Tour(folder, *pageThread.browser(), layout);
    } else {
        Say(L"Draw gestures with the right mouse button; close both windows to end.");
        PumpUntil([&] { return !::IsWindow(folder.frame()) && !pageThread.open(); }, INFINITE);
    }
    for (size_t i = flat ? 1 : 2; i-- > 0;) folder.tab(i).Detach();
    return result;
}

}  // namespace sandbox

int wmain(int argc, wchar_t** argv) {
    bool tour = false, flat = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--tour") {
            tour = true;
        } else if (arg == L"--flat") {
            flat = true;
        } else {
            std::printf("usage: cursorcadence_sandbox [--tour] [--flat]\n");
            return 2;
        }
    }
    ::OleInitialize(nullptr);
    const int result = sandbox::Run(tour, flat ? sandbox::FolderLayout::Flat : sandbox::FolderLayout::Windows10);
    ::OleUninitialize();
    return result;
}
