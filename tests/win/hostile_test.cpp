// Input the product cannot trust, from outside the process and from the browser: a
// shared block that another process keeps rewriting while gestures are drawn, event
// argument blocks of every shape, sites that answer nothing or lie, and a "Links"
// folder of broken shortcuts. Nothing may crash, hang or misbehave.
//
// The program doubles as the rewriting process: "--rewrite <name> <stop event> <seed>".
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "attach/instance_list.h"
#include "attach/mouse_hook.h"
#include "attached_view.h"
#include "settings/quick_move_store.h"
#include "launch_recorder.h"
#include "menu_driver.h"
#include "menus/wheel_menus.h"
#include "process_util.h"
#include "stress.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

using test::AttachedView;
using test::Input;
using test::PumpFor;
using test::PumpUntil;
using test::Rng;

const std::initializer_list<const wchar_t*> kFolderPath{L"SHELLDLL_DefView", WC_LISTVIEWW};
const std::initializer_list<const wchar_t*> kTabbedPagePath{L"TabWindowClass", L"Shell DocObject View",
                                                           L"Internet Explorer_Server"};
constexpr wchar_t kStopEventName[] = L"CursorCadenceHostileTest.Stop";

// ---------------------------------------------------------------------------------------
// The rewriting process.

// Values that sit on the edges of what the readers check, mixed with plain noise.
int32_t EdgeValue(Rng& rng) {
    static constexpr int32_t kEdges[] = {0, 1, -1, 2, 3, 4, 5, 6, 7, 15, 16, 255, 256, 1000, 65535,
                                         INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};
    return rng.Chance(70) ? kEdges[rng.Below(std::size(kEdges))] : static_cast<int32_t>(rng.Next());
}

void Scribble(volatile int32_t* block, Rng& rng) {
    switch (rng.Below(3)) {
    case 0:  // pure noise
        for (int i = 0; i < kSettingsInts; ++i) block[i] = static_cast<int32_t>(rng.Next());
        break;
    case 1:  // counts and codes near their ranges, so gestures really match
        for (int i = 0; i < kSettingsInts; ++i) {
            const bool count = (i >= kExplorerCountBase && i < kExplorerEntryBase) ||
                               (i >= kBrowserCountBase && i < kBrowserEntryBase);
            if (i < kHeaderInts) {
                block[i] = EdgeValue(rng);
            } else if (count) {
                block[i] = rng.Between(-2, 7);
            } else {
                block[i] = rng.Between(-1, 4);
            }
        }
        break;
    default:  // one integer at a time, anywhere
        for (int n = 0; n < 64; ++n) block[rng.Below(kSettingsInts)] = EdgeValue(rng);
        break;
    }
}

int RewriteMain(int argc, char** argv) {
    if (argc < 5) return 2;
    wchar_t name[64], stopName[128];
    ::MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, name, 64);
    ::MultiByteToWideChar(CP_UTF8, 0, argv[3], -1, stopName, 128);
    Rng rng(std::strtoull(argv[4], nullptr, 10));
    unique_handle stop(::OpenEventW(SYNCHRONIZE, FALSE, stopName));
    unique_handle mapping(::OpenFileMappingW(FILE_MAP_WRITE, FALSE, name));
    if (!stop || !mapping) return 3;
    unique_mapped_view view(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, kSettingsBytes));
    if (!view) return 4;
    auto* block = static_cast<volatile int32_t*>(view.get());
    long passes = 0;
    // A minute at most, whatever the parent does.
    const ULONGLONG deadline = ::GetTickCount64() + 60000 * static_cast<ULONGLONG>(test::StressScale());
    while (::WaitForSingleObject(stop.get(), 0) == WAIT_TIMEOUT && ::GetTickCount64() < deadline) {
        Scribble(block, rng);
        ++passes;
        if (passes % 64 == 0) ::Sleep(0);
    }
    std::printf("rewrites: %ld\n", passes);
    return 0;
}

// ---------------------------------------------------------------------------------------

class Hostile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { ::CoUninitialize(); }
    test::SharedSettings settings;
    test::LaunchRecorder launches;
    Input input;
};

BOOL CALLBACK DestroyIfDialog(HWND window, LPARAM) {
    wchar_t cls[16] = L"";
    ::GetClassNameW(window, cls, 16);
    if (std::wcscmp(cls, L"#32770") == 0) ::DestroyWindow(window);
    return TRUE;
}

// Undoes what an action bound by a scribbled block may have done to the test's window:
// a settings sheet opened, the frame minimised or maximised.
void PutBack(const AttachedView& v, const RECT& frame) {
    ::EnumThreadWindows(::GetCurrentThreadId(), DestroyIfDialog, 0);
    if (::IsIconic(v.window.frame()) || ::IsZoomed(v.window.frame())) ::ShowWindow(v.window.frame(), SW_RESTORE);
    ::SetWindowPos(v.window.frame(), HWND_TOP, frame.left, frame.top, frame.right - frame.left,
                   frame.bottom - frame.top, SWP_SHOWWINDOW);
    ::SetForegroundWindow(v.window.frame());
}

bool RightClickIsReplayed(HWND view, test::MouseLog& log) {
    RECT r{};
    ::GetWindowRect(view, &r);
    Input input;
    input.MoveTo(r.left + 40, r.bottom - 40);
    log.Clear();
    input.RightDown();
    input.RightUp();
    return PumpUntil([&] { return log.Count(WM_RBUTTONUP) == 1; }, 2000);
}

class SharedBlockUnderAttack : public Hostile, public ::testing::WithParamInterface<bool> {};

TEST_P(SharedBlockUnderAttack, GesturesDrawnAndReleasedWhileAnotherProcessScribblesOnTheBlock) {
    const bool folder = GetParam();
    AttachedView v(folder ? kFolderPath : kTabbedPagePath, test::kViewFrame, folder ? 3 : 0);
    ASSERT_EQ(v.attachResult, S_OK);
    test::MouseLog log(v.window.view());
    RECT frame{};
    ::GetWindowRect(v.window.frame(), &frame);

    unique_handle stop(::CreateEventW(nullptr, TRUE, FALSE, kStopEventName));
    const uint64_t seed = ::GetTickCount64();
    unique_handle child = test::StartProcess(L"\"" + test::ProgramPath() + L"\" --rewrite " + kSharedSettingsName +
                                             L" " + kStopEventName + L" " + std::to_wstring(seed));
    ASSERT_TRUE(child);

    Rng rng(seed);
    const int gestures = 40 * test::StressScale();
    ULONGLONG slowest = 0;
    for (int g = 0; g < gestures; ++g) {
        const ULONGLONG started = ::GetTickCount64();
        RECT r{};
        ::GetWindowRect(v.window.view(), &r);
        const POINT center{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        POINT p{center.x + rng.Between(-60, 60), center.y + rng.Between(-60, 60)};
        input.MoveTo(p.x, p.y);
        input.RightDown();
        const int strokes = rng.Between(0, 6);
        for (int k = 0; k < strokes; ++k) {
            static constexpr POINT kSteps[] = {{0, -35}, {35, 0}, {0, 35}, {-35, 0}};
            const POINT step = kSteps[rng.Below(4)];
            for (int part = 1; part <= 2; ++part) input.MoveTo(p.x + step.x * part / 2, p.y + step.y * part / 2);
            p = {p.x + step.x, p.y + step.y};
        }
        input.RightUp();
        // The strokes may have left the window: the release then went to another program,
        // and the gesture ends at the first move back over the view.
        if (v.session().Tracking) PumpFor(120);  // the way back takes a moment
        input.MoveTo(center.x, center.y);
        ASSERT_TRUE(PumpUntil([&] { return v.session().Tracking == 0; }, 3000)) << "gesture " << g << " seed " << seed;
        PutBack(v, frame);
        slowest = std::max(slowest, ::GetTickCount64() - started);
    }
    ::SetEvent(stop.get());
    EXPECT_EQ(test::WaitForExit(child, 10000), 0);
    std::printf("%d gestures against a scribbled block, slowest %llu ms (seed %llu)\n", gestures,
                static_cast<unsigned long long>(slowest), static_cast<unsigned long long>(seed));

    // Still attached and still working once the block is sane again.
    ApplyDefaults(settings.view());
    PutBack(v, frame);
    EXPECT_EQ(InstanceList::Find(::GetCurrentThreadId()), v.core());
    EXPECT_TRUE(RightClickIsReplayed(v.window.view(), log));
}

INSTANTIATE_TEST_SUITE_P(FolderAndPage, SharedBlockUnderAttack, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "FolderList" : "TabbedPage"; });

// ---------------------------------------------------------------------------------------
// Event argument blocks of every shape.

// Owns everything the random arguments point to.
class ArgumentStore {
public:
    ~ArgumentStore() {
        for (BSTR s : strings_) ::SysFreeString(s);
    }
    BSTR Text(Rng& rng) {
        static constexpr size_t kLengths[] = {0, 1, 8, 40, 259, 260, 261, 2048, 70000};
        static constexpr const wchar_t* kPrefixes[] = {L"", L"file:///", L"http://", L"file:///C:/", L"\\\\"};
        static constexpr wchar_t kChars[] = {L'a', L'/', L'\\', L'%', L'2', L'0', L':', L'"', L' ', L'.',
                                             0, 0xD800, 0xFFFF, 0x3042};
        if (rng.Chance(10)) return nullptr;
        std::wstring text = kPrefixes[rng.Below(std::size(kPrefixes))];
        const size_t length = kLengths[rng.Below(std::size(kLengths))];
        while (text.size() < length) text.push_back(kChars[rng.Below(std::size(kChars))]);
        BSTR s = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        strings_.push_back(s);
        return s;
    }
    VARIANT Flat(Rng& rng) {
        VARIANT v;
        ::VariantInit(&v);
        switch (rng.Below(6)) {
        case 0: break;
        case 1: v.vt = VT_NULL; break;
        case 2: v.vt = VT_I4; v.lVal = static_cast<LONG>(rng.Next()); break;
        case 3: v.vt = VT_BOOL; v.boolVal = VARIANT_TRUE; break;
        case 4: v.vt = VT_DISPATCH; v.pdispVal = nullptr; break;
        default: v.vt = VT_BSTR; v.bstrVal = Text(rng); break;
        }
        return v;
    }
    VARIANT Argument(Rng& rng) {
        VARIANT v;
        ::VariantInit(&v);
        switch (rng.Below(5)) {
        case 0:
        case 1:
            return Flat(rng);
        case 2:
            v.vt = VT_BYREF | VT_VARIANT;
            if (!rng.Chance(15)) {
                inner_.push_back(std::make_unique<VARIANT>(Flat(rng)));
                v.pvarVal = inner_.back().get();
            }
            return v;
        case 3:
            v.vt = VT_BYREF | VT_BOOL;
            if (!rng.Chance(15)) {
                bools_.push_back(std::make_unique<VARIANT_BOOL>(VARIANT_FALSE));
                v.pboolVal = bools_.back().get();
            }
            return v;
        default:
            v.vt = static_cast<VARTYPE>(VT_ARRAY | VT_UI1);
            v.parray = nullptr;
            return v;
        }
    }

private:
    std::vector<BSTR> strings_;
    std::vector<std::unique_ptr<VARIANT>> inner_;
    std::vector<std::unique_ptr<VARIANT_BOOL>> bools_;
};

TEST_F(Hostile, EventBlocksOfEveryShapeAreIgnoredOrHandledSafely) {
    AttachedView v(kFolderPath, test::kViewFrame, 3);
    ASSERT_EQ(v.attachResult, S_OK);
    test::MouseLog log(v.window.view());  // swallows the replayed left clicks
    IDispatch* sink = v.browser.sink();
    ASSERT_NE(sink, nullptr);
    MOUSEHOOKSTRUCT middle{};
    middle.hwnd = v.window.view();
    middle.pt = v.window.ViewCenter();

    const uint64_t seed = ::GetTickCount64();
    Rng rng(seed);
    static constexpr DISPID kIds[] = {DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE,
                                      DISPID_STATUSTEXTCHANGE, DISPID_NEWWINDOW2, DISPID_TITLECHANGE, 0, -1,
                                      0x7FFFFFFF};
    const int rounds = 3000 * test::StressScale();
    int parsed = 0;
    for (int n = 0; n < rounds; ++n) {
        // Half the time a middle click has armed the new-window path, so the block is read.
        if (rng.Chance(50)) {
            MouseHookProc(HC_ACTION, WM_MBUTTONDOWN, reinterpret_cast<LPARAM>(&middle));
            MouseHookProc(HC_ACTION, WM_MBUTTONUP, reinterpret_cast<LPARAM>(&middle));
            parsed += v.session().NewWindowPending;
        }
        ArgumentStore store;
        const UINT count = rng.Chance(50) ? 7 : rng.Below(12);
        std::vector<VARIANT> args(count + 1);
        for (UINT i = 0; i < count; ++i) args[i] = store.Argument(rng);
        std::vector<DISPID> named(count + 1, DISPID_UNKNOWN);
        DISPPARAMS p{};
        p.cArgs = count;
        p.rgvarg = (count > 0 && rng.Chance(5)) ? nullptr : args.data();
        p.cNamedArgs = count ? rng.Below(count + 1) : 0;
        p.rgdispidNamedArgs = rng.Chance(20) ? nullptr : named.data();
        const DISPID id = rng.Chance(70) ? DISPID_BEFORENAVIGATE2 : kIds[rng.Below(std::size(kIds))];
        const HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &p, nullptr, nullptr,
                                        nullptr);
        ASSERT_TRUE(hr == S_OK || hr == E_INVALIDARG) << std::hex << hr << " round " << std::dec << n << " seed "
                                                      << seed;
        if (id == DISPID_BEFORENAVIGATE2) {
            EXPECT_EQ(v.session().NewWindowPending, 0) << "every BeforeNavigate2 consumes the armed click";
        } else {
            MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&middle));  // disarms
        }
    }
    std::printf("%d event blocks (%d read by the new-window path), %zu windows opened, seed %llu\n", rounds, parsed,
                launches.launches().size(), static_cast<unsigned long long>(seed));
    for (const test::Launch& l : launches.launches()) {
        EXPECT_LE(l.parameters.size(), 32768u) << "a command line never exceeds what Windows takes";
    }
    EXPECT_EQ(InstanceList::Find(::GetCurrentThreadId()), v.core());
}

// ---------------------------------------------------------------------------------------
// Sites that break COM's rules.

// Answers "success" without an interface for everything but IUnknown.
class LyingSite final : public IUnknown {
public:
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown) {
            *out = this;
            AddRef();
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST_F(Hostile, ASiteThatClaimsEveryInterfaceButGivesNoneLeavesTheObjectInactive) {
    test::HostWindow window(kFolderPath, test::kViewFrame, 3);
    LyingSite site;
    ComPtr<IObjectWithSite> object;
    ASSERT_EQ(CGestureCore::Create(IID_PPV_ARGS(&object)), S_OK);
    EXPECT_EQ(object->SetSite(&site), S_OK);
    EXPECT_EQ(InstanceList::Count(), 0u);
    EXPECT_EQ(object->SetSite(nullptr), S_OK);
    object.Reset();
    EXPECT_EQ(site.refs, 1);
}

TEST_F(Hostile, ABrowserThatLiesAboutItsOtherInterfacesStillGetsGesturesAndNoEvents) {
    test::HostWindow window(kTabbedPagePath, test::kViewFrame);
    test::FakeBrowser browser;
    browser.topLevel = window.frame();
    browser.answersWithNothing = true;
    ComPtr<IObjectWithSite> object;
    ASSERT_EQ(CGestureCore::Create(IID_PPV_ARGS(&object)), S_OK);
    ASSERT_EQ(object->SetSite(static_cast<IWebBrowser2*>(&browser)), S_OK);
    EXPECT_EQ(browser.sink(), nullptr) << "no event connection through a container that is not there";
    auto* core = static_cast<CGestureCore*>(object.Get());
    ASSERT_NE(test::ThreadHook(), nullptr);

    // The history menu asks the browser for its services: the lie must end that quietly.
    const POINT c = window.ViewCenter();
    input.MoveTo(c.x, c.y);
    input.RightDown();
    input.Wheel(-WHEEL_DELTA);
    input.MoveTo(c.x + 40, c.y);
    input.RightUp();
    EXPECT_TRUE(PumpUntil([&] { return core->session().Tracking == 0; }, 2000));
    EXPECT_EQ(object->SetSite(nullptr), S_OK);
    object.Reset();
    EXPECT_EQ(InstanceList::Count(), 0u);
    EXPECT_EQ(browser.refs, 1);
}

// ---------------------------------------------------------------------------------------
// A "Links" folder of broken shortcuts.

class BrokenShortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ::CreateDirectoryW(links.c_str(), nullptr);
        ASSERT_TRUE(quick.Create());
        // A real shortcut to a real folder: the bytes every broken one starts from.
        const std::wstring good = folder / L"good.lnk";
        ASSERT_TRUE(test::SaveShortcut(good, folder.path()));
        goodBytes = test::ReadWholeFile(good);
        ASSERT_GT(goodBytes.size(), 76u);
    }
    void TearDown() override {
        quick.Destroy();
        ::CoUninitialize();
    }
    void Put(const wchar_t* name, const std::vector<unsigned char>& bytes) {
        ASSERT_TRUE(test::WriteWholeFile(links + L"\\" + name, bytes.data(), bytes.size()));
    }
    // Where the good shortcut keeps its target list and link information.
    static constexpr size_t kListSizeAt = 0x4C;
    static constexpr size_t kFirstItemAt = 0x4E;
    size_t Word(size_t at) const { return goodBytes[at] | (size_t{goodBytes[at + 1]} << 8); }
    size_t LinkInfoAt() const { return kFirstItemAt + Word(kListSizeAt); }
    static void SetWord(std::vector<unsigned char>& bytes, size_t at, size_t value) {
        bytes[at] = static_cast<unsigned char>(value);
        bytes[at + 1] = static_cast<unsigned char>(value >> 8);
    }
    // Reads the store and opens the real menu over it (dismissed with Escape); returns
    // how many folders the store gave.
    size_t ReadAndShow() {
        QuickMoveFolders folders;
        ReadQuickMoveStore(folder.path().c_str(), folders);
        test::MenuDriver driver({VK_ESCAPE});
        GestureContext ctx{&session, SettingsView(), quick.hwnd(), &browser, &mapping};
        unique_variant chosen;
        ShowQuickMoveMenu(ctx, POINT{300, 200}, owner.frame(), chosen);
        EXPECT_NE(chosen->vt, VT_ARRAY | VT_UI1) << "nothing was chosen";
        return folders.count();
    }

    test::ScratchFolder folder;
    std::wstring links = folder / L"Links";
    SettingsMapping mapping{L"CursorCadenceHostileLinks", folder.path().c_str()};
    test::HostWindow owner{{L"SHELLDLL_DefView"}, RECT{100, 100, 600, 500}};
    QuickWnd quick;
    GestureSession session;
    test::FakeBrowser browser;
    std::vector<unsigned char> goodBytes;
};

TEST_F(BrokenShortcuts, EmptyTruncatedAndGarbageFilesStopTheListWithoutHarm) {
    Put(L"00.lnk", goodBytes);
    Put(L"01.lnk", {});
    Put(L"02.lnk", goodBytes);
    EXPECT_EQ(ReadAndShow(), 1u) << "the list stops at the first file that cannot be loaded";

    for (size_t cut : {size_t{1}, size_t{4}, size_t{20}, size_t{75}, size_t{76}, size_t{77}, goodBytes.size() - 1}) {
        std::vector<unsigned char> truncated(goodBytes.begin(), goodBytes.begin() + static_cast<long>(cut));
        Put(L"01.lnk", truncated);
        EXPECT_LE(ReadAndShow(), 3u) << "cut at " << cut;
    }
    Rng rng(7);
    std::vector<unsigned char> garbage(4096);
    for (auto& b : garbage) b = static_cast<unsigned char>(rng.Next());
    Put(L"01.lnk", garbage);
    EXPECT_EQ(ReadAndShow(), 1u);
}

TEST_F(BrokenShortcuts, ShortcutsWhosePartsDoNotAddUpStopTheList) {
    ASSERT_EQ(goodBytes[0x14] & 0x03, 0x03) << "the shell saved a target list and link information";
    const size_t info = LinkInfoAt();
    const size_t volume = info + Word(info + 0x0C);
    // Sizes the shell's reader would follow out of its buffers.
    const struct {
        const char* what;
        size_t at, value;
    } damages[] = {
        {"an item running into the next one", kFirstItemAt, Word(kFirstItemAt) + 1},
        {"a list running past the end of the file", kListSizeAt, 0xFFFF},
        {"link information smaller than its own size field", info, 2},
        {"a volume running past the link information", volume, 0x7FFF},
    };
    Put(L"00.lnk", goodBytes);
    Put(L"02.lnk", goodBytes);
    for (const auto& damage : damages) {
        std::vector<unsigned char> bytes = goodBytes;
        SetWord(bytes, damage.at, damage.value);
        Put(L"01.lnk", bytes);
        EXPECT_EQ(ReadAndShow(), 1u) << damage.what;
    }
}

TEST_F(BrokenShortcuts, AShortcutToAnItemItsFolderCannotNameIsLeftOut) {
    // A well-formed list: the computer's own item, then an item of nothing that folder
    // knows. The shell's file information would read a name the folder never gave.
    ASSERT_EQ(goodBytes[kFirstItemAt + 2], 0x1F) << "the list starts with a root folder's item";
    const size_t first = Word(kFirstItemAt);
    std::vector<unsigned char> bytes(goodBytes.begin(), goodBytes.begin() + static_cast<long>(kFirstItemAt + first));
    bytes.insert(bytes.end(), {8, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    bytes.insert(bytes.end(), goodBytes.begin() + static_cast<long>(LinkInfoAt()), goodBytes.end());
    SetWord(bytes, kListSizeAt, first + 8 + 2);
    Put(L"00.lnk", goodBytes);
    Put(L"01.lnk", bytes);
    Put(L"02.lnk", goodBytes);
    EXPECT_EQ(ReadAndShow(), 2u);
}

TEST_F(BrokenShortcuts, ShortcutsWithFlippedBytesNeverCrashTheReaderOrTheMenu) {
    const uint64_t seed = ::GetTickCount64();
    Rng rng(seed);
    const int rounds = 60 * test::StressScale();
    size_t loaded = 0;
    for (int n = 0; n < rounds; ++n) {
        std::vector<unsigned char> bytes = goodBytes;
        const int flips = rng.Between(1, 8);
        for (int k = 0; k < flips; ++k) {
            // The header and the item list's length fields are where a reader goes wrong.
            const size_t at = rng.Chance(60) ? rng.Below(std::min<size_t>(bytes.size(), 90)) : rng.Below(bytes.size());
            bytes[at] = rng.Chance(50) ? static_cast<unsigned char>(rng.Next()) : 0xFF;
        }
        Put(L"00.lnk", bytes);
        loaded += ReadAndShow();
    }
    std::printf("%d damaged shortcuts, %zu still gave a folder, seed %llu\n", rounds, loaded,
                static_cast<unsigned long long>(seed));
}

TEST_F(BrokenShortcuts, AHugeShortcutIsReadInBoundedTime) {
    // A real shortcut followed by 64 MB of noise, and 64 MB of noise with a valid header.
    std::vector<unsigned char> huge = goodBytes;
    huge.resize(64u << 20, 0xA5);
    Put(L"00.lnk", huge);
    std::vector<unsigned char> headerOnly(goodBytes.begin(), goodBytes.begin() + 76);
    headerOnly.resize(64u << 20, 0xFF);
    Put(L"01.lnk", headerOnly);
    Put(L"02.lnk", goodBytes);
    const ULONGLONG started = ::GetTickCount64();
    EXPECT_LE(ReadAndShow(), 2u);
    const ULONGLONG took = ::GetTickCount64() - started;
    std::printf("two 64 MB shortcuts read and shown in %llu ms\n", static_cast<unsigned long long>(took));
    EXPECT_LT(took, 10000u);
}

TEST_F(BrokenShortcuts, AShortcutIsReadUpTo64KilobytesAndNotBeyond) {
    std::vector<unsigned char> padded = goodBytes;
    padded.resize(64 * 1024, 0);
    Put(L"00.lnk", padded);
    EXPECT_EQ(ReadAndShow(), 1u) << "a shortcut with trailing padding up to the limit still loads";
    padded.push_back(0);
    Put(L"00.lnk", padded);
    Put(L"01.lnk", goodBytes);
    EXPECT_EQ(ReadAndShow(), 0u) << "a file over the limit is one that cannot be loaded: the list stops there";
}

// ---------------------------------------------------------------------------------------
// A store someone else has pointed elsewhere (beside a DLL that several users load): the
// "Links" folder itself a link, or a shortcut in it a second name of another file.

// Every file of `folder` with its bytes.
std::vector<std::pair<std::wstring, std::vector<unsigned char>>> Contents(const std::wstring& folder) {
    std::vector<std::pair<std::wstring, std::vector<unsigned char>>> contents;
    for (const std::wstring& name : test::ListFolder(folder)) {
        contents.emplace_back(name, test::ReadWholeFile(folder + L"\\" + name));
    }
    return contents;
}

// Two real folders, as the page lists them.
class TwoFolders {
public:
    explicit TwoFolders(const std::wstring& first) {
        for (const std::wstring& path : {first, std::wstring(L"C:\\windows")}) {
            PIDLIST_ABSOLUTE pidl = nullptr;
            if (SUCCEEDED(::SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr))) folders_.Append(pidl);
        }
    }
    operator const QuickMoveFolders&() const { return folders_; }

private:
    QuickMoveFolders folders_;
};

TEST_F(BrokenShortcuts, AStoreThatIsALinkElsewhereIsNeitherReadNorWritten) {
    test::ScratchFolder elsewhere;
    ASSERT_TRUE(test::WriteWholeFile(elsewhere / L"00.lnk", goodBytes.data(), goodBytes.size()));
    ASSERT_TRUE(test::WriteWholeFile(elsewhere / L"notes.txt", "mine", 4));
    const auto before = Contents(elsewhere.path());
    ASSERT_TRUE(::RemoveDirectoryW(links.c_str()));
    ASSERT_TRUE(test::MakeUnixSymlink(links, elsewhere.path())) << "Wine shows the link as a reparse point";

    EXPECT_EQ(ReadAndShow(), 0u) << "nothing is read through it";
    EXPECT_EQ(WriteQuickMoveStore(folder.path().c_str(), TwoFolders(folder.path())), kStoreReparsePointError);
    EXPECT_EQ(Contents(elsewhere.path()), before) << "the other folder is untouched";
    test::RemoveUnixSymlink(links);
}

TEST_F(BrokenShortcuts, AShortcutWithASecondNameIsNeitherDeletedNorWrittenThrough) {
    test::ScratchFolder elsewhere;
    const std::wstring victim = elsewhere / L"victim.lnk";
    ASSERT_TRUE(test::WriteWholeFile(victim, goodBytes.data(), goodBytes.size()));
    ASSERT_TRUE(::CreateHardLinkW((links + L"\\00.lnk").c_str(), victim.c_str(), nullptr));
    Put(L"01.lnk", goodBytes);

    EXPECT_EQ(WriteQuickMoveStore(folder.path().c_str(), TwoFolders(folder.path())), kStoreReparsePointError);
    EXPECT_EQ(test::ReadWholeFile(victim), goodBytes);
    EXPECT_EQ(test::ListFolder(links), (std::vector<std::wstring>{L"00.lnk", L"01.lnk"})) << "the store stays whole";

    // Once the file has one name again, the same write replaces the store.
    ASSERT_TRUE(::DeleteFileW(victim.c_str()));
    EXPECT_EQ(WriteQuickMoveStore(folder.path().c_str(), TwoFolders(folder.path())), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ReadAndShow(), 2u);
}

}  // namespace
}  // namespace cc

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--rewrite") == 0) return cc::RewriteMain(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
