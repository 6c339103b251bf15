// The real settings sheet, its four pages and its two dialogs, driven through their real
// controls with messages; the block, "setting", the marker files and "Links" checked
// afterwards. Screenshots of every page and dialog go to CC_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/dpi.h"
#include "common/unique_handle.h"
#include "dialogs/gesture_edit_dialog.h"
#include "settings/quick_move_store.h"
#include "dialogs/resource.h"
#include "dialogs/settings_sheet.h"
#include "dialogs/trail_colour_dialog.h"
#include "module/module.h"
#include "fake_browser.h"
#include "process_util.h"
#include "screenshot.h"
#include "settings/action_catalogue.h"
#include "test_windows.h"
#include "attached_view.h"

namespace cc {
namespace {

using test::PumpFor;
using test::PumpUntil;

std::wstring UniqueName() {
    static int counter = 0;
    return L"CursorCadenceSheetTest." + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(++counter);
}

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
bool IsEnabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[256] = L"";
    ::GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

// An up-down control's arrow as the control reports it to its page.
void Arrow(HWND page, int spin, int delta) {
    NMUPDOWN n{};
    n.hdr.hwndFrom = ::GetDlgItem(page, spin);
    n.hdr.idFrom = static_cast<UINT_PTR>(spin);
    n.hdr.code = UDN_DELTAPOS;
    n.iDelta = delta;
    ::SendMessageW(page, WM_NOTIFY, static_cast<WPARAM>(spin), reinterpret_cast<LPARAM>(&n));
}

void ListClick(HWND page, int listId) {
    NMITEMACTIVATE n{};
    n.hdr.hwndFrom = ::GetDlgItem(page, listId);
    n.hdr.idFrom = static_cast<UINT_PTR>(listId);
    n.hdr.code = NM_CLICK;
    ::SendMessageW(page, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&n));
}

void SelectRows(HWND list, std::initializer_list<int> rows) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int r : rows) ListView_SetItemState(list, r, LVIS_SELECTED, LVIS_SELECTED);
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[256] = L"";
    ListView_GetItemText(list, row, column, text, 256);
    return text;
}

// The size of the bitmap a button shows, {0, 0} for none.
std::pair<int, int> ImageSize(HWND dialog, int id) {
    HBITMAP image = reinterpret_cast<HBITMAP>(::SendDlgItemMessageW(dialog, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    if (!image || ::GetObjectW(image, sizeof(info), &info) != sizeof(info)) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

std::pair<int, int> ClientSize(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return {static_cast<int>(r.right), static_cast<int>(r.bottom)};
}

int WindowWidth(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r.right - r.left;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A report list's two columns as the pages size them at `dpi`: the first given in pixels
// at 96 DPI, the second the rest of the list's width but a margin, also given at 96 DPI.
void ExpectColumnsAt(HWND list, UINT dpi, int first, int margin, const char* which) {
    const int firstAtDpi = ScaleForDpi(first, dpi);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), firstAtDpi) << which << " at " << dpi;
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), WindowWidth(list) - firstAtDpi - ScaleForDpi(margin, dpi))
        << which << " at " << dpi;
}

// What a move to a monitor of another scale sends a top-level window: the new DPI and the
// rectangle the system suggests, here the old one grown or shrunk about its top left.
RECT SendDpiChanged(HWND window, UINT from, UINT to) {
    RECT r{};
    ::GetWindowRect(window, &r);
    RECT suggested{r.left, r.top, r.left + ::MulDiv(r.right - r.left, static_cast<int>(to), static_cast<int>(from)),
                   r.top + ::MulDiv(r.bottom - r.top, static_cast<int>(to), static_cast<int>(from))};
    ::SendMessageW(window, kWmDpiChanged, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    return suggested;
}

// A DPI other than `dpi` to move to.
UINT OtherDpi(UINT dpi) { return dpi == 144 ? 192 : 144; }

// The thread and window DPI awareness contexts, looked up: the build declares only what
// Windows 7 has.
struct DpiContexts {
    DpiContexts() {
        const HMODULE user = ::GetModuleHandleW(L"user32.dll");
        Resolve(user, "GetThreadDpiAwarenessContext", getThread);
        Resolve(user, "SetThreadDpiAwarenessContext", setThread);
        Resolve(user, "GetWindowDpiAwarenessContext", ofWindow);
        Resolve(user, "AreDpiAwarenessContextsEqual", equal);
        Resolve(user, "IsValidDpiAwarenessContext", valid);
    }
    bool available() const { return getThread && setThread && ofWindow && equal && valid; }
    template <class F>
    static void Resolve(HMODULE module, const char* name, F& function) {
        function = reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
    }
    DPI_AWARENESS_CONTEXT(WINAPI* getThread)() = nullptr;
    DPI_AWARENESS_CONTEXT(WINAPI* setThread)(DPI_AWARENESS_CONTEXT) = nullptr;
    DPI_AWARENESS_CONTEXT(WINAPI* ofWindow)(HWND) = nullptr;
    BOOL(WINAPI* equal)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT) = nullptr;
    BOOL(WINAPI* valid)(DPI_AWARENESS_CONTEXT) = nullptr;
};

// Drives a modal dialog from inside its own modal loop: `drive` runs once the dialog
// with `caption` exists (the test thread's timer fires within the dialog's loop).
class ModalDriver {
public:
    // `owner`, when given, tells apart windows of one caption (the sheet and its message box).
    ModalDriver(const wchar_t* caption, std::function<void(HWND)> drive, HWND owner = nullptr) {
        current_ = this;
        caption_ = caption;
        owner_ = owner;
        drive_ = std::move(drive);
        timer_ = ::SetTimer(nullptr, 0, 50, &ModalDriver::Tick);
    }
    ~ModalDriver() {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool ran = false;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalDriver* self = current_;
        if (!self || self->ran) return;
        HWND dialog = nullptr;
        do {
            dialog = ::FindWindowExW(nullptr, dialog, L"#32770", self->caption_);
        } while (dialog && self->owner_ && ::GetWindow(dialog, GW_OWNER) != self->owner_);
        if (!dialog || !::IsWindowVisible(dialog)) return;
        self->ran = true;
        self->drive_(dialog);
    }
    static inline ModalDriver* current_ = nullptr;
    const wchar_t* caption_ = nullptr;
    HWND owner_ = nullptr;
    std::function<void(HWND)> drive_;
    UINT_PTR timer_ = 0;
};

class Sheet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(opener.MapShared());
        ApplyDefaults(opener.view());
        browser.topLevel = owner.frame();
        session.ViewKind = ViewFolderList;
    }
    void TearDown() override {
        if (HWND sheet = SheetWindow()) ::DestroyWindow(sheet);
        EXPECT_EQ(SheetWindow(), nullptr);
        ::CoUninitialize();
    }
    GestureContext ctx() { return GestureContext{&session, opener.view(), nullptr, &browser, &opener}; }
    HWND Open() {
        EXPECT_TRUE(OpenSettingsSheet(ctx()));
        HWND sheet = SheetWindow();
        EXPECT_NE(sheet, nullptr);
        PumpFor(50);
        return sheet;
    }
    HWND Page(HWND sheet, int index) {
        PropSheet_SetCurSel(sheet, nullptr, index);
        PumpFor(30);
        return PropSheet_GetCurrentPageHwnd(sheet);
    }
    void Ok(HWND sheet) {
        ::SendMessageW(sheet, WM_COMMAND, IDOK, 0);
        PumpFor(20);
    }
    void Cancel(HWND sheet) {
        ::SendMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
        PumpFor(20);
    }
    SettingsView block() { return opener.view(); }
    std::vector<unsigned char> File() { return test::ReadWholeFile(folder / L"setting"); }

    test::ScratchFolder folder;
    std::wstring name = UniqueName();
    SettingsMapping opener{name.c_str(), folder.path().c_str()};
    test::HostWindow owner{{L"SHELLDLL_DefView"}, RECT{100, 60, 700, 560}};
    test::FakeBrowser browser;
    GestureSession session;
};

TEST_F(Sheet, OpensOncePerProcessOnTheBehaviourPageWithItsFourTabs) {
    HWND sheet = Open();
    EXPECT_FALSE(OpenSettingsSheet(ctx())) << "a second settings gesture does nothing";
    wchar_t caption[64] = L"";
    ::GetWindowTextW(sheet, caption, 64);
    EXPECT_STREQ(caption, L"CursorCadenceの設定");
    EXPECT_EQ(::GetWindow(sheet, GW_OWNER), owner.frame());
    HWND tabs = PropSheet_GetTabControl(sheet);
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), 4);
    const wchar_t* titles[] = {L"動作の設定", L"ジェスチャーの割り当て", L"クイック移動", L"既定の動作"};
    for (int i = 0; i < 4; ++i) {
        wchar_t text[64] = L"";
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        TabCtrl_GetItem(tabs, i, &item);
        EXPECT_STREQ(text, titles[i]);
    }
    EXPECT_EQ(PropSheet_HwndToIndex(sheet, PropSheet_GetCurrentPageHwnd(sheet)), 0);
    EXPECT_EQ(::GetDlgItem(sheet, 0x3021 /* the sheet's Apply button */) == nullptr || !::IsWindowVisible(::GetDlgItem(sheet, 0x3021 /* the sheet's Apply button */)),
              true) << "no Apply button";
}

// The settings sheets among a thread's top-level windows.
BOOL CALLBACK CollectSheet(HWND window, LPARAM into) {
    wchar_t cls[16] = L"", caption[64] = L"";
    ::GetClassNameW(window, cls, 16);
    ::GetWindowTextW(window, caption, 64);
    if (std::wstring(cls) == L"#32770" && std::wstring(caption) == L"CursorCadenceの設定") {
        reinterpret_cast<std::vector<HWND>*>(into)->push_back(window);
    }
    return TRUE;
}

// Two browser windows, each on its own thread, ask for the sheet at the same moment:
// exactly one sheet appears, and once it is closed the sheet can be opened again.
TEST_F(Sheet, TwoThreadsOpeningAtOnceGetOneSheet) {
    for (int round = 0; round < 3; ++round) {
        std::atomic<int> ready{0}, returned{0}, opened{0};
        std::atomic<bool> go{false}, finish{false};
        DWORD threads[2] = {};
        auto openOnThisThread = [&](int i) {
            threads[i] = ::GetCurrentThreadId();
            const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
            {
                test::HostWindow frame{{L"SHELLDLL_DefView"}, RECT{120 + 60 * i, 80, 620 + 60 * i, 520}};
                test::FakeBrowser threadBrowser;
                threadBrowser.topLevel = frame.frame();
                GestureSession threadSession;
                threadSession.ViewKind = ViewFolderList;
                const GestureContext c{&threadSession, opener.view(), nullptr, &threadBrowser, &opener};
                ++ready;
                while (!go) std::this_thread::yield();
                if (OpenSettingsSheet(c)) ++opened;
                ++returned;
                PumpUntil([&] { return finish.load(); }, 10000);
            }  // the frame goes, and any sheet it owns with it
            if (com) ::CoUninitialize();
        };
        std::thread first(openOnThisThread, 0), second(openOnThisThread, 1);
        EXPECT_TRUE(PumpUntil([&] { return ready == 2; }, 5000));
        go = true;
        EXPECT_TRUE(PumpUntil([&] { return returned == 2; }, 5000));
        std::vector<HWND> sheets;
        for (DWORD thread : threads) ::EnumThreadWindows(thread, &CollectSheet, reinterpret_cast<LPARAM>(&sheets));
        EXPECT_EQ(opened.load(), 1) << "round " << round;
        EXPECT_EQ(sheets.size(), 1u) << "round " << round;
        EXPECT_EQ(sheets.empty() ? nullptr : sheets[0], SheetWindow());
        for (HWND sheet : sheets) {
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(sheet, WM_COMMAND, IDCANCEL, 0, SMTO_NORMAL, 2000, &result);
        }
        EXPECT_TRUE(PumpUntil([] { return SheetWindow() == nullptr; }, 2000));
        finish = true;
        first.join();
        second.join();
    }
    EXPECT_TRUE(OpenSettingsSheet(ctx())) << "closed, the sheet opens again";
    EXPECT_NE(SheetWindow(), nullptr);
}

// A window handle is a 32-bit value sign-extended: one with bit 31 set is a real sheet.
TEST(SheetWindowFromResult, OnlyZeroAndMinusOneMeanNoSheet) {
    EXPECT_EQ(SheetWindowFromResult(0), nullptr);
    EXPECT_EQ(SheetWindowFromResult(-1), nullptr);
    const INT_PTR highBit = static_cast<INT_PTR>(static_cast<int32_t>(0x80012346u));
    ASSERT_LT(highBit, 0);
    EXPECT_EQ(SheetWindowFromResult(highBit), reinterpret_cast<HWND>(highBit));
    EXPECT_EQ(SheetWindowFromResult(0x12346), reinterpret_cast<HWND>(0x12346));
}

TEST_F(Sheet, TheBehaviourPageShowsTheDefaults) {
    HWND page = Page(Open(), 0);
    EXPECT_TRUE(IsChecked(page, IDC_USE_BOTH));
    EXPECT_TRUE(IsChecked(page, IDC_TRAIL_ENABLED));
    EXPECT_EQ(TextOf(page, IDC_TRAIL_WIDTH), L"2");
    EXPECT_FALSE(IsChecked(page, IDC_TIMEOUT_ENABLED));
    EXPECT_EQ(TextOf(page, IDC_TIMEOUT), L"0.5");
    EXPECT_FALSE(IsEnabled(page, IDC_TIMEOUT_LABEL));
    EXPECT_FALSE(IsEnabled(page, IDC_TIMEOUT_SPIN));
    EXPECT_FALSE(IsEnabled(page, IDC_RELEASE_ON_HOLD));
    EXPECT_EQ(TextOf(page, IDC_SENSITIVITY), L"15");
    EXPECT_TRUE(IsChecked(page, IDC_DOUBLE_CLICK_NOTHING));
    EXPECT_FALSE(IsChecked(page, IDC_NO_START_ON_SELECTED));
    EXPECT_TRUE(IsChecked(page, IDC_UP_BY_NAMESPACE));
    // The swatch is the default colour, 33CCFF.
    HBITMAP swatch = reinterpret_cast<HBITMAP>(::SendDlgItemMessageW(page, IDC_TRAIL_COLOUR, BM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(swatch, nullptr);
    {
        unique_hdc dc(::CreateCompatibleDC(nullptr));
        select_object_scope selected(dc.get(), swatch);
        EXPECT_EQ(::GetPixel(dc.get(), 5, 5), RGB(0x33, 0xCC, 0xFF));
    }
    test::SaveScreenshot(SheetWindow(), L"sheet-1-behaviour");
}

// What the pages size in pixels follows the DPI their window is drawn at, from the start.
// The build runs this test again in prefixes at 144 and 192 DPI; CC_EXPECT_DPI then names
// the scale the prefix was set to, so a prefix left at 96 cannot pass for one at 144.
TEST_F(Sheet, SwatchColumnsAndPagesAtTheScreensScale) {
    HWND sheet = Open();
    HWND behaviour = Page(sheet, 0);
    const UINT dpi = WindowDpi(behaviour);
    if (const char* expected = std::getenv("CC_EXPECT_DPI")) {
        ASSERT_EQ(dpi, static_cast<UINT>(std::atoi(expected))) << "the prefix is not at the scale this run set up";
    }
    EXPECT_EQ(ImageSize(behaviour, IDC_TRAIL_COLOUR), std::make_pair(ScaleForDpi(28, dpi), ScaleForDpi(14, dpi)));

    // The page and the swatch's button stand where their dialog units put them at this DPI.
    RECT page{0, 0, 268, 252};
    ASSERT_TRUE(::MapDialogRect(behaviour, &page));
    EXPECT_EQ(ClientSize(behaviour), std::make_pair(static_cast<int>(page.right), static_cast<int>(page.bottom)));
    // The dialog manager maps a control's position and its size each on their own.
    RECT place{50, 56, 30, 14};
    ASSERT_TRUE(::MapDialogRect(behaviour, &place));
    const RECT button{place.left, place.top, place.left + place.right, place.top + place.bottom};
    RECT measured{};
    ::GetWindowRect(::GetDlgItem(behaviour, IDC_TRAIL_COLOUR), &measured);
    ::MapWindowPoints(nullptr, behaviour, reinterpret_cast<POINT*>(&measured), 2);
    EXPECT_TRUE(SameRect(measured, button)) << measured.left << "," << measured.top << " " << measured.right << ","
                                            << measured.bottom << " against " << button.left << "," << button.top
                                            << " " << button.right << "," << button.bottom;

    ExpectColumnsAt(::GetDlgItem(Page(sheet, 1), IDC_ACTION_LIST), dpi, 150, 22, "actions");
    ExpectColumnsAt(::GetDlgItem(Page(sheet, 2), IDC_FOLDER_LIST), dpi, 120, 4, "folders");
    test::SaveScreenshot(sheet, L"sheet-at-the-screens-scale");
}

// Moved to a monitor of another scale, the sheet takes the rectangle it is offered and
// rebuilds what it sizes in pixels at the DPI the move announced: on the pages it has and
// on a page made afterwards. Sent here by hand, the message alone tells the new DPI (the
// window's own DPI stays what it was).
TEST_F(Sheet, MovedToAnotherScaleRebuildsSwatchAndColumns) {
    HWND sheet = Open();
    HWND behaviour = Page(sheet, 0);
    HWND actions = Page(sheet, 1);
    const UINT from = WindowDpi(sheet), to = OtherDpi(from);
    const std::pair<int, int> swatchAt{ScaleForDpi(28, to), ScaleForDpi(14, to)};
    const RECT suggested = SendDpiChanged(sheet, from, to);
    EXPECT_TRUE(PumpUntil([&] { return ImageSize(behaviour, IDC_TRAIL_COLOUR) == swatchAt; }, 2000))
        << ImageSize(behaviour, IDC_TRAIL_COLOUR).first << "x" << ImageSize(behaviour, IDC_TRAIL_COLOUR).second;
    RECT now{};
    ::GetWindowRect(sheet, &now);
    EXPECT_TRUE(SameRect(now, suggested)) << "the suggested rectangle";
    ExpectColumnsAt(::GetDlgItem(actions, IDC_ACTION_LIST), to, 150, 22, "actions");
    ExpectColumnsAt(::GetDlgItem(Page(sheet, 2), IDC_FOLDER_LIST), to, 120, 4, "folders made after the move");

    // And back: the swatch keeps its colour at the old size.
    SendDpiChanged(sheet, to, from);
    const std::pair<int, int> swatchBack{ScaleForDpi(28, from), ScaleForDpi(14, from)};
    EXPECT_TRUE(PumpUntil([&] { return ImageSize(behaviour, IDC_TRAIL_COLOUR) == swatchBack; }, 2000));
    ExpectColumnsAt(::GetDlgItem(actions, IDC_ACTION_LIST), from, 150, 22, "actions back");
    HBITMAP swatch =
        reinterpret_cast<HBITMAP>(::SendDlgItemMessageW(behaviour, IDC_TRAIL_COLOUR, BM_GETIMAGE, IMAGE_BITMAP, 0));
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    select_object_scope selected(dc.get(), swatch);
    EXPECT_EQ(::GetPixel(dc.get(), swatchBack.first - 1, swatchBack.second - 1), RGB(0x33, 0xCC, 0xFF));
}

// The host's thread keeps its own DPI awareness context: the sheet and the two dialogs are
// made in the per-monitor-v2 context where it exists, and the thread's own comes back.
TEST_F(Sheet, TheHostThreadsDpiContextComesBack) {
    const DpiContexts contexts;
    ASSERT_TRUE(contexts.available());
    // An unaware host thread, unlike the process: a context put back wrongly shows.
    const DPI_AWARENESS_CONTEXT original = contexts.setThread(DPI_AWARENESS_CONTEXT_UNAWARE);
    ASSERT_NE(original, nullptr);
    const DPI_AWARENESS_CONTEXT host = contexts.getThread();
    auto hostContextIsBack = [&] { return contexts.equal(contexts.getThread(), host) != FALSE; };

    HWND sheet = Open();
    EXPECT_TRUE(hostContextIsBack()) << "once the sheet is open";
    const bool v2 = contexts.valid(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) != FALSE;
    EXPECT_TRUE(contexts.equal(contexts.ofWindow(sheet), v2 ? DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 : host))
        << "per monitor v2 where it exists, else the thread's own";
    {
        CTrailColourDlg picker;
        ModalDriver driver(L"軌跡の色の選択", [](HWND d) { Click(d, IDCANCEL); });
        EXPECT_EQ(picker.DoModal(sheet), IDCANCEL);
    }
    EXPECT_TRUE(hostContextIsBack()) << "once the colour picker closed";
    {
        CGestureEditDlg dialog;
        ModalDriver driver(L"ジェスチャーの変更", [](HWND d) { Click(d, IDCANCEL); });
        EXPECT_EQ(dialog.DoModal(sheet), IDCANCEL);
    }
    EXPECT_TRUE(hostContextIsBack()) << "once the gesture dialog closed";
    Cancel(sheet);
    EXPECT_EQ(SheetWindow(), nullptr);
    EXPECT_TRUE(hostContextIsBack()) << "once the sheet closed";
    contexts.setThread(original);
}

TEST_F(Sheet, OkRightAfterOpeningSavesTheWholeBlock) {
    block().Set(Field::DefaultActionFlags, 0x1F);  // a page that is never shown keeps its field
    HWND sheet = Open();
    Ok(sheet);
    EXPECT_EQ(SheetWindow(), nullptr);
    const std::vector<unsigned char> file = File();
    ASSERT_EQ(file.size(), kSettingsBytes);
    EXPECT_EQ(std::memcmp(file.data(), block().data(), kSettingsBytes), 0);
    EXPECT_EQ(block().Get(Field::DefaultActionFlags), 0x1F);
    EXPECT_TRUE(OpenSettingsSheet(ctx())) << "and it opens again";
}

TEST_F(Sheet, TheOpenSheetKeepsTheDllLoaded) {
    const LONG before = ModuleLockCount();
    HWND sheet = Open();
    EXPECT_EQ(ModuleLockCount(), before + 1) << "its procedures are code of the DLL";
    Cancel(sheet);
    EXPECT_EQ(ModuleLockCount(), before);
    {
        test::HostWindow shortLived{{L"SHELLDLL_DefView"}, RECT{100, 60, 300, 200}};
        browser.topLevel = shortLived.frame();
        Open();
    }
    EXPECT_EQ(ModuleLockCount(), before) << "released when the sheet goes with its owner";
    browser.topLevel = owner.frame();
}

TEST_F(Sheet, TimeoutAndReleaseOnHold) {
    HWND page = Page(Open(), 0);
    Click(page, IDC_TIMEOUT_ENABLED);
    EXPECT_TRUE(IsEnabled(page, IDC_TIMEOUT_SPIN));
    Ok(SheetWindow());
    EXPECT_EQ(block().Get(Field::TimeoutMs), 500);

    page = Page(Open(), 0);
    Click(page, IDC_RELEASE_ON_HOLD);
    Click(page, IDC_TIMEOUT_ENABLED);  // off again, 293 stays checked
    EXPECT_TRUE(IsChecked(page, IDC_RELEASE_ON_HOLD));
    Ok(SheetWindow());
    EXPECT_EQ(block().Get(Field::TimeoutMs), 0);
    EXPECT_EQ(block().Get(Field::ReleaseOnFolderHold), 0);

    block().Set(Field::TimeoutMs, 2500);
    page = Page(Open(), 0);
    EXPECT_EQ(TextOf(page, IDC_TIMEOUT), L"2.5");
    Arrow(page, IDC_TIMEOUT_SPIN, -1);
    EXPECT_EQ(TextOf(page, IDC_TIMEOUT), L"2.5");
    Arrow(page, IDC_TIMEOUT_SPIN, 1);
    EXPECT_EQ(TextOf(page, IDC_TIMEOUT), L"2.4");
    Click(page, IDC_RELEASE_ON_HOLD);
    Ok(SheetWindow());
    EXPECT_EQ(block().Get(Field::TimeoutMs), 2400);
    EXPECT_EQ(block().Get(Field::ReleaseOnFolderHold), 1);
}

TEST_F(Sheet, SensitivityAndWidthArrows) {
    block().Set(Field::SensitivityPixels, 7);
    HWND page = Page(Open(), 0);
    EXPECT_EQ(TextOf(page, IDC_SENSITIVITY), L"7");
    Arrow(page, IDC_SENSITIVITY_SPIN, 1);
    EXPECT_EQ(TextOf(page, IDC_SENSITIVITY), L"7") << "the down arrow from 7 stays";
    Arrow(page, IDC_SENSITIVITY_SPIN, -1);
    EXPECT_EQ(TextOf(page, IDC_SENSITIVITY), L"12");
    for (int i = 0; i < 12; ++i) Arrow(page, IDC_SENSITIVITY_SPIN, -1);
    EXPECT_EQ(TextOf(page, IDC_SENSITIVITY), L"52");
    Arrow(page, IDC_SENSITIVITY_SPIN, 0);
    EXPECT_EQ(TextOf(page, IDC_SENSITIVITY), L"52");
    for (int i = 0; i < 5; ++i) Arrow(page, IDC_TRAIL_WIDTH_SPIN, -1);
    EXPECT_EQ(TextOf(page, IDC_TRAIL_WIDTH), L"5");
    Click(page, IDC_TRAIL_ENABLED);
    EXPECT_FALSE(IsEnabled(page, IDC_TRAIL_COLOUR));
    EXPECT_TRUE(IsEnabled(page, IDC_TRAIL_WIDTH)) << "the width edit stays enabled";
    Click(page, IDC_DOUBLE_CLICK_TOGGLE);
    Click(page, IDC_UP_BY_PATH);
    Click(page, IDC_NO_START_ON_SELECTED);
    EXPECT_FALSE(IsChecked(page, IDC_DOUBLE_CLICK_NOTHING));
    Ok(SheetWindow());
    EXPECT_EQ(block().Get(Field::SensitivityPixels), 52);
    EXPECT_EQ(block().Get(Field::TrailWidth), 5);
    EXPECT_EQ(block().Get(Field::TrailEnabled), 0);
    EXPECT_EQ(block().Get(Field::BlankDoubleClickAction), 2);
    EXPECT_EQ(block().Get(Field::UpFolderByPath), 1);
    EXPECT_EQ(block().Get(Field::NoStartOnSelectedItem), 1);
}

TEST_F(Sheet, MarkerFilesFollowTheHostChoice) {
    HWND page = Page(Open(), 0);
    Click(page, IDC_USE_EXPLORER_ONLY);
    EXPECT_FALSE(IsChecked(page, IDC_USE_BOTH));
    Ok(SheetWindow());
    const std::vector<unsigned char> marker = test::ReadWholeFile(folder / L"unload_on_IE");
    ASSERT_EQ(marker.size(), 68u);
    EXPECT_EQ(std::memcmp(marker.data(), L"Thank you for using CursorCadence", 68), 0);
    EXPECT_FALSE(test::FileExists(folder / L"unload_on_Explorer"));
    page = Page(Open(), 0);
    EXPECT_TRUE(IsChecked(page, IDC_USE_EXPLORER_ONLY));
    Click(page, IDC_USE_IE_ONLY);
    Ok(SheetWindow());
    EXPECT_TRUE(test::FileExists(folder / L"unload_on_Explorer"));
    EXPECT_FALSE(test::FileExists(folder / L"unload_on_IE"));

    const char nothing = 0;
    test::WriteWholeFile(folder / L"unload_on_IE", &nothing, 0);
    page = Page(Open(), 0);
    EXPECT_TRUE(IsChecked(page, IDC_USE_EXPLORER_ONLY)) << "with both markers the page shows 299";
    Click(page, IDC_USE_BOTH);
    Ok(SheetWindow());
    EXPECT_FALSE(test::FileExists(folder / L"unload_on_IE"));
    EXPECT_FALSE(test::FileExists(folder / L"unload_on_Explorer"));
}

TEST_F(Sheet, CancelAfterEditingEveryPageChangesNothing) {
    std::vector<unsigned char> before(kSettingsBytes);
    std::memcpy(before.data(), block().data(), kSettingsBytes);
    HWND sheet = Open();
    HWND behaviour = Page(sheet, 0);
    Click(behaviour, IDC_TIMEOUT_ENABLED);
    Click(behaviour, IDC_USE_IE_ONLY);
    HWND actions = Page(sheet, 3);
    Click(actions, IDC_ROCKER_BACK);
    HWND quick = Page(sheet, 2);
    Click(quick, IDC_IE_NOTHING);
    Cancel(sheet);
    EXPECT_EQ(SheetWindow(), nullptr);
    EXPECT_EQ(std::memcmp(before.data(), block().data(), kSettingsBytes), 0);
    EXPECT_FALSE(test::FileExists(folder / L"setting"));
    EXPECT_FALSE(test::FileExists(folder / L"unload_on_Explorer"));
    EXPECT_FALSE(test::FileExists(folder / L"Links"));
}

TEST_F(Sheet, TheCloseBoxAndTheOwnersEndAlsoCloseWithoutWriting) {
    HWND sheet = Open();
    Click(Page(sheet, 0), IDC_TIMEOUT_ENABLED);
    ::SendMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(SheetWindow(), nullptr);
    EXPECT_EQ(block().Get(Field::TimeoutMs), 0);
    sheet = Open();
    ::SendMessageW(sheet, WM_CLOSE, 0, 0);
    EXPECT_EQ(SheetWindow(), nullptr);
    {
        test::HostWindow shortLived{{L"SHELLDLL_DefView"}, RECT{100, 60, 300, 200}};
        browser.topLevel = shortLived.frame();
        Open();
    }  // the owner goes, and the sheet with it
    EXPECT_EQ(SheetWindow(), nullptr);
    browser.topLevel = owner.frame();
    EXPECT_TRUE(OpenSettingsSheet(ctx())) << "the sheet can be opened again";
}

TEST_F(Sheet, EscapeFromTheKeyboardReachesTheSheet) {
    HWND sheet = Open();
    ::SetForegroundWindow(sheet);
    ::SetFocus(::GetDlgItem(Page(sheet, 0), IDC_TRAIL_ENABLED));
    test::Input input;
    input.KeyDown(VK_ESCAPE);
    input.KeyUp(VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([] { return SheetWindow() == nullptr; }, 2000));
}

TEST_F(Sheet, OkWhenTheFileCannotBeWrittenAppliesTheValuesAndSaysSo) {
    const char old[4] = {1, 2, 3, 4};
    ASSERT_TRUE(test::WriteWholeFile(folder / L"setting", old, sizeof(old)));
    unique_hfile held(::CreateFileW((folder / L"setting").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    HWND sheet = Open();
    Click(Page(sheet, 0), IDC_TIMEOUT_ENABLED);
    {
        ModalDriver box(L"CursorCadenceの設定", [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDOK, 0); }, sheet);
        Ok(sheet);
        EXPECT_TRUE(box.ran) << "a message says the save failed";
    }
    EXPECT_EQ(SheetWindow(), sheet);
    EXPECT_EQ(block().Get(Field::TimeoutMs), 500) << "every process sees the new values at once";
    held.reset();
    EXPECT_EQ(test::ReadWholeFile(folder / L"setting").size(), sizeof(old));
}

// The texts of a dialog's static controls, one after another.
std::wstring StaticTexts(HWND dialog) {
    std::wstring texts;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16] = L"", text[512] = L"";
        ::GetClassNameW(child, cls, 16);
        if (::lstrcmpiW(cls, L"Static") == 0 && ::GetWindowTextW(child, text, 512) > 0) texts += text;
    }
    return texts;
}

TEST_F(Sheet, AFailedSaveSaysWhyAndKeepsTheSheetOpenUntilASaveSucceeds) {
    // The user's own settings folder cannot be made: a file has its name.
    const std::wstring userFolder = folder / L"CursorCadence";
    const char junk = 'x';
    ASSERT_TRUE(test::WriteWholeFile(userFolder, &junk, 1));
    SettingsLocation location = BesideLocation(name.c_str(), userFolder.c_str());
    location.perUser = true;
    SettingsMapping own(location);
    ASSERT_TRUE(own.MapShared());
    ASSERT_TRUE(OpenSettingsSheet(GestureContext{&session, own.view(), nullptr, &browser, &own}));
    HWND sheet = SheetWindow();
    PumpFor(50);
    Click(Page(sheet, 0), IDC_TIMEOUT_ENABLED);
    Page(sheet, 2);  // the quick-move page, whose store goes to the same folder

    HWND boxOwner = nullptr;
    std::wstring text;
    {
        ModalDriver box(L"CursorCadenceの設定", [&](HWND dialog) {
            boxOwner = ::GetWindow(dialog, GW_OWNER);
            text = StaticTexts(dialog);
            test::SaveScreenshot(dialog, L"sheet-save-failed");
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }, sheet);
        Ok(sheet);
        EXPECT_TRUE(box.ran) << "a message appeared";
    }
    wchar_t reason[256] = L"";
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    ERROR_ALREADY_EXISTS, 0, reason, 256, nullptr);
    while (length > 0 && (reason[length - 1] == L'\r' || reason[length - 1] == L'\n')) reason[--length] = L'\0';
    EXPECT_EQ(boxOwner, sheet);
    EXPECT_EQ(text, std::wstring(L"設定を保存できませんでした。\n") + reason);
    EXPECT_EQ(SheetWindow(), sheet) << "the sheet stays open, nothing the user set is lost";
    EXPECT_TRUE(IsChecked(Page(sheet, 0), IDC_TIMEOUT_ENABLED));

    // With the way clear, the same OK makes the folder, saves and closes.
    ASSERT_TRUE(::DeleteFileW(userFolder.c_str()));
    Ok(sheet);
    EXPECT_EQ(SheetWindow(), nullptr);
    EXPECT_EQ(test::ReadWholeFile(userFolder + L"\\setting").size(), kSettingsBytes);
    EXPECT_TRUE(test::FileExists(userFolder + L"\\Links"));
}

TEST_F(Sheet, DefaultActionsPageMapsTheFourBits) {
    HWND page = Page(Open(), 3);
    for (int id : {IDC_ROCKER_BACK, IDC_ROCKER_FORWARD, IDC_CTRL_RELEASES_RIGHT, IDC_MIDDLE_CLICK_NEW_WINDOW}) {
        EXPECT_TRUE(IsChecked(page, id)) << id;
    }
    EXPECT_EQ(TextOf(page, IDC_SETTINGS_GESTURE_NOTE), L"・右-下-左 （コの字）  -->  ジェスチャーの設定");
    test::SaveScreenshot(SheetWindow(), L"sheet-4-default-actions");
    Click(page, IDC_CTRL_RELEASES_RIGHT);
    Ok(SheetWindow());
    EXPECT_EQ(block().Get(Field::DefaultActionFlags), 7);

    block().Set(Field::DefaultActionFlags, 0x1F);
    page = Page(Open(), 3);
    for (int id : {IDC_ROCKER_BACK, IDC_ROCKER_FORWARD, IDC_CTRL_RELEASES_RIGHT, IDC_MIDDLE_CLICK_NEW_WINDOW}) {
        EXPECT_TRUE(IsChecked(page, id)) << id;
    }
    Cancel(SheetWindow());
    EXPECT_EQ(block().Get(Field::DefaultActionFlags), 0x1F);
    Page(Open(), 3);
    Ok(SheetWindow());
    EXPECT_EQ(block().Get(Field::DefaultActionFlags), 15);
}

TEST_F(Sheet, AssignmentPageEditsAWorkingCopyThatReachesTheBlockOnOk) {
    HWND sheet = Open();
    HWND page = Page(sheet, 1);
    HWND list = ::GetDlgItem(page, IDC_ACTION_LIST);
    ASSERT_EQ(ListView_GetItemCount(list), 16) << "opened from a folder list: the Explorer list";
    EXPECT_EQ(Cell(list, 0, 0), L"ジェスチャーの設定");
    EXPECT_EQ(Cell(list, 0, 1), L"右-下-左");
    EXPECT_EQ(Cell(list, 12, 1), L"－");
    test::SaveScreenshot(sheet, L"sheet-2-assignment");

    SelectRows(list, {0});
    ListClick(page, IDC_ACTION_LIST);
    EXPECT_FALSE(IsEnabled(page, IDC_EDIT_GESTURE)) << "the settings gesture cannot be changed";
    SelectRows(list, {1});
    ListClick(page, IDC_ACTION_LIST);
    EXPECT_TRUE(IsEnabled(page, IDC_EDIT_GESTURE));

    std::wstring caption;
    {
        ModalDriver driver(L"ジェスチャーの変更", [&](HWND dialog) {
            caption = TextOf(dialog, IDC_EDIT_CAPTION);
            test::SaveScreenshot(dialog, L"dialog-gesture-edit");
            for (int id : {IDC_DIRECTION_UP, IDC_DIRECTION_UP, IDC_DIRECTION_RIGHT}) Click(dialog, id);
            Click(dialog, IDOK);
        });
        Click(page, IDC_EDIT_GESTURE);
        EXPECT_TRUE(driver.ran);
    }
    EXPECT_EQ(caption, L"選択： 戻る  -->  左");
    EXPECT_EQ(Cell(list, 1, 1), L"上-右");

    // Several rows selected: the lowest other than row 0 is edited; none: nothing.
    SelectRows(list, {0, 4, 9});
    {
        ModalDriver driver(L"ジェスチャーの変更", [&](HWND dialog) { Click(dialog, IDOK); });
        Click(page, IDC_EDIT_GESTURE);
    }
    EXPECT_EQ(Cell(list, 4, 1), L"－") << "no strokes: the action is left without a gesture";

    HWND combo = ::GetDlgItem(page, IDC_HOST_CHOICE);
    ::SendMessageW(combo, CB_SETCURSEL, 1, 0);
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_HOST_CHOICE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    ASSERT_EQ(ListView_GetItemCount(list), 29);
    for (int k = 0; k < 29; ++k) {
        const std::wstring name = Cell(list, k, 0);
        const bool marked = name.size() > 0 && name.back() == L'＊';
        EXPECT_EQ(marked, k >= 11 && k <= 17) << k;
    }
    EXPECT_EQ(Cell(list, 11, 0), L"新規タブ＊");
    SelectRows(list, {});
    Click(page, IDC_EDIT_GESTURE);  // nothing selected after the switch: nothing happens
    ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_HOST_CHOICE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(Cell(list, 1, 1), L"上-右") << "edits survive host switches";

    Ok(sheet);
    const Gesture back = block().ReadGesture(ActionList::Explorer, 1);
    EXPECT_EQ(back.count, 2);
    EXPECT_EQ(back.strokes[0], StrokeUp);
    EXPECT_EQ(back.strokes[1], StrokeRight);
    EXPECT_EQ(block().ReadGesture(ActionList::Explorer, 4).count, 0);
    EXPECT_EQ(block().ReadGesture(ActionList::Browser, 1).count, 1) << "the browser list was not edited";
}

TEST_F(Sheet, TextTypedAtTheHostChoiceDoesNotLoseTheNextGesture) {
    HWND sheet = Open();
    HWND page = Page(sheet, 1);
    HWND combo = ::GetDlgItem(page, IDC_HOST_CHOICE);
    ::SetForegroundWindow(sheet);
    ::SetFocus(combo);
    test::Input input;
    for (WORD key : {WORD{'X'}, WORD{'Y'}}) {
        input.KeyDown(key);
        input.KeyUp(key);
    }
    PumpFor(50);
    EXPECT_EQ(::SendMessageW(combo, CB_GETCURSEL, 0, 0), 0) << "the host shown stays chosen";

    HWND list = ::GetDlgItem(page, IDC_ACTION_LIST);
    SelectRows(list, {1});
    ListClick(page, IDC_ACTION_LIST);
    {
        ModalDriver driver(L"ジェスチャーの変更", [&](HWND dialog) {
            Click(dialog, IDC_DIRECTION_DOWN);
            Click(dialog, IDOK);
        });
        Click(page, IDC_EDIT_GESTURE);
        EXPECT_TRUE(driver.ran);
    }
    EXPECT_EQ(Cell(list, 1, 1), L"下");
    Ok(sheet);
    EXPECT_EQ(block().ReadGesture(ActionList::Explorer, 1).count, 1);
    EXPECT_EQ(block().ReadGesture(ActionList::Explorer, 1).strokes[0], StrokeDown);
}

TEST_F(Sheet, OpenedFromAPageTheAssignmentPageShowsTheBrowserList) {
    session.ViewKind = ViewWeb;
    HWND page = Page(Open(), 1);
    EXPECT_EQ(ListView_GetItemCount(::GetDlgItem(page, IDC_ACTION_LIST)), 29);
    EXPECT_EQ(::SendDlgItemMessageW(page, IDC_HOST_CHOICE, CB_GETCURSEL, 0, 0), 1);
}

TEST(GestureEditDialog, TheFiveStrokeRulesAndBackspace) {
    CGestureEditDlg dialog;
    dialog.SetCaption(L"戻る", L"左");
    std::wstring afterTwoUps, full, afterBs, afterIgnored;
    bool directionsDisabledWhenFull = false, enabledAfterBs = false;
    ModalDriver driver(L"ジェスチャーの変更", [&](HWND d) {
        Click(d, IDC_DIRECTION_UP);
        Click(d, IDC_DIRECTION_UP);
        afterTwoUps = TextOf(d, IDC_NEW_GESTURE);
        for (int id : {IDC_DIRECTION_RIGHT, IDC_DIRECTION_UP, IDC_DIRECTION_RIGHT, IDC_DIRECTION_UP}) Click(d, id);
        full = TextOf(d, IDC_NEW_GESTURE);
        directionsDisabledWhenFull = !IsEnabled(d, IDC_DIRECTION_UP) && !IsEnabled(d, IDC_DIRECTION_LEFT);
        Click(d, IDC_BACKSPACE);
        afterBs = TextOf(d, IDC_NEW_GESTURE);
        enabledAfterBs = IsEnabled(d, IDC_DIRECTION_DOWN);
        Click(d, IDC_BACKSPACE);
        Click(d, IDC_DIRECTION_UP);  // the last remaining stroke is already up
        afterIgnored = TextOf(d, IDC_NEW_GESTURE);
        Click(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(afterTwoUps, L"上");
    EXPECT_EQ(full, L"上-右-上-右-上");
    EXPECT_TRUE(directionsDisabledWhenFull);
    EXPECT_EQ(afterBs, L"上-右-上-右");
    EXPECT_TRUE(enabledAfterBs);
    EXPECT_EQ(afterIgnored, L"上-右-上");
    Gesture g;
    int32_t count = -1;
    EXPECT_EQ(dialog.GetGesture(g, count), 3);
    EXPECT_EQ(count, 3);
}

TEST(GestureEditDialog, BackspaceOnNothingAndCancel) {
    CGestureEditDlg dialog;
    std::wstring text = L"x";
    ModalDriver driver(L"ジェスチャーの変更", [&](HWND d) {
        Click(d, IDC_BACKSPACE);
        text = TextOf(d, IDC_NEW_GESTURE);
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(text, L"");
}

// Moved to a monitor of another scale, the gesture dialog takes the rectangle it is offered
// and keeps working.
TEST(GestureEditDialog, MovedToAnotherScaleTakesTheOfferedRectangle) {
    CGestureEditDlg dialog;
    bool takesTheRect = false;
    std::wstring text;
    ModalDriver driver(L"ジェスチャーの変更", [&](HWND d) {
        const UINT from = WindowDpi(d);
        const RECT suggested = SendDpiChanged(d, from, OtherDpi(from));
        RECT now{};
        ::GetWindowRect(d, &now);
        takesTheRect = SameRect(now, suggested);
        Click(d, IDC_DIRECTION_LEFT);
        text = TextOf(d, IDC_NEW_GESTURE);
        Click(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_TRUE(takesTheRect);
    EXPECT_EQ(text, L"左");
}

// The colour picker's button faces, read back from their bitmaps.
COLORREF FacePixel(HWND dialog, int k, int x, int y) {
    HBITMAP face = reinterpret_cast<HBITMAP>(
        ::SendDlgItemMessageW(dialog, IDC_FIRST_COLOUR + k, BM_GETIMAGE, IMAGE_BITMAP, 0));
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    select_object_scope selected(dc.get(), face);
    return ::GetPixel(dc.get(), x, y);
}

TEST(TrailColourPicker, MarksTheOpeningColourAndFollowsClicks) {
    CTrailColourDlg picker;
    picker.SetColour(RGB(51, 204, 255));
    std::wstring opening, afterWhite;
    COLORREF markOn32 = 0, fillOf32 = 0, markOn0 = 0;
    ModalDriver driver(L"軌跡の色の選択", [&](HWND d) {
        opening = TextOf(d, IDC_COLOUR_VALUE);
        markOn32 = FacePixel(d, 32, 3, 3);
        fillOf32 = FacePixel(d, 32, 10, 10);
        markOn0 = FacePixel(d, 0, 3, 3);
        test::SaveScreenshot(d, L"dialog-trail-colour");
        Click(d, IDC_FIRST_COLOUR + 0);
        afterWhite = TextOf(d, IDC_COLOUR_VALUE);
        Click(d, IDC_FIRST_COLOUR + 8);
        Click(d, IDOK);
    });
    EXPECT_EQ(picker.DoModal(nullptr), IDOK);
    EXPECT_EQ(opening, L"RGB : (  51, 204, 255 )");
    EXPECT_EQ(markOn32, RGB(0, 0, 0)) << "the dotted mark on colour 32";
    EXPECT_EQ(fillOf32, RGB(51, 204, 255));
    EXPECT_EQ(markOn0, RGB(255, 255, 255)) << "no mark elsewhere";
    EXPECT_EQ(afterWhite, L"RGB : ( 255, 255, 255 )");
    EXPECT_EQ(picker.GetColour(), RGB(255, 0, 0)) << "the last colour clicked";
}

TEST(TrailColourPicker, CancelAndAColourOutsideThePalette) {
    CTrailColourDlg picker;
    picker.SetColour(RGB(1, 2, 3));
    std::wstring text;
    bool anyMark = false;
    ModalDriver driver(L"軌跡の色の選択", [&](HWND d) {
        text = TextOf(d, IDC_COLOUR_VALUE);
        for (int k = 0; k < kTrailPaletteSize; ++k) anyMark = anyMark || FacePixel(d, k, 3, 3) == RGB(0, 0, 0);
        Click(d, IDC_FIRST_COLOUR + 5);
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(picker.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(text, L"RGB : (   1,   2,   3 )");
    EXPECT_FALSE(anyMark);
}

// Moved to a monitor of another scale, the picker takes the rectangle it is offered and
// draws its 48 faces again at the size of their buttons, with the mark inset at the new DPI.
TEST(TrailColourPicker, MovedToAnotherScaleRebuildsItsFaces) {
    CTrailColourDlg picker;
    picker.SetColour(RGB(51, 204, 255));  // colour 32
    bool rebuilt = false, takesTheRect = false;
    std::vector<std::pair<int, int>> faces, buttons;
    COLORREF markAtNewInset = 0, insideTheMark = 0;
    UINT to = 0;
    ModalDriver driver(L"軌跡の色の選択", [&](HWND d) {
        const UINT from = WindowDpi(d);
        to = OtherDpi(from);
        // What the dialog manager does to the buttons on such a move.
        for (int k = 0; k < kTrailPaletteSize; ++k) {
            HWND button = ::GetDlgItem(d, IDC_FIRST_COLOUR + k);
            RECT r{};
            ::GetWindowRect(button, &r);
            ::SetWindowPos(button, nullptr, 0, 0, ::MulDiv(r.right - r.left, static_cast<int>(to), static_cast<int>(from)),
                           ::MulDiv(r.bottom - r.top, static_cast<int>(to), static_cast<int>(from)),
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        const RECT suggested = SendDpiChanged(d, from, to);
        HWND last = ::GetDlgItem(d, IDC_FIRST_COLOUR + kTrailPaletteSize - 1);
        rebuilt = PumpUntil([&] { return ImageSize(d, IDC_FIRST_COLOUR + kTrailPaletteSize - 1) == ClientSize(last); },
                            2000);
        RECT now{};
        ::GetWindowRect(d, &now);
        takesTheRect = SameRect(now, suggested);
        for (int k = 0; k < kTrailPaletteSize; ++k) {
            faces.push_back(ImageSize(d, IDC_FIRST_COLOUR + k));
            buttons.push_back(ClientSize(::GetDlgItem(d, IDC_FIRST_COLOUR + k)));
        }
        const int inset = ScaleForDpi(3, to);
        markAtNewInset = FacePixel(d, 32, inset, inset);
        insideTheMark = FacePixel(d, 32, inset + 2, inset + 2);
        Click(d, IDOK);
    });
    EXPECT_EQ(picker.DoModal(nullptr), IDOK);
    ASSERT_TRUE(driver.ran);
    EXPECT_TRUE(rebuilt);
    EXPECT_TRUE(takesTheRect) << "the suggested rectangle";
    EXPECT_EQ(faces, buttons) << "every face as large as its button at " << to;
    EXPECT_EQ(markAtNewInset, RGB(0, 0, 0)) << "the mark inset for " << to;
    EXPECT_EQ(insideTheMark, RGB(51, 204, 255));
    EXPECT_EQ(picker.GetColour(), RGB(51, 204, 255));
}

TEST_F(Sheet, ChoosingAColourThenCancellingTheSheetKeepsTheBlocksColour) {
    HWND page = Page(Open(), 0);
    {
        ModalDriver driver(L"軌跡の色の選択", [&](HWND d) {
            Click(d, IDC_FIRST_COLOUR + 8);
            Click(d, IDOK);
        });
        Click(page, IDC_TRAIL_COLOUR);
        EXPECT_TRUE(driver.ran);
    }
    Cancel(SheetWindow());
    EXPECT_EQ(block().Get(Field::TrailColorR), 51);
    page = Page(Open(), 0);
    {
        ModalDriver driver(L"軌跡の色の選択", [&](HWND d) {
            Click(d, IDC_FIRST_COLOUR + 8);
            Click(d, IDOK);
        });
        Click(page, IDC_TRAIL_COLOUR);
    }
    Ok(SheetWindow());
    EXPECT_EQ(block().Get(Field::TrailColorR), 255);
    EXPECT_EQ(block().Get(Field::TrailColorG), 0);
    EXPECT_EQ(block().Get(Field::TrailColorB), 0);
}

class QuickMove : public Sheet {
protected:
    // Three real folders in the store, written as the page writes them.
    void Store(std::initializer_list<const wchar_t*> paths) {
        QuickMoveFolders folders;
        for (const wchar_t* path : paths) {
            PIDLIST_ABSOLUTE pidl = nullptr;
            ASSERT_TRUE(SUCCEEDED(::SHParseDisplayName(path, nullptr, &pidl, 0, nullptr)));
            folders.Append(pidl);
        }
        WriteQuickMoveStore(folder.path().c_str(), folders);
    }
    std::vector<std::wstring> Links() { return test::ListFolder(folder / L"Links"); }
};

TEST_F(QuickMove, WithoutAStoreTheListIsEmptyAndApplyCreatesIt) {
    block().Set(Field::BrowserWheelAction, 2);
    HWND page = Page(Open(), 2);
    EXPECT_EQ(ListView_GetItemCount(::GetDlgItem(page, IDC_FOLDER_LIST)), 0);
    EXPECT_TRUE(IsChecked(page, IDC_EXPLORER_QUICK_MOVE));
    EXPECT_TRUE(IsChecked(page, IDC_IE_SCROLL));
    EXPECT_FALSE(IsEnabled(page, IDC_FOLDER_DELETE));
    Ok(SheetWindow());
    EXPECT_TRUE(test::FileExists(folder / L"Links"));
    EXPECT_TRUE(Links().empty());
    EXPECT_EQ(block().Get(Field::BrowserWheelAction), 2);
}

TEST_F(QuickMove, ListDeleteMoveAndApply) {
    Store({L"C:\\windows", L"C:\\windows\\system32", L"C:\\users"});
    HWND page = Page(Open(), 2);
    HWND list = ::GetDlgItem(page, IDC_FOLDER_LIST);
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(Cell(list, 0, 1), L"C:\\windows");
    EXPECT_EQ(Cell(list, 1, 1), L"C:\\windows\\system32");
    test::SaveScreenshot(SheetWindow(), L"sheet-3-quick-move");

    SelectRows(list, {0});
    ListClick(page, IDC_FOLDER_LIST);
    EXPECT_TRUE(IsEnabled(page, IDC_FOLDER_UP));
    Click(page, IDC_FOLDER_UP);  // row 0 cannot go up
    EXPECT_EQ(Cell(list, 0, 1), L"C:\\windows");
    Click(page, IDC_FOLDER_DOWN);
    EXPECT_EQ(Cell(list, 1, 1), L"C:\\windows");
    EXPECT_TRUE(ListView_GetItemState(list, 1, LVIS_SELECTED) & LVIS_SELECTED);
    SelectRows(list, {0, 2});
    ListClick(page, IDC_FOLDER_LIST);
    EXPECT_TRUE(IsEnabled(page, IDC_FOLDER_DELETE));
    EXPECT_FALSE(IsEnabled(page, IDC_FOLDER_UP));
    SelectRows(list, {0});
    Click(page, IDC_FOLDER_DELETE);
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(Cell(list, 0, 1), L"C:\\windows");
    EXPECT_TRUE(ListView_GetItemState(list, 0, LVIS_SELECTED) & LVIS_SELECTED);

    Click(page, IDC_EXPLORER_NOTHING);
    EXPECT_FALSE(IsEnabled(page, IDC_FOLDER_LIST));
    EXPECT_FALSE(IsEnabled(page, IDC_FOLDER_ADD));
    Click(page, IDC_EXPLORER_QUICK_MOVE);
    EXPECT_TRUE(IsEnabled(page, IDC_FOLDER_LIST));
    Click(page, IDC_IE_NOTHING);
    EXPECT_FALSE(IsChecked(page, IDC_IE_HISTORY));
    Ok(SheetWindow());
    EXPECT_EQ(Links(), (std::vector<std::wstring>{L"00.lnk", L"01.lnk"}));
    EXPECT_EQ(block().Get(Field::BrowserWheelAction), 0);
    EXPECT_EQ(block().Get(Field::ExplorerWheelAction), 1);

    QuickMoveFolders stored;
    ReadQuickMoveStore(folder.path().c_str(), stored);
    ASSERT_EQ(stored.count(), 2u);
    wchar_t path[MAX_PATH];
    ::SHGetPathFromIDListW(stored.at(0), path);
    EXPECT_STREQ(path, L"C:\\windows");
}

// The folder browser "追加" opens: found by its owner, pointed at a folder, confirmed.
struct FolderBrowserDriver {
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND browse = ::GetWindow(::GetDesktopWindow(), GW_CHILD);
        for (; browse; browse = ::GetWindow(browse, GW_HWNDNEXT)) {
            // A dialog owned by a child window is owned by that window's top-level window.
            HWND by = ::GetWindow(browse, GW_OWNER);
            if ((by == owner || by == ::GetAncestor(owner, GA_ROOT)) && ::IsWindowVisible(browse)) break;
        }
        if (!browse) return;
        ::KillTimer(nullptr, id);
        ::SendMessageW(browse, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path));
        PumpFor(100);
        ran = true;
        ::SendMessageW(browse, WM_COMMAND, IDOK, 0);
    }
    static inline HWND owner = nullptr;
    static inline const wchar_t* path = nullptr;
    static inline bool ran = false;
};

TEST_F(QuickMove, AddingTheDocumentsFolderStoresTheSpecialItem) {
    HWND page = Page(Open(), 2);
    unique_pidl documents;
    ASSERT_TRUE(SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, documents.put())));
    wchar_t documentsPath[MAX_PATH] = L"";
    ::SHGetPathFromIDListW(documents.get(), documentsPath);
    FolderBrowserDriver::owner = page;
    FolderBrowserDriver::path = documentsPath;
    FolderBrowserDriver::ran = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &FolderBrowserDriver::Tick);
    Click(page, IDC_FOLDER_ADD);
    ::KillTimer(nullptr, timer);
    ASSERT_TRUE(FolderBrowserDriver::ran);
    HWND list = ::GetDlgItem(page, IDC_FOLDER_LIST);
    ASSERT_EQ(ListView_GetItemCount(list), 1);
    std::wstring shown = Cell(list, 0, 1), expected = documentsPath;
    for (std::wstring* p : {&shown, &expected}) {
        if (!p->empty() && p->back() == L'\\') p->pop_back();
    }
    EXPECT_EQ(shown, expected) << "the full path still shows";
    EXPECT_TRUE(IsEnabled(page, IDC_FOLDER_DELETE));
    Ok(SheetWindow());
    QuickMoveFolders stored;
    ReadQuickMoveStore(folder.path().c_str(), stored);
    ASSERT_EQ(stored.count(), 1u);
    EXPECT_TRUE(::ILIsEqual(stored.at(0), documents.get())) << "the special documents item, not a plain path";
}

TEST_F(QuickMove, AVirtualFolderShowsNoPathAndReadingStopsAt64) {
    QuickMoveFolders many;
    for (int i = 0; i < 70; ++i) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (i == 0) {
            ::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidl);
        } else {
            ::SHParseDisplayName(L"C:\\windows", nullptr, &pidl, 0, nullptr);
        }
        if (!many.Append(pidl)) break;
    }
    EXPECT_EQ(many.count(), 64u);
    WriteQuickMoveStore(folder.path().c_str(), many);
    // Six more shortcuts than the page holds.
    for (int i = 64; i < 70; ++i) {
        wchar_t from[MAX_PATH], to[MAX_PATH];
        std::swprintf(to, MAX_PATH, L"%s\\Links\\%02d.lnk", folder.path().c_str(), i);
        std::swprintf(from, MAX_PATH, L"%s\\Links\\01.lnk", folder.path().c_str());
        ::CopyFileW(from, to, FALSE);
    }
    HWND page = Page(Open(), 2);
    HWND list = ::GetDlgItem(page, IDC_FOLDER_LIST);
    EXPECT_EQ(ListView_GetItemCount(list), 64);
    EXPECT_EQ(Cell(list, 0, 1), L"－");
    EXPECT_FALSE(IsEnabled(page, IDC_FOLDER_ADD)) << "no room for a 65th folder";
}

}  // namespace
}  // namespace cc

namespace cc {
namespace {

// End to end: the settings gesture drawn in an attached folder window opens the sheet,
// and drawing it again while the sheet is open does nothing.
TEST(SettingsGesture, RightDownLeftOpensTheSheetOnce) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        test::SharedSettings shared;
        test::AttachedView v({L"SHELLDLL_DefView", WC_LISTVIEWW}, test::kViewFrame, 1);
        test::Input input;
        auto draw = [&] {
            RECT r{};
            ::GetWindowRect(v.window.view(), &r);
            const POINT p{r.left + 150, r.top + 100};
            input.MoveTo(p.x, p.y);
            input.RightDown();
            for (POINT o : {POINT{20, 0}, POINT{80, 0}, POINT{80, 80}, POINT{0, 80}}) input.MoveTo(p.x + o.x, p.y + o.y);
            input.RightUp();
        };
        draw();
        ASSERT_TRUE(PumpUntil([] { return SheetWindow() != nullptr; }, 2000));
        HWND first = SheetWindow();
        EXPECT_EQ(::GetWindow(first, GW_OWNER), v.window.frame());
        draw();
        EXPECT_EQ(SheetWindow(), first);
        ::SendMessageW(first, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(SheetWindow(), nullptr);
    }
    ::CoUninitialize();
}

}  // namespace
}  // namespace cc
