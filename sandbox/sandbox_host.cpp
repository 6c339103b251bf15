// The sandbox: a small host that loads the real CursorCadence.dll the way the shell does
// (by its registered class, then SetSite with the window's browser object) into
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
#include <exdispid.h>
#include <shlguid.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "com_fake_bases.h"
#include "common/dpi.h"
#include "fake_browser.h"
#include "process_util.h"
#include "module/guids.h"
#include "screenshot.h"
#include "settings/settings_mapping.h"
#include "stand_in_view.h"
#include "test_windows.h"

using Microsoft::WRL::ComPtr;

namespace cc::test {
HRESULT UnservedCall(const char*);
}

namespace sandbox {

using cc::test::PumpFor;
using cc::test::PumpUntil;

void Say(const wchar_t* format, const std::wstring& text = L"") {
    char utf8[1024];
    wchar_t line[512];
    std::swprintf(line, 512, format, text.c_str());
    ::WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8), nullptr, nullptr);
    std::printf("%s\n", utf8);
    std::fflush(stdout);
}

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

    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = reinterpret_cast<SHANDLE_PTR>(frame);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR text) override {
        lastStatus = text ? text : L"";
        if (::GetEnvironmentVariableW(L"CC_SANDBOX_TRACE", nullptr, 0)) Say(L"   [status] %ls", lastStatus);
        if (active) ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(lastStatus.c_str()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Quit() override {
        Fire(DISPID_ONQUIT);
        ::DestroyWindow(frame);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
        *point = &events_;
        AddRef();
        return S_OK;
    }
    void Fire(DISPID id, DISPPARAMS* params = nullptr) {
        DISPPARAMS none{};
        if (events_.sink) {
            events_.sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, params ? params : &none, nullptr, nullptr, nullptr);
        }
    }
    // The DLL's object, made by its registered class and given this browser as its site.
    // SetSite's answer (S_FALSE from the second object of a thread is success too).
    HRESULT Attach() {
        const HRESULT made =
            ::CoCreateInstance(cc::kClsidGestureCore, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&helper_));
        if (FAILED(made)) return made;
        return helper_->SetSite(static_cast<IWebBrowser2*>(this));
    }
    void Detach() {
        if (!helper_) return;
        Fire(DISPID_ONQUIT);
        helper_->SetSite(nullptr);
        helper_.Reset();
    }

protected:
    HRESULT Answer(void* as, void** out) {
        *out = as;
        AddRef();
        return S_OK;
    }
    HRESULT BaseInterface(REFIID riid, void** out) {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp ||
            riid == IID_IWebBrowser2) {
            return Answer(static_cast<IWebBrowser2*>(this), out);
        }
        if (riid == IID_IConnectionPointContainer) return Answer(static_cast<IConnectionPointContainer*>(this), out);
        return E_NOINTERFACE;
    }

private:
    class Events final : public cc::test::FakeBase_IConnectionPoint {
    public:
        explicit Events(BrowserBase& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
            if (!out) return E_POINTER;
            *out = nullptr;
            if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
            *out = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* newSink, DWORD* cookie) override {
            if (!newSink || !cookie) return E_POINTER;
            if (sink) return CONNECT_E_ADVISELIMIT;
            if (FAILED(newSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink)))) return E_NOINTERFACE;
            *cookie = 1;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
            if (cookie != 1 || !sink) return CONNECT_E_NOCONNECTION;
            IDispatch* old = sink;
            sink = nullptr;
            old->Release();
            return S_OK;
        }
        IDispatch* sink = nullptr;

    private:
        BrowserBase& owner_;
    } events_{*this};
    ComPtr<IObjectWithSite> helper_;
    ULONG refs_ = 1;
};

HWND MakeStatusBar(HWND frame) {
    return ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, frame,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

HWND MakeChild(const wchar_t* cls, HWND parent, DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN) {
    cc::test::EnsureClass(cls);
    return ::CreateWindowExW(0, cls, L"", style, 0, 0, 0, 0, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

// How a folder window nests its view: as Explorer since Windows 7 does, or as the older
// Explorer did (the view a direct child of the window).
enum class FolderLayout { Windows10, Flat };
// What a tab shows: Wine's real shell folder view (a list view), or the stand-in of the
// modern DirectUI items view.
enum class TabView { ShellView, StandIn };

constexpr int kNavPaneWidth = 150;

// One tab of a folder window: a browser object of its own, with its own history and
// status text, its own window subtree under the shared frame, and its own shell view.
class FolderTab final : public BrowserBase,
                        public cc::test::FakeBase_IServiceProvider,
                        public cc::test::FakeBase_IShellBrowser {
public:
    FolderTab(HWND frameWindow, HWND statusBar, FolderLayout layout, TabView kind) : kind_(kind) {
        frame = frameWindow;
        status = statusBar;
        if (layout == FolderLayout::Flat) {
            viewHost_ = frame;
            return;
        }
        // ShellTabWindowClass > DUIViewWndClassName > DirectUIHWND > CtrlNotifySink >
        // SHELLDLL_DefView, with the navigation pane in a CtrlNotifySink of its own beside
        // the view's. Hidden until the tab is the active one.
        tab_.reset(MakeChild(L"ShellTabWindowClass", frame, WS_CHILD | WS_CLIPCHILDREN));
        duiView_ = MakeChild(L"DUIViewWndClassName", tab_.get());
        directUi_ = MakeChild(L"DirectUIHWND", duiView_);
        navPane_ = MakeChild(L"CtrlNotifySink", directUi_);
        viewHost_ = MakeChild(L"CtrlNotifySink", directUi_);
    }
    ~FolderTab() {
        CloseView();
        for (PIDLIST_ABSOLUTE p : history_) ::CoTaskMemFree(p);
    }
    FolderTab(const FolderTab&) = delete;
    FolderTab& operator=(const FolderTab&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IServiceProvider) return Answer(static_cast<IServiceProvider*>(this), out);
        if (riid == IID_IShellBrowser || riid == IID_IOleWindow) return Answer(static_cast<IShellBrowser*>(this), out);
        return BaseInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return BrowserBase::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return BrowserBase::Release(); }

    // IServiceProvider: the tab's IShellBrowser, as Explorer gives it both as the shell
    // browser and as the top-level browser.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (service != SID_SShellBrowser && service != SID_STopLevelBrowser) return E_NOINTERFACE;
        return QueryInterface(riid, out);
    }
    // IShellBrowser, as far as the view and the DLL use it. The window is where the view
    // puts its own window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = viewHost_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** view) override {
        if (!view) return E_POINTER;
        *view = standIn_ ? static_cast<IShellView*>(standIn_.get()) : view_.Get();
        if (*view) (*view)->AddRef();
        return *view ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE OnViewWindowActive(IShellView*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusTextSB(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModelessSB(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetControlWindow(UINT, HWND* hwnd) override {
        if (hwnd) *hwnd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT* result) override {
        if (result) *result = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BrowseObject(PCUIDLIST_RELATIVE pidl, UINT) override {
        return Go(::ILClone(reinterpret_cast<PCIDLIST_ABSOLUTE>(pidl))) ? S_OK : E_FAIL;
    }

    // IWebBrowser2, as far as the DLL uses it.
    HRESULT STDMETHODCALLTYPE GoBack() override { return Travel(-1); }
    HRESULT STDMETHODCALLTYPE GoForward() override { return Travel(+1); }
    HRESULT STDMETHODCALLTYPE Refresh() override {
        if (view_) return view_->Refresh();
        return standIn_ && Show(history_[current_]) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override {
        if (!url) return E_POINTER;
        *url = ::SysAllocString(Location().c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* target, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        if (!target) return E_POINTER;
        if (::GetEnvironmentVariableW(L"CC_SANDBOX_TRACE", nullptr, 0)) Say(L"   [navigate] vt %ls", std::to_wstring(target->vt));
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (target->vt == (VT_ARRAY | VT_UI1) && target->parray) {
            void* data = nullptr;
            if (SUCCEEDED(::SafeArrayAccessData(target->parray, &data))) {
                pidl = ::ILClone(static_cast<PCIDLIST_ABSOLUTE>(data));
                ::SafeArrayUnaccessData(target->parray);
            }
        } else if (target->vt == VT_I4) {
            ::SHGetSpecialFolderLocation(nullptr, target->lVal, &pidl);
        } else if (target->vt == VT_BSTR && target->bstrVal) {
            std::wstring path = target->bstrVal;
            if (path.rfind(L"file:///", 0) == 0) path = path.substr(8);
            for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
            ::SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr);
        }
        return Go(pidl) ? S_OK : E_FAIL;
    }

    // Goes to a folder as a new history entry; takes the list.
    bool Go(PIDLIST_ABSOLUTE pidl) {
        if (!pidl || !Show(pidl)) {
            ::CoTaskMemFree(pidl);
            return false;
        }
        for (size_t i = current_ + 1; i < history_.size(); ++i) ::CoTaskMemFree(history_[i]);
        if (!history_.empty()) history_.resize(current_ + 1);
        history_.push_back(pidl);
        current_ = history_.size() - 1;
        return true;
    }
    std::wstring Location() const {
        wchar_t path[MAX_PATH] = L"";
        if (history_.empty() || !::SHGetPathFromIDListW(history_[current_], path)) return L"";
        std::wstring url = L"file:///" + std::wstring(path);
        for (wchar_t& c : url) c = c == L'\\' ? L'/' : c;
        return url;
    }
    std::wstring Title() const {
        wchar_t path[MAX_PATH] = L"";
        if (!history_.empty()) ::SHGetPathFromIDListW(history_[current_], path);
        return path;
    }
    // Places the tab's windows in `area` of the frame's client area.
    void Place(RECT area) {
        area_ = area;
        const int width = area.right - area.left, height = area.bottom - area.top;
        if (tab_) {
            ::MoveWindow(tab_.get(), area.left, area.top, width, height, TRUE);
            ::MoveWindow(duiView_, 0, 0, width, height, TRUE);
            ::MoveWindow(directUi_, 0, 0, width, height, TRUE);
            ::MoveWindow(navPane_, 0, 0, kNavPaneWidth, height, TRUE);
            ::MoveWindow(viewHost_, kNavPaneWidth, 0, width - kNavPaneWidth, height, TRUE);
        }
        const RECT view = ViewRect();
        if (HWND window = viewWindow()) {
            ::MoveWindow(window, view.left, view.top, view.right - view.left, view.bottom - view.top, TRUE);
        }
    }
    void SetActive(bool on) {
        active = on;
        if (tab_) ::ShowWindow(tab_.get(), on ? SW_SHOW : SW_HIDE);
        if (!on) return;
        ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(lastStatus.c_str()));
        ::SetWindowTextW(frame, (L"CursorCadence sandbox - " + Title()).c_str());
    }
    HWND viewWindow() const { return standIn_ ? standIn_->window() : viewWindow_; }
    HWND tabWindow() const { return tab_.get(); }
    cc::test::StandInShellView* standIn() const { return standIn_.get(); }

private:
    HRESULT Travel(int step) {
        const long next = static_cast<long>(current_) + step;
        if (next < 0 || next >= static_cast<long>(history_.size())) return E_FAIL;
        if (!Show(history_[next])) return E_FAIL;
        current_ = static_cast<size_t>(next);
        return S_OK;
    }
    // The view's rectangle in the window that holds it.
    RECT ViewRect() const {
        if (!tab_) return area_;
        return RECT{0, 0, std::max(0L, area_.right - area_.left - kNavPaneWidth), area_.bottom - area_.top};
    }
    bool Show(PCIDLIST_ABSOLUTE pidl) {
        if (!(kind_ == TabView::StandIn ? ShowStandIn(pidl) : ShowShellView(pidl))) return false;
        Place(area_);
        wchar_t path[MAX_PATH] = L"";
        ::SHGetPathFromIDListW(pidl, path);
        if (active) ::SetWindowTextW(frame, (L"CursorCadence sandbox - " + std::wstring(path)).c_str());
        return true;
    }
    bool ShowShellView(PCIDLIST_ABSOLUTE pidl) {
        ComPtr<IShellFolder> folder;
        ComPtr<IShellView> view;
        if (FAILED(::SHBindToObject(nullptr, pidl, nullptr, IID_PPV_ARGS(&folder))) ||
            FAILED(folder->CreateViewObject(frame, IID_PPV_ARGS(&view)))) {
            return false;
        }
        CloseView();
        FOLDERSETTINGS settings{FVM_ICON, 0};
        RECT r = ViewRect();
        HWND window = nullptr;
        if (FAILED(view->CreateViewWindow(nullptr, &settings, static_cast<IShellBrowser*>(this), &r, &window))) {
            return false;
        }
        view_ = view;
        viewWindow_ = window;
        view_->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
        return true;
    }
    // The stand-in shows a file-system folder only; it is made anew for each folder.
    bool ShowStandIn(PCIDLIST_ABSOLUTE pidl) {
        wchar_t path[MAX_PATH] = L"";
        if (!::SHGetPathFromIDListW(pidl, path)) return false;
        auto next = std::make_unique<cc::test::StandInShellView>(viewHost_, ViewRect(), path);
        if (!next->window() || !next->items()) return false;
        next->items()->showContextMenu = true;
        CloseView();
        standIn_ = std::move(next);
        return true;
    }
    void CloseView() {
        standIn_.reset();
        if (!view_) return;
        view_->UIActivate(SVUIA_DEACTIVATE);
        view_->DestroyViewWindow();
        view_.Reset();
        viewWindow_ = nullptr;
    }

    const TabView kind_;
    cc::unique_hwnd tab_;  // null in the flat layout; owns the windows below
    HWND duiView_ = nullptr, directUi_ = nullptr, navPane_ = nullptr;
    HWND viewHost_ = nullptr;  // where the view's window goes: a CtrlNotifySink, or the frame
    RECT area_{};
    ComPtr<IShellView> view_;
    HWND viewWindow_ = nullptr;
    std::unique_ptr<cc::test::StandInShellView> standIn_;
    std::vector<PIDLIST_ABSOLUTE> history_;
    size_t current_ = 0;
};

// The folder window: the frame with its status bar and, in the Windows 10 layout, a tab
// strip; its tabs share the frame and this thread, and only the active one is shown.
class FolderWindow {
public:
    FolderWindow(RECT r, FolderLayout layout) : layout_(layout) {
        const wchar_t* cls = layout == FolderLayout::Flat ? L"CursorCadenceSandboxFolder" : L"CabinetWClass";
        RegisterFrameClass(cls);
        frame_.reset(::CreateWindowExW(0, cls, L"CursorCadence sandbox - folder", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                       r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr));
        status_ = MakeStatusBar(frame_.get());
        if (layout == FolderLayout::Windows10) {
            strip_ = ::CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                       frame_.get(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
            ::SendMessageW(strip_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        }
        ::SetWindowLongPtrW(frame_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::ShowWindow(frame_.get(), SW_SHOW);
    }
    ~FolderWindow() {
        if (frame_) ::SetWindowLongPtrW(frame_.get(), GWLP_USERDATA, 0);
        tabs_.clear();  // their views and windows first, while the frame still holds them
        frame_.reset();
    }
    FolderWindow(const FolderWindow&) = delete;
    FolderWindow& operator=(const FolderWindow&) = delete;

    HWND frame() const { return frame_.get(); }
    size_t active() const { return active_; }
    FolderTab& tab(size_t i) { return *tabs_[i]; }

    // A new tab showing `folder`; the first one is the active one. Null when the folder
    // cannot be shown.
    FolderTab* AddTab(TabView kind, const wchar_t* folder, const wchar_t* label) {
        if (layout_ == FolderLayout::Flat && !tabs_.empty()) return nullptr;
        auto tab = std::make_unique<FolderTab>(frame_.get(), status_, layout_, kind);
        tab->active = tabs_.empty();
        tabs_.push_back(std::move(tab));
        Layout();
        PIDLIST_ABSOLUTE start = nullptr;
        ::SHParseDisplayName(folder, nullptr, &start, 0, nullptr);
        if (!tabs_.back()->Go(start)) {
            tabs_.pop_back();
            return nullptr;
        }
        if (strip_) {
            std::wstring text = label;
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            ::SendMessageW(strip_, TCM_INSERTITEMW, tabs_.size() - 1, reinterpret_cast<LPARAM>(&item));
            Layout();  // the strip's height is known once it has an entry
        }
        Activate(active_);
        return tabs_.back().get();
    }
    void Activate(size_t index) {
        if (index >= tabs_.size()) return;
        active_ = index;
        for (size_t i = 0; i < tabs_.size(); ++i) {
            if (i != index) tabs_[i]->SetActive(false);
        }
        tabs_[index]->SetActive(true);
        if (strip_) ::SendMessageW(strip_, TCM_SETCURSEL, index, 0);
    }
    void Layout() {
        RECT client{}, bar{};
        ::GetClientRect(frame_.get(), &client);
        ::SendMessageW(status_, WM_SIZE, 0, 0);
        ::GetWindowRect(status_, &bar);
        RECT area{0, 0, client.right, client.bottom - (bar.bottom - bar.top)};
        if (strip_) {
            RECT item{0, 0, 0, 20};
            ::SendMessageW(strip_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
            const int stripHeight = item.bottom + 4;
            ::MoveWindow(strip_, 0, 0, client.right, stripHeight, TRUE);
            area.top = stripHeight;
        }
        for (const auto& tab : tabs_) tab->Place(area);
    }
    // The centre of a tab's entry in the strip, in screen coordinates.
    POINT TabEntryCentre(size_t i) const {
        RECT item{};
        ::SendMessageW(strip_, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
        ::ClientToScreen(strip_, &p);
        return p;
    }

private:
    static void RegisterFrameClass(const wchar_t* cls) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &FrameProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = cls;
        ::RegisterClassExW(&wc);  // fails harmlessly when it is already registered
    }
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<FolderWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_SIZE) self->Layout();
        if (self && message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == self->strip_ && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
                self->Activate(static_cast<size_t>(::SendMessageW(self->strip_, TCM_GETCURSEL, 0, 0)));
            }
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

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
    explicit PageBrowser(RECT r) {
        cc::test::EnsureClass(L"CursorCadenceSandboxPage");
        cc::test::EnsureClass(L"TabWindowClass");
        cc::test::EnsureClass(L"Shell DocObject View");
        RegisterPageClass();
        frame = ::CreateWindowExW(0, L"CursorCadenceSandboxPage", L"CursorCadence sandbox - page",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        status = MakeStatusBar(frame);
        RECT client{};
        ::GetClientRect(frame, &client);
        // The window of one tab, as a tabbed browser (Wine reports version 9) has it.
        tab_ = ::CreateWindowExW(0, L"TabWindowClass", L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                 client.bottom - 24, frame, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        docView_ = ::CreateWindowExW(0, L"Shell DocObject View", L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                     client.bottom - 24, tab_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        page = ::CreateWindowExW(0, L"Internet Explorer_Server", L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                 client.bottom - 24, docView_, nullptr, ::GetModuleHandleW(nullptr), this);
        ::SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        for (int i = 0; i < 3; ++i) {
            links_[i].kind = cc::test::FakeElement::Anchor;
            links_[i].href = L"http://example.invalid/docs/page" + std::to_wstring(i + 1) + L".html";
            document_.Place(links_[i], RECT{40, 80 + 40 * i, 320, 104 + 40 * i});
        }
        document_.Place(body_, RECT{0, 0, 4000, 4000});
        std::swap(document_.elements.front(), document_.elements.back());  // the links on top
        history_ = {L"http://example.invalid/docs/index.html"};
    }

    HWND page = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return BaseInterface(riid, out);
    }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override {
        if (!document) return E_POINTER;
        *document = static_cast<IHTMLDocument2*>(&document_);
        document_.AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override {
        if (!url) return E_POINTER;
        *url = ::SysAllocString(Location().c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GoBack() override { return Travel(-1); }
    HRESULT STDMETHODCALLTYPE GoForward() override { return Travel(+1); }
    HRESULT STDMETHODCALLTYPE Refresh() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* target, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        if (!target || target->vt != VT_BSTR || !target->bstrVal) return E_INVALIDARG;
        {
            std::lock_guard<std::mutex> lock(historyLock_);
            history_.resize(current_ + 1);
            history_.push_back(target->bstrVal);
            current_ = history_.size() - 1;
        }
        ::InvalidateRect(page, nullptr, TRUE);
        return S_OK;
    }
    // Read by the tour from its own thread.
    std::wstring Location() const {
        std::lock_guard<std::mutex> lock(historyLock_);
        return history_[current_];
    }
    void Open(int link) {
        VARIANT target;
        ::VariantInit(&target);
        target.vt = VT_BSTR;
        target.bstrVal = ::SysAllocString(links_[link].href.c_str());
        Navigate2(&target, nullptr, nullptr, nullptr, nullptr);
        ::VariantClear(&target);
    }
    POINT LinkCentre(int link) const {
        POINT p{180, 92 + 40 * link};
        ::ClientToScreen(page, &p);
        return p;
    }

private:
    HRESULT Travel(int step) {
        {
            std::lock_guard<std::mutex> lock(historyLock_);
            const long next = static_cast<long>(current_) + step;
            if (next < 0 || next >= static_cast<long>(history_.size())) return E_FAIL;
            current_ = static_cast<size_t>(next);
        }
        ::InvalidateRect(page, nullptr, TRUE);
        return S_OK;
    }
    static void RegisterPageClass() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &PageProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = L"Internet Explorer_Server";
        ::RegisterClassExW(&wc);
    }
    static LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<PageBrowser*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_PAINT && self) {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(hwnd, &ps);
            ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
            const std::wstring heading = L"ページ: " + self->Location();
            ::TextOutW(dc, 40, 30, heading.c_str(), static_cast<int>(heading.size()));
            ::SetTextColor(dc, RGB(0, 0, 238));
            for (int i = 0; i < 3; ++i) {
                const std::wstring text = L"リンク " + std::to_wstring(i + 1) + L": " + self->links_[i].href;
                ::TextOutW(dc, 40, 86 + 40 * i, text.c_str(), static_cast<int>(text.size()));
            }
            ::EndPaint(hwnd, &ps);
            return 0;
        }
        if (message == kOpenFirstLink && self) {
            self->Open(0);
            return 0;
        }
        if (message == WM_LBUTTONUP && self) {  // a click on a link follows it
            const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            for (int i = 0; i < 3; ++i) {
                if (p.x >= 40 && p.x < 320 && p.y >= 80 + 40 * i && p.y < 104 + 40 * i) self->Open(i);
            }
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND tab_ = nullptr;
    HWND docView_ = nullptr;
    mutable std::mutex historyLock_;
    cc::test::FakeDocument document_;
    cc::test::FakeElement body_;
    cc::test::FakeElement links_[3];
    std::vector<std::wstring> history_;
    size_t current_ = 0;
};

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
    Gesture(input, first, start, {{0, -20}, {0, -60}, {0, -110}, {0, -160}}, log.Shot(L"trail-and-status").c_str(),
            [&] { trail = HorizontalRunOf({start.x, start.y - 85}, RGB(51, 204, 255)); });
    Say(L"   now at %ls", first.Location());
    log.Check(first.Location() == L"file:///C:/windows", L"went up from C:\\windows\\system32 to C:\\windows");
    log.Check(trail == cc::ScaleForDpi(2, dpi),
              L"the trail is " + std::to_wstring(trail) + L" pixels wide (2 at 96 DPI, scaled)");

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

// The page window runs on a thread of its own, as every browser window and tab does: the
// DLL attaches one object, and one mouse hook, per thread.
class PageThread {
public:
    PageThread() {
        thread_ = std::thread([this] {
            ::OleInitialize(nullptr);
            {
                PageBrowser web(RECT{680, 20, 1260, 500});
                attached_ = SUCCEEDED(web.Attach());
                browser_ = &web;
                ready_ = true;
                PumpUntil([&] { return stop_.load() || !::IsWindow(web.frame); }, INFINITE);
                web.Detach();
                if (::IsWindow(web.frame)) ::DestroyWindow(web.frame);
                browser_ = nullptr;
            }
            ::OleUninitialize();
        });
        while (!ready_) PumpFor(20);
    }
    ~PageThread() {
        stop_ = true;
        thread_.join();
    }
    PageBrowser* browser() const { return browser_; }
    bool attached() const { return attached_; }
    bool open() const {
        PageBrowser* web = browser_.load();
        return web && ::IsWindow(web->frame);
    }

private:
    std::thread thread_;
    std::atomic<bool> ready_{false}, stop_{false}, attached_{false};
    std::atomic<PageBrowser*> browser_{nullptr};
};

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
