// Going up a folder by path and by the shell namespace (with the real shell folders of
// the Wine drive), up a page level, and a middle-clicked target opening in a new window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <array>
#include <cstring>

#include "actions/folder_navigation.h"
#include "common/shell_item_list.h"
#include "attached_view.h"
#include "launch_recorder.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

using test::Input;
using test::MouseLog;
using test::PumpFor;
using test::PumpUntil;

// A parsed shell item list, freed at the end.
struct Pidl {
    PIDLIST_ABSOLUTE p = nullptr;
    explicit Pidl(const wchar_t* path) { ::SHParseDisplayName(path, nullptr, &p, 0, nullptr); }
    ~Pidl() { ::CoTaskMemFree(p); }
};

ComPtr<IPersistFolder2> FolderAt(const wchar_t* path) {
    ComPtr<IPersistFolder2> folder;
    if (!path) {
        ComPtr<IShellFolder> desktop;
        if (SUCCEEDED(::SHGetDesktopFolder(&desktop))) desktop.As(&folder);
        return folder;
    }
    Pidl pidl(path);
    ComPtr<IShellFolder> shellFolder;
    if (pidl.p && SUCCEEDED(::SHBindToObject(nullptr, pidl.p, nullptr, IID_PPV_ARGS(&shellFolder)))) {
        shellFolder.As(&folder);
    }
    return folder;
}

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ApplyDefaults(settings());
        browser.topLevel = window.frame();
        browser.shellBrowser = &shell;
        session.ViewKind = ViewFolderList;
        session.TargetView = window.view();
    }
    void TearDown() override { ::CoUninitialize(); }
    SettingsView settings() { return SettingsView(block.data()); }
    GestureContext ctx() { return GestureContext{&session, settings(), nullptr, &browser}; }

    alignas(4) std::array<int32_t, kSettingsInts> block{};
    test::HostWindow window{{L"SHELLDLL_DefView", WC_LISTVIEWW}, RECT{200, 150, 700, 550}, 2};
    test::FakeBrowser browser;
    test::FakeShellBrowser shell;
    GestureSession session;
    test::LaunchRecorder launches;
};

TEST_F(Navigation, ByPathGoesToTheParentOrTheDrives) {
    browser.locationUrl = L"file:///C:/Program%20Files/App";
    EXPECT_EQ(UpOneFolder(ctx(), 1), 1);
    browser.locationUrl = L"file:///C:/";
    EXPECT_EQ(UpOneFolder(ctx(), 1), 1);
    ASSERT_EQ(browser.navigations.size(), 2u);
    EXPECT_EQ(browser.navigations[0].target.vt, VT_BSTR);
    EXPECT_EQ(browser.navigations[0].target.text, L"file:///C:/Program%20Files/");
    EXPECT_TRUE(browser.navigations[0].restEmpty);
    EXPECT_EQ(browser.navigations[1].target.vt, VT_I4);
    EXPECT_EQ(browser.navigations[1].target.number, 17);

    browser.locationUrl = L"";
    EXPECT_EQ(UpOneFolder(ctx(), 1), 0) << "a virtual folder has no address to walk";
    browser.locationUrl = nullptr;
    EXPECT_EQ(UpOneFolder(ctx(), 7), 0);
    EXPECT_EQ(browser.navigations.size(), 2u);
}

TEST_F(Navigation, ByNamespaceGoesToTheParentItemList) {
    ComPtr<IPersistFolder2> system32 = FolderAt(L"C:\\windows\\system32");
    ASSERT_TRUE(system32);
    shell.folder = system32.Get();
    EXPECT_EQ(UpOneFolder(ctx(), 0), 1);
    ASSERT_EQ(browser.navigations.size(), 1u);
    const test::RecordedVariant& target = browser.navigations[0].target;
    EXPECT_EQ(target.vt, VT_ARRAY | VT_UI1);
    Pidl windows(L"C:\\windows");
    ASSERT_NE(windows.p, nullptr);
    ASSERT_EQ(target.bytes.size(), ::ILGetSize(windows.p));
    EXPECT_TRUE(::ILIsEqual(reinterpret_cast<PCIDLIST_ABSOLUTE>(target.bytes.data()), windows.p));
    EXPECT_EQ(shell.refs, 1) << "every interface on the way was released";
}

TEST_F(Navigation, ByNamespaceOnTheDesktopOrWithoutAViewStays) {
    ComPtr<IPersistFolder2> desktop = FolderAt(nullptr);
    ASSERT_TRUE(desktop);
    shell.folder = desktop.Get();
    EXPECT_EQ(UpOneFolder(ctx(), 0), 1);
    EXPECT_TRUE(browser.navigations.empty());

    shell.folder = nullptr;
    EXPECT_EQ(UpOneFolder(ctx(), 0), 1);
    browser.shellBrowser = nullptr;
    unique_pidl none;
    ::SHParseDisplayName(L"C:\\windows", nullptr, none.put(), 0, nullptr);  // what it held goes
    EXPECT_FALSE(GetCurrentFolderPidl(&browser, none));
    EXPECT_FALSE(none);
    EXPECT_EQ(UpOneFolder(ctx(), 0), 1);
    EXPECT_TRUE(browser.navigations.empty());
}

TEST_F(Navigation, ItemListsAsVariants) {
    VARIANT v;
    EXPECT_FALSE(PidlToVariant(nullptr, nullptr));
    EXPECT_FALSE(PidlToVariant(&v, nullptr));
    unique_pidl pidl;
    ASSERT_TRUE(SUCCEEDED(::SHParseDisplayName(L"C:\\windows", nullptr, pidl.put(), 0, nullptr)));
    ASSERT_TRUE(PidlToVariant(&v, pidl.get()));
    EXPECT_EQ(v.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(v.parray->rgsabound[0].lLbound, 0);
    EXPECT_EQ(v.parray->rgsabound[0].cElements, ::ILGetSize(pidl.get()));
    ::VariantClear(&v);
}

TEST_F(Navigation, AnItemListThatRunsOffItsAllocationIsNotCopied) {
    // Four bytes from the shell allocator whose one item claims sixteen.
    auto* damaged = static_cast<unsigned char*>(::CoTaskMemAlloc(4));
    ASSERT_NE(damaged, nullptr);
    const unsigned char bytes[] = {16, 0, 'x', 'y'};
    std::memcpy(damaged, bytes, sizeof(bytes));
    VARIANT v;
    EXPECT_FALSE(PidlToVariant(&v, reinterpret_cast<PCIDLIST_ABSOLUTE>(damaged)));
    EXPECT_EQ(v.vt, VT_EMPTY);
    ::CoTaskMemFree(damaged);
}

TEST_F(Navigation, UpOneLevelOnPages) {
    session.ViewKind = ViewWeb;
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"http://example.invalid/a/b/", L"http://example.invalid/a/"},
        {L"http://example.invalid/dir/page.html", L"http://example.invalid/dir/"},
        {L"http://example.invalid", nullptr},
        {L"http://example.invalid/", nullptr},
        {L"about:blank", nullptr},
        {L"", nullptr},
    };
    for (const auto& [from, to] : cases) {
        browser.navigations.clear();
        browser.locationUrl = from;
        EXPECT_EQ(UpOneLevel(ctx()), to ? 1 : 0);
        if (to) {
            ASSERT_EQ(browser.navigations.size(), 1u);
            EXPECT_EQ(browser.navigations[0].target.text, to);
        } else {
            EXPECT_TRUE(browser.navigations.empty());
        }
    }
    browser.locationUrl = nullptr;
    EXPECT_EQ(UpOneLevel(ctx()), 0);
}

TEST_F(Navigation, OpenInNewWindowFromAPage) {
    session.ViewKind = ViewWeb;
    // A link of any length opens whole: one beyond the path size, then one that no
    // command line can hold, which opens nothing rather than a cut address.
    const std::wstring link = L"http://example.invalid/next?" + std::wstring(3000, L'q');
    const std::wstring tooLong = L"http://example.invalid/" + std::wstring(40000, L'q');
    for (const std::wstring* address : {&link, &tooLong}) {
        session.NewWindowPending = 1;
        BSTR url = ::SysAllocString(address->c_str());
        VARIANT_BOOL cancel = VARIANT_FALSE;
        OpenInNewWindow(ctx(), url, &cancel);
        ::SysFreeString(url);
        EXPECT_EQ(session.NewWindowPending, 0);
        EXPECT_EQ(cancel, VARIANT_TRUE) << "the current page stays";
    }
    ASSERT_EQ(launches.launches().size(), 1u);
    EXPECT_EQ(launches.launches()[0].file, L"iexplore.exe");
    EXPECT_EQ(launches.launches()[0].parameters, link);
}

TEST_F(Navigation, OpenInNewWindowFromAFolderListWithAndWithoutTheTabBar) {
    session.NewWindowPending = 1;
    BSTR url = ::SysAllocString(L"C:\\windows");
    VARIANT_BOOL cancel = VARIANT_FALSE;
    OpenInNewWindow(ctx(), url, &cancel);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    ASSERT_EQ(launches.launches().size(), 1u);
    EXPECT_EQ(launches.launches()[0].file, L"explorer.exe");
    EXPECT_EQ(launches.launches()[0].parameters, L"/n, file:///C:\\windows");

    HWND parent = window.frame();
    for (const wchar_t* cls : {L"WorkerW", L"ReBarWindow32", L"CadenceTab"}) {
        test::EnsureClass(cls);
        parent = ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    }
    MouseLog tabBar(parent);
    tabBar.alsoRecord = {WM_APP + 3};
    session.NewWindowPending = 1;
    cancel = VARIANT_FALSE;
    OpenInNewWindow(ctx(), url, &cancel);
    ::SysFreeString(url);
    EXPECT_EQ(session.NewWindowPending, 0) << "cleared even when the tab bar takes over";
    EXPECT_EQ(cancel, VARIANT_FALSE) << "the tab bar takes the navigation from here";
    EXPECT_EQ(tabBar.Count(WM_APP + 3), 1u);
    EXPECT_EQ(launches.launches().size(), 1u);
}

// End to end through the real hook: a middle click on a link of an untabbed browser's
// page, then the navigation its replayed left click raises.
TEST(MiddleClick, ALinkOpensExactlyOneNewBrowserAndThePageStays) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        test::SharedSettings shared;
        test::LaunchRecorder launches;
        std::unique_ptr<test::AttachedView> v;
        {
            test::BrowserVersionOverride untabbed(L"6.0.2900.2180");
            v = std::make_unique<test::AttachedView>(
                std::initializer_list<const wchar_t*>{L"Shell DocObject View", L"Internet Explorer_Server"},
                test::kViewFrame);
        }
        test::FakeDocument document;
        test::FakeElement link;
        link.kind = test::FakeElement::Anchor;
        link.href = L"http://example.invalid/next";
        document.Place(link, RECT{0, 0, 2000, 2000});
        v->browser.document = &document;
        MouseLog log(v->window.view());

        Input input;
        const POINT c = v->window.ViewCenter();
        input.MoveTo(c.x, c.y);
        input.MiddleDown();
        input.MiddleUp();
        ASSERT_TRUE(PumpUntil([&] { return log.Count(WM_LBUTTONUP) == 1; }, 2000));
        // The page navigates for the replayed click; the browser asks first.
        test::BeforeNavigate2Args navigation(L"http://example.invalid/next");
        EXPECT_EQ(v->browser.Fire(DISPID_BEFORENAVIGATE2, &navigation.params), S_OK);
        EXPECT_EQ(navigation.cancel, VARIANT_TRUE);
        ASSERT_EQ(launches.launches().size(), 1u);
        EXPECT_EQ(launches.launches()[0].file, L"iexplore.exe");
        EXPECT_EQ(launches.launches()[0].parameters, L"http://example.invalid/next");
        // The next navigation is an ordinary one again.
        test::BeforeNavigate2Args later(L"http://example.invalid/other");
        v->browser.Fire(DISPID_BEFORENAVIGATE2, &later.params);
        EXPECT_EQ(later.cancel, VARIANT_FALSE);
        EXPECT_EQ(launches.launches().size(), 1u);
    }
    ::CoUninitialize();
}

// A double-click on the empty part of a folder list goes up a folder and is consumed;
// where there is nothing to go up to it reaches the list.
TEST(DoubleClickUp, ConsumedWhenItWentUpPassedOtherwise) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        test::SharedSettings shared;
        shared.Set(Field::BlankDoubleClickAction, 1);
        shared.Set(Field::UpFolderByPath, 1);
        test::AttachedView v({L"SHELLDLL_DefView", WC_LISTVIEWW}, test::kViewFrame, 1);
        v.browser.locationUrl = L"file:///C:/windows/system32";
        MouseLog log(v.window.view());
        RECT r{};
        ::GetWindowRect(v.window.view(), &r);
        Input input;
        input.DoubleClickAt({(r.left + r.right) / 2, r.bottom - 30});
        ASSERT_TRUE(PumpUntil([&] { return !v.browser.navigations.empty(); }, 2000));
        EXPECT_EQ(v.browser.navigations[0].target.text, L"file:///C:/windows/");
        EXPECT_EQ(log.Count(WM_LBUTTONDBLCLK), 0u);

        v.browser.locationUrl = L"";
        input.DoubleClickAt({(r.left + r.right) / 2 + 40, r.bottom - 30});
        EXPECT_TRUE(PumpUntil([&] { return log.Count(WM_LBUTTONDBLCLK) == 1; }, 2000));
        EXPECT_EQ(v.browser.navigations.size(), 1u);
    }
    ::CoUninitialize();
}

}  // namespace
}  // namespace cc
