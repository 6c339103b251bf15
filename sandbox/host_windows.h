// The sandbox's host windows: the browser objects the DLL attaches to (a folder window's
// tabs and a page window), their windows laid out as the real hosts' are, and the thread
// the page window runs on.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "com_fake_bases.h"
#include "common/unique_handle.h"
#include "fake_browser.h"
#include "stand_in_view.h"

namespace cc::test {
HRESULT UnservedCall(const char*);
}

namespace sandbox {

void Say(const wchar_t* format, const std::wstring& text = L"");

// What every sandbox browser shares: the window, its status bar, the event connection
// point the DLL subscribes to, and quitting.
class BrowserBase : public cc::test::FakeBase_IWebBrowser2, public cc::test::FakeBase_IConnectionPointContainer {
public:
    HWND frame = nullptr;
    HWND status = nullptr;
    std::wstring lastStatus;
    bool active = true;  // a tab that is not the window's active one keeps its text to itself

    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* hwnd) override;
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR text) override;
    HRESULT STDMETHODCALLTYPE Quit() override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;
    void Fire(DISPID id, DISPPARAMS* params = nullptr);
    // The DLL's object, made by its registered class and given this browser as its site.
    // SetSite's answer (S_FALSE from the second object of a thread is success too).
    HRESULT Attach();
    void Detach();

protected:
    HRESULT Answer(void* as, void** out);
    HRESULT BaseInterface(REFIID riid, void** out);

private:
    class Events final : public cc::test::FakeBase_IConnectionPoint {
    public:
        explicit Events(BrowserBase& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* newSink, DWORD* cookie) override;
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
        IDispatch* sink = nullptr;

    private:
        BrowserBase& owner_;
    } events_{*this};
    Microsoft::WRL::ComPtr<IObjectWithSite> helper_;
    ULONG refs_ = 1;
};

// How a folder window nests its view: as Explorer since Windows 7 does, or as the older
// Explorer did (the view a direct child of the window).
enum class FolderLayout { Windows10, Flat };
// What a tab shows: Wine's real shell folder view (a list view), or the stand-in of the
// modern DirectUI items view.
enum class TabView { ShellView, StandIn };

// One tab of a folder window: a browser object of its own, with its own history and
// status text, its own window subtree under the shared frame, and its own shell view.
class FolderTab final : public BrowserBase,
                        public cc::test::FakeBase_IServiceProvider,
                        public cc::test::FakeBase_IShellBrowser {
public:
    FolderTab(HWND frameWindow, HWND statusBar, FolderLayout layout, TabView kind);
    ~FolderTab();
    FolderTab(const FolderTab&) = delete;
    FolderTab& operator=(const FolderTab&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return BrowserBase::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return BrowserBase::Release(); }

    // IServiceProvider: the tab's IShellBrowser, as Explorer gives it both as the shell
    // browser and as the top-level browser.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override;
    // IShellBrowser, as far as the view and the DLL use it. The window is where the view
    // puts its own window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override;
    HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** view) override;
    HRESULT STDMETHODCALLTYPE OnViewWindowActive(IShellView*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusTextSB(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModelessSB(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetControlWindow(UINT, HWND* hwnd) override;
    HRESULT STDMETHODCALLTYPE SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT* result) override;
    HRESULT STDMETHODCALLTYPE BrowseObject(PCUIDLIST_RELATIVE pidl, UINT) override;

    // IWebBrowser2, as far as the DLL uses it.
    HRESULT STDMETHODCALLTYPE GoBack() override { return Travel(-1); }
    HRESULT STDMETHODCALLTYPE GoForward() override { return Travel(+1); }
    HRESULT STDMETHODCALLTYPE Refresh() override;
    HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override;
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* target, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override;

    // Goes to a folder as a new history entry; takes the list.
    bool Go(PIDLIST_ABSOLUTE pidl);
    std::wstring Location() const;
    std::wstring Title() const;
    // Places the tab's windows in `area` of the frame's client area.
    void Place(RECT area);
    void SetActive(bool on);
    HWND viewWindow() const { return standIn_ ? standIn_->window() : viewWindow_; }
    HWND tabWindow() const { return tab_.get(); }
    cc::test::StandInShellView* standIn() const { return standIn_.get(); }

private:
    HRESULT Travel(int step);
    // The view's rectangle in the window that holds it.
    RECT ViewRect() const;
    bool Show(PCIDLIST_ABSOLUTE pidl);
    bool ShowShellView(PCIDLIST_ABSOLUTE pidl);
    // The stand-in shows a file-system folder only; it is made anew for each folder.
    bool ShowStandIn(PCIDLIST_ABSOLUTE pidl);
    void CloseView();

    const TabView kind_;
    cc::unique_hwnd tab_;  // null in the flat layout; owns the windows below
    HWND duiView_ = nullptr, directUi_ = nullptr, navPane_ = nullptr;
    HWND viewHost_ = nullptr;  // where the view's window goes: a CtrlNotifySink, or the frame
    RECT area_{};
    Microsoft::WRL::ComPtr<IShellView> view_;
    HWND viewWindow_ = nullptr;
    std::unique_ptr<cc::test::StandInShellView> standIn_;
    std::vector<PIDLIST_ABSOLUTE> history_;
    size_t current_ = 0;
};

// The folder window: the frame with its status bar and, in the Windows 10 layout, a tab
// strip; its tabs share the frame and this thread, and only the active one is shown.
class FolderWindow {
public:
    FolderWindow(RECT r, FolderLayout layout);
    ~FolderWindow();
    FolderWindow(const FolderWindow&) = delete;
    FolderWindow& operator=(const FolderWindow&) = delete;

    HWND frame() const { return frame_.get(); }
    size_t active() const { return active_; }
    FolderTab& tab(size_t i) { return *tabs_[i]; }

    // A new tab showing `folder`; the first one is the active one. Null when the folder
    // cannot be shown.
    FolderTab* AddTab(TabView kind, const wchar_t* folder, const wchar_t* label);
    void Activate(size_t index);
    void Layout();
    // The centre of a tab's entry in the strip, in screen coordinates.
    POINT TabEntryCentre(size_t i) const;

private:
    static void RegisterFrameClass(const wchar_t* cls);
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    const FolderLayout layout_;
    cc::unique_hwnd frame_;
    HWND status_ = nullptr;
    HWND strip_ = nullptr;
    std::vector<std::unique_ptr<FolderTab>> tabs_;
    size_t active_ = 0;
};

// Asks the page window's thread to follow the first link.
constexpr UINT kOpenFirstLink = WM_APP + 10;

// A browser window with the page classes and a drawn page of links.
class PageBrowser final : public BrowserBase {
public:
    explicit PageBrowser(RECT r);

    HWND page = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override;
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override;
    HRESULT STDMETHODCALLTYPE GoBack() override { return Travel(-1); }
    HRESULT STDMETHODCALLTYPE GoForward() override { return Travel(+1); }
    HRESULT STDMETHODCALLTYPE Refresh() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* target, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override;
    // Read by the tour from its own thread.
    std::wstring Location() const;
    void Open(int link);
    POINT LinkCentre(int link) const;

private:
    HRESULT Travel(int step);
    static void RegisterPageClass();
    static LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND tab_ = nullptr;
    HWND docView_ = nullptr;
    mutable std::mutex historyLock_;
    cc::test::FakeDocument document_;
    cc::test::FakeElement body_;
    cc::test::FakeElement links_[3];
    std::vector<std::wstring> history_;
    size_t current_ = 0;
};

// The page window runs on a thread of its own, as every browser window and tab does: the
// DLL attaches one object, and one mouse hook, per thread.
class PageThread {
public:
    PageThread();
    ~PageThread();
    PageBrowser* browser() const { return browser_; }
    bool attached() const { return attached_; }
    bool open() const;

private:
    std::thread thread_;
    std::atomic<bool> ready_{false}, stop_{false}, attached_{false};
    std::atomic<PageBrowser*> browser_{nullptr};
};

}  // namespace sandbox
