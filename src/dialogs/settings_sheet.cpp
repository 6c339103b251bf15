#include "dialogs/settings_sheet.h"

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <new>

#include "dialogs/activation_context.h"
#include "dialogs/resource.h"
#include "module/module.h"
#include "settings/settings_mapping.h"

namespace cc {
namespace {

// Process-wide: at most one sheet exists, on the thread that opened it. Browser windows
// run on threads of their own, so the sheet is claimed atomically before it is made and
// given back once, when it goes or could not be made.
std::atomic<bool> g_claimed{false};

bool ClaimSheet() {
    bool expected = false;
    return g_claimed.compare_exchange_strong(expected, true);
}

struct SheetState {
    HWND window = nullptr;
    int32_t browserKind = ViewFolderList;
    DLGPROC previous = nullptr;
    HHOOK keyRouter = nullptr;
    bool moduleLocked = false;
    // The sheet maps the block itself: the browser object that opened it may quit (and
    // unmap its own view) while the sheet is still open.
    std::unique_ptr<SettingsMapping> settings;
    std::unique_ptr<ModuleActivationContext> activation;
};
SheetState g_sheet;

// Everything the sheet held goes when its window goes, by whatever route, so a sheet
// can always be opened again.
void ForgetSheet() {
    if (g_sheet.moduleLocked) UnlockModule();
    g_sheet.moduleLocked = false;
    if (g_sheet.keyRouter) ::UnhookWindowsHookEx(g_sheet.keyRouter);
    g_sheet.keyRouter = nullptr;
    g_sheet.window = nullptr;
    g_sheet.settings.reset();
    g_sheet.activation.reset();
    g_claimed = false;
}

// The host's message loop knows nothing of the sheet: while it is open, its keyboard
// messages get the dialog keys (Tab, Enter, Escape) here. Other windows' keys pass as
// they are.
LRESULT CALLBACK KeyRouter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && g_sheet.window) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
            (msg->hwnd == g_sheet.window || ::IsChild(g_sheet.window, msg->hwnd)) &&
            PropSheet_IsDialogMessage(g_sheet.window, msg)) {
            msg->message = WM_NULL;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CloseSheet(HWND sheet) { ::DestroyWindow(sheet); }

INT_PTR CALLBACK SheetDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        CloseSheet(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ::SendMessageW(hwnd, PSM_APPLY, 0, 0);
            if (g_sheet.settings) g_sheet.settings->SaveToFile();  // a failed save is not reported
            ::DestroyWindow(hwnd);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            CloseSheet(hwnd);
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            CloseSheet(hwnd);
            return TRUE;
        }
        break;
    case WM_NCDESTROY: {
        const DLGPROC previous = g_sheet.previous;
        ForgetSheet();
        return previous ? ::CallWindowProcW(reinterpret_cast<WNDPROC>(previous), hwnd, message, wParam, lParam)
                        : FALSE;
    }
    default:
        break;
    }
    if (g_sheet.previous) {
        return ::CallWindowProcW(reinterpret_cast<WNDPROC>(g_sheet.previous), hwnd, message, wParam, lParam);
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

HWND SheetWindowFromResult(INT_PTR result) {
    return result == 0 || result == -1 ? nullptr : reinterpret_cast<HWND>(result);
}

SettingsView SheetSettings() { return g_sheet.settings ? g_sheet.settings->view() : SettingsView(); }
const wchar_t* SheetFolder() { return g_sheet.settings ? g_sheet.settings->folder() : ModuleFolder(); }
int32_t SheetBrowserKind() { return g_sheet.browserKind; }
HWND SheetWindow() { return g_sheet.window; }

int OpenSettingsSheet(const GestureContext& ctx) {
    if (!ctx.browser || !ctx.session || !ClaimSheet()) return 0;
    SHANDLE_PTR owner = 0;
    if (FAILED(ctx.browser->get_HWND(&owner))) owner = 0;

    auto settings = ctx.mapping ? std::unique_ptr<SettingsMapping>(new (std::nothrow) SettingsMapping(
                                      ctx.mapping->name(), ctx.mapping->folder()))
                                : std::unique_ptr<SettingsMapping>(new (std::nothrow) SettingsMapping());
    if (!settings || !settings->MapShared()) {
        g_claimed = false;
        return 0;
    }
    auto activation = std::unique_ptr<ModuleActivationContext>(new (std::nothrow) ModuleActivationContext());
    if (!activation) {
        g_claimed = false;
        return 0;
    }
    ActivationScope active(activation->get());

    struct PageTemplate {
        int id;
        DLGPROC proc;
    };
    const PageTemplate templates[] = {{IDD_BEHAVIOUR_PAGE, &BehaviourPageProc},
                                      {IDD_ASSIGNMENT_PAGE, &AssignmentPageProc},
                                      {IDD_QUICK_MOVE_PAGE, &QuickMovePageProc},
                                      {IDD_DEFAULT_ACTIONS_PAGE, &DefaultActionsPageProc}};
    HPROPSHEETPAGE pages[4] = {};
    for (int i = 0; i < 4; ++i) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof(page);
        // Pages are created when their tab is first chosen, from the host's message loop:
        // the module's context goes with them so they get common controls 6 too.
        page.dwFlags = PSP_USEFUSIONCONTEXT;
        page.hActCtx = activation->get();
        page.hInstance = ThisModule();
        page.pszTemplate = MAKEINTRESOURCEW(templates[i].id);
        page.pfnDlgProc = templates[i].proc;
        pages[i] = ::CreatePropertySheetPageW(&page);
        if (!pages[i]) {
            for (int j = 0; j < i; ++j) ::DestroyPropertySheetPage(pages[j]);
            g_claimed = false;
            return 0;
        }
    }

    // The sheet's procedures and key hook are code of this DLL: it stays loaded while the
    // sheet exists, even when the browser object that opened it has gone.
    LockModule();
    g_sheet.moduleLocked = true;
    g_sheet.settings = std::move(settings);
    g_sheet.activation = std::move(activation);
    g_sheet.browserKind = ctx.session->ViewKind;

    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
    header.hwndParent = reinterpret_cast<HWND>(owner);
    header.hInstance = ThisModule();
    header.pszCaption = L"CursorCadenceの設定";
    header.nPages = 4;
    header.nStartPage = 0;
    header.phpage = pages;
    const INT_PTR created = ::PropertySheetW(&header);
    HWND sheet = SheetWindowFromResult(created);
    if (!sheet || !::IsWindow(sheet)) {
        ForgetSheet();
        return 0;
    }
    g_sheet.window = sheet;
    g_sheet.previous =
        reinterpret_cast<DLGPROC>(::SetWindowLongPtrW(sheet, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&SheetDialogProc)));
    g_sheet.keyRouter = ::SetWindowsHookExW(WH_GETMESSAGE, &KeyRouter, ThisModule(), ::GetCurrentThreadId());
    return 1;
}

}  // namespace cc
