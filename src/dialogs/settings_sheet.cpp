#include "dialogs/settings_sheet.h"

#include <commctrl.h>
#include <prsht.h>
#include <shlwapi.h>

#include <atomic>
#include <memory>
#include <new>
#include <utility>

#include "common/dpi.h"
#include "common/unique_handle.h"
#include "dialogs/activation_context.h"
#include "dialogs/dpi_change.h"
#include "dialogs/resource.h"
#include "dialogs/sheet_pages.h"
#include "module/module.h"
#include "settings/settings_mapping.h"

namespace cc {
namespace {

// Process-wide: at most one sheet exists, on the thread that opened it. Browser windows
// run on threads of their own, so the sheet is claimed atomically before it is made and
// given back once, when it goes or could not be made. Its window, once it exists, is
// where the keyboard hook finds it.
std::atomic<bool> g_claimed{false};
std::atomic<HWND> g_window{nullptr};

// The claim on the one sheet of the process, given back when its holder goes.
class SheetClaim {
public:
    SheetClaim() {
        bool expected = false;
        held_ = g_claimed.compare_exchange_strong(expected, true);
    }
    ~SheetClaim() {
        if (held_) g_claimed = false;
    }
    SheetClaim(SheetClaim&& other) noexcept : held_(std::exchange(other.held_, false)) {}
    SheetClaim& operator=(const SheetClaim&) = delete;
    explicit operator bool() const { return held_; }

private:
    bool held_ = false;
};

// The sheet's procedures and key hook are code of this DLL: it stays loaded while the
// sheet exists, even when the browser object that opened it has gone.
class ModuleLockScope {
public:
    ModuleLockScope() { LockModule(); }
    ~ModuleLockScope() { UnlockModule(); }
    ModuleLockScope(const ModuleLockScope&) = delete;
    ModuleLockScope& operator=(const ModuleLockScope&) = delete;
};

inline void DestroyPageValue(HPROPSHEETPAGE page) { ::DestroyPropertySheetPage(page); }
using unique_hpropsheetpage = unique_any<HPROPSHEETPAGE, DestroyPageValue>;

// Everything one open sheet holds. Its window owns it and frees it when the window goes,
// by whatever route, so a sheet can always be opened again. Members go in reverse order:
// the pages' state before the activation context, the claim and the module lock last.
struct OpenSheet {
    OpenSheet(SheetClaim held, std::unique_ptr<SettingsMapping> mapping, ViewKind browserKind)
        : claim(std::move(held)), pages(std::move(mapping), browserKind) {}
    ~OpenSheet() {
        keyRouter.reset();
        if (window) g_window = nullptr;  // before the claim is given back
    }
    OpenSheet(const OpenSheet&) = delete;
    OpenSheet& operator=(const OpenSheet&) = delete;

    ModuleLockScope moduleLock;
    SheetClaim claim;
    // The pages are created when their tab is first chosen: the context they use must last.
    ModuleActivationContext activation;
    SheetState pages;
    HWND window = nullptr;
    DLGPROC previous = nullptr;
    unique_hhook keyRouter;
};

// The sheet's window carries its OpenSheet from creation to WM_NCDESTROY.
constexpr wchar_t kSheetProperty[] = L"CursorCadence.Sheet";

OpenSheet* SheetOf(HWND sheet) { return static_cast<OpenSheet*>(::GetPropW(sheet, kSheetProperty)); }

// The host's message loop knows nothing of the sheet: while it is open, its keyboard
// messages get the dialog keys (Tab, Enter, Escape) here. Other windows' keys pass as
// they are.
LRESULT CALLBACK KeyRouter(int code, WPARAM wParam, LPARAM lParam) {
    HWND sheet = g_window.load();
    if (code == HC_ACTION && wParam == PM_REMOVE && sheet) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
            (msg->hwnd == sheet || ::IsChild(sheet, msg->hwnd)) && PropSheet_IsDialogMessage(sheet, msg)) {
            msg->message = WM_NULL;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

constexpr wchar_t kSheetCaption[] = L"CursorCadenceの設定";

// Tells the user, in a box owned by the sheet, that their settings were not saved and why
// in the system's words.
void ReportSaveFailure(HWND sheet, DWORD error) {
    static constexpr wchar_t kLead[] = L"設定を保存できませんでした。\n";
    wchar_t text[ARRAYSIZE(kLead) + 512];
    ::lstrcpyW(text, kLead);
    wchar_t* reason = text + ARRAYSIZE(kLead) - 1;
    const DWORD room = static_cast<DWORD>(ARRAYSIZE(text) - (reason - text));
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                    reason, room, nullptr);
    if (length == 0) length = static_cast<DWORD>(::wnsprintfW(reason, static_cast<int>(room), L"0x%08lX", error));
    while (length > 0 && (reason[length - 1] == L'\r' || reason[length - 1] == L'\n' || reason[length - 1] == L' ')) {
        reason[--length] = L'\0';
    }
    ::MessageBoxW(sheet, text, kSheetCaption, MB_OK | MB_ICONERROR);
}

// OK: every created page writes its fields into the block, then the block goes to the
// file. True when everything was stored; otherwise the user has been told why.
bool ApplyAndSave(HWND sheet, OpenSheet& open) {
    open.pages.ClearApplyFailure();
    ::SendMessageW(sheet, PSM_APPLY, 0, 0);
    DWORD error = open.pages.applyError();
    DWORD saveError = ERROR_SUCCESS;
    open.pages.SaveToFile(&saveError);  // saved even when a page could not store its part
    if (error == ERROR_SUCCESS) error = saveError;
    if (error == ERROR_SUCCESS) return true;
    ReportSaveFailure(sheet, error);
    return false;
}

constexpr int kPageCount = 4;

// Moved to a monitor of another scale: the sheet takes the rectangle offered, and each page
// made so far rebuilds what it sizes in pixels at the DPI announced. The sheet's own
// procedure and the dialog manager see the message afterwards and lay the sheet out again.
void OnDpiChanged(HWND sheet, OpenSheet& open, WPARAM wParam, LPARAM lParam) {
    open.pages.NoteAnnouncedDpi(AnnouncedDpi(wParam));
    MoveToSuggestedRect(sheet, lParam);
    for (int i = 0; i < kPageCount; ++i) {
        if (HWND page = PropSheet_IndexToHwnd(sheet, i)) RequestRebuildForDpi(page);
    }
}

INT_PTR CALLBACK SheetDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    OpenSheet* open = SheetOf(hwnd);
    if (!open || !open->previous) return FALSE;  // both are set before this procedure is
    switch (message) {
    case WM_CLOSE:
        ::DestroyWindow(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            // After a failure the sheet stays open with everything the user set, to try
            // again or cancel. (The box's own message loop may have closed it meanwhile.)
            if (ApplyAndSave(hwnd, *open)) ::DestroyWindow(hwnd);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            ::DestroyWindow(hwnd);
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            ::DestroyWindow(hwnd);
            return TRUE;
        }
        break;
    case kWmDpiChanged:
        OnDpiChanged(hwnd, *open, wParam, lParam);
        break;
    case WM_NCDESTROY: {
        // The pages, its children, are gone by now.
        std::unique_ptr<OpenSheet> owned(open);
        ::RemovePropW(hwnd, kSheetProperty);
        return ::CallWindowProcW(reinterpret_cast<WNDPROC>(owned->previous), hwnd, message, wParam, lParam);
    }
    default:
        break;
    }
    return ::CallWindowProcW(reinterpret_cast<WNDPROC>(open->previous), hwnd, message, wParam, lParam);
}

}  // namespace

SheetState* KeepSheetState(HWND page, LPARAM initParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(initParam);
    auto* state = sheetPage ? reinterpret_cast<SheetState*>(sheetPage->lParam) : nullptr;
    ::SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    return state;
}

SheetState* SheetStateOf(HWND page) { return reinterpret_cast<SheetState*>(::GetWindowLongPtrW(page, DWLP_USER)); }

UINT PageDpi(HWND page, const SheetState& sheet) {
    const UINT announced = sheet.announcedDpi();
    return announced != 0 ? announced : WindowDpi(page);
}

bool PageRebuildsForDpi(HWND page, UINT message) {
    if (message == kWmDpiChangedAfterParent) {
        // The dialog manager lays the page out again once this returns: rebuild after it.
        RequestRebuildForDpi(page);
        return false;
    }
    if (message != kWmRebuildForDpi) return false;
    DropQueuedRebuilds(page);  // the sheet's request and the system's for one move
    return true;
}

HWND SheetWindowFromResult(INT_PTR result) {
    return result == 0 || result == -1 ? nullptr : reinterpret_cast<HWND>(result);
}

HWND SheetWindow() { return g_window.load(); }

bool OpenSettingsSheet(const GestureContext& ctx) {
    if (!ctx.browser || !ctx.session) return false;
    SheetClaim claim;
    if (!claim) return false;
    SHANDLE_PTR owner = 0;
    if (FAILED(ctx.browser->get_HWND(&owner))) owner = 0;

    auto mapping = ctx.mapping
                       ? std::unique_ptr<SettingsMapping>(new (std::nothrow) SettingsMapping(ctx.mapping->location()))
                       : std::unique_ptr<SettingsMapping>(new (std::nothrow) SettingsMapping());
    if (!mapping || !mapping->MapShared()) return false;
    std::unique_ptr<OpenSheet> open(new (std::nothrow) OpenSheet(
        std::move(claim), std::move(mapping), static_cast<ViewKind>(ctx.session->ViewKind)));
    if (!open) return false;
    ActivationScope active(open->activation.get());

    struct PageTemplate {
        int id;
        DLGPROC proc;
    };
    const PageTemplate templates[] = {{IDD_BEHAVIOUR_PAGE, &BehaviourPageProc},
                                      {IDD_ASSIGNMENT_PAGE, &AssignmentPageProc},
                                      {IDD_QUICK_MOVE_PAGE, &QuickMovePageProc},
                                      {IDD_DEFAULT_ACTIONS_PAGE, &DefaultActionsPageProc}};
    unique_hpropsheetpage pages[kPageCount];
    for (int i = 0; i < kPageCount; ++i) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof(page);
        // Pages are created when their tab is first chosen, from the host's message loop:
        // the module's context goes with them so they get common controls 6 too.
        page.dwFlags = PSP_USEFUSIONCONTEXT;
        page.hActCtx = open->activation.get();
        page.hInstance = ThisModule();
        page.pszTemplate = MAKEINTRESOURCEW(templates[i].id);
        page.pfnDlgProc = templates[i].proc;
        page.lParam = reinterpret_cast<LPARAM>(&open->pages);
        pages[i].reset(::CreatePropertySheetPageW(&page));
        if (!pages[i]) return false;
    }
    // The sheet takes the pages over.
    HPROPSHEETPAGE handed[kPageCount];
    for (int i = 0; i < kPageCount; ++i) handed[i] = pages[i].release();

    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
    header.hwndParent = reinterpret_cast<HWND>(owner);
    header.hInstance = ThisModule();
    header.pszCaption = kSheetCaption;
    header.nPages = kPageCount;
    header.nStartPage = 0;
    header.phpage = handed;
    HWND sheet = nullptr;
    {
        // Made in the per-monitor-v2 context where it exists, so that the sheet scales with
        // its monitor; its pages, children made later, take their parent's context. The
        // host thread's own context is back as soon as the sheet exists.
        const PerMonitorV2Scope perMonitor;
        sheet = SheetWindowFromResult(::PropertySheetW(&header));
    }
    if (!sheet || !::IsWindow(sheet)) return false;
    if (!::SetPropW(sheet, kSheetProperty, open.get())) {
        ::DestroyWindow(sheet);
        return false;
    }
    open->window = sheet;
    open->previous =
        reinterpret_cast<DLGPROC>(::SetWindowLongPtrW(sheet, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&SheetDialogProc)));
    open->keyRouter.reset(::SetWindowsHookExW(WH_GETMESSAGE, &KeyRouter, ThisModule(), ::GetCurrentThreadId()));
    g_window = sheet;
    open.release();  // the sheet's window owns it now, until its WM_NCDESTROY
    return true;
}

}  // namespace cc
