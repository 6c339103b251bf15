// The sandbox: a small host that loads the real CursorCadence.dll the way the shell does
// (by its registered class, then SetSite with the window's browser object) into
//  - a folder window whose view is Wine's real shell folder view, hosted through an
//    IShellBrowser of this program, with history, navigation and a status bar, and
//  - a web-page window with the page classes of the browser, a drawn page of links,
//    history and a status bar.
// Without arguments the windows wait for the user's mouse; with --tour a scripted tour
// draws gestures with real injected input, prints what the DLL did and saves screenshots.
#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstdio>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "com_fake_bases.h"
#include "fake_browser.h"
#include "module/guids.h"
#include "screenshot.h"
#include "settings/settings_mapping.h"
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
        ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(lastStatus.c_str()));
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
    bool Attach() {
        if (FAILED(::CoCreateInstance(cc::kClsidGestureCore, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&helper_)))) {
            return false;
        }
        return SUCCEEDED(helper_->SetSite(static_cast<IWebBrowser2*>(this)));
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

// A folder window around Wine's real shell folder view.
class FolderBrowser final : public BrowserBase,
                            public cc::test::FakeBase_IServiceProvider,
                            public cc::test::FakeBase_IShellBrowser {
public:
    explicit FolderBrowser(RECT r) {
        cc::test::EnsureClass(L"CursorCadenceSandboxFolder");
        frame = ::CreateWindowExW(0, L"CursorCadenceSandboxFolder", L"CursorCadence sandbox - folder",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        status = MakeStatusBar(frame);
    }
    ~FolderBrowser() {
        CloseView();
        for (PIDLIST_ABSOLUTE p : history_) ::CoTaskMemFree(p);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IServiceProvider) return Answer(static_cast<IServiceProvider*>(this), out);
        if (riid == IID_IShellBrowser || riid == IID_IOleWindow) return Answer(static_cast<IShellBrowser*>(this), out);
        return BaseInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return BrowserBase::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return BrowserBase::Release(); }

    // IServiceProvider: the window's IShellBrowser, as Explorer gives it.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (service != IID_IShellBrowser) return E_NOINTERFACE;
        return QueryInterface(riid, out);
    }
    // IShellBrowser, as far as the view and the DLL use it.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = frame;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** view) override {
        if (!view) return E_POINTER;
        *view = view_.Get();
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
    HRESULT STDMETHODCALLTYPE Refresh() override { return view_ ? view_->Refresh() : E_FAIL; }
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
    void Layout() {
        RECT client{}, bar{};
        ::GetClientRect(frame, &client);
        ::SendMessageW(status, WM_SIZE, 0, 0);
        ::GetWindowRect(status, &bar);
        if (viewWindow_) {
            ::MoveWindow(viewWindow_, 0, 0, client.right, client.bottom - (bar.bottom - bar.top), TRUE);
        }
    }
    HWND viewWindow() const { return viewWindow_; }

private:
    HRESULT Travel(int step) {
        const long next = static_cast<long>(current_) + step;
        if (next < 0 || next >= static_cast<long>(history_.size())) return E_FAIL;
        if (!Show(history_[next])) return E_FAIL;
        current_ = static_cast<size_t>(next);
        return S_OK;
    }
    bool Show(PCIDLIST_ABSOLUTE pidl) {
        ComPtr<IShellFolder> folder;
        ComPtr<IShellView> view;
        if (FAILED(::SHBindToObject(nullptr, pidl, nullptr, IID_PPV_ARGS(&folder))) ||
            FAILED(folder->CreateViewObject(frame, IID_PPV_ARGS(&view)))) {
            return false;
        }
        CloseView();
        FOLDERSETTINGS settings{FVM_ICON, 0};
        RECT r{};
        ::GetClientRect(frame, &r);
        HWND window = nullptr;
        if (FAILED(view->CreateViewWindow(nullptr, &settings, static_cast<IShellBrowser*>(this), &r, &window))) {
            return false;
        }
        view_ = view;
        viewWindow_ = window;
        view_->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
        Layout();
        wchar_t title[MAX_PATH] = L"";
        ::SHGetPathFromIDListW(pidl, title);
        ::SetWindowTextW(frame, (L"CursorCadence sandbox - " + std::wstring(title)).c_str());
        return true;
    }
    void CloseView() {
        if (!view_) return;
        view_->UIActivate(SVUIA_DEACTIVATE);
        view_->DestroyViewWindow();
        view_.Reset();
        viewWindow_ = nullptr;
    }

    ComPtr<IShellView> view_;
    HWND viewWindow_ = nullptr;
    std::vector<PIDLIST_ABSOLUTE> history_;
    size_t current_ = 0;
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

std::wstring FolderOf(const FolderBrowser& f) { return f.Location(); }

// Draws a gesture with the right button: offsets from `start`, one step each; prints
// what the status bar showed before the release.
void Gesture(cc::test::Input& input, BrowserBase& browser, POINT start, std::initializer_list<POINT> steps,
             const wchar_t* screenshotBeforeRelease = nullptr) {
    input.MoveTo(start.x, start.y);
    input.RightDown();
    for (POINT s : steps) input.MoveTo(start.x + s.x, start.y + s.y);
    PumpFor(100);
    Say(L"   the status bar shows: %ls", browser.lastStatus);
    if (screenshotBeforeRelease) cc::test::SaveScreenshot(browser.frame, screenshotBeforeRelease, false);
    input.RightUp();
    // Longer than the double-click time, so the next press is a press of its own.
    PumpFor(::GetDoubleClickTime() + 100);
}

// A context menu the tour did not ask for would wait for a person: close it.
bool g_menuExpected = false;
void CALLBACK CloseStrayMenus(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    if (!g_menuExpected && menu && ::IsWindowVisible(menu)) ::EndMenu();
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
    cc::test::SaveScreenshot(menu, L"tour-5-wheel-menu");
    INPUT keys[4] = {};
    for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_DOWN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[2].ki.wVk = keys[3].ki.wVk = VK_RETURN;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(4, keys, sizeof(INPUT));
}

void MakeFavourites(const std::wstring& dllFolder) {
    const std::wstring links = dllFolder + L"\\Links";
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

int Tour(FolderBrowser& folder, PageBrowser& web) {
    cc::test::Input input;
    cc::SettingsMapping settings(cc::kSharedSettingsName, DllFolder().c_str());
    settings.MapShared();
    int failures = 0;
    auto check = [&](bool ok, const wchar_t* what) {
        Say(ok ? L"   ok: %ls" : L"   NOT AS EXPECTED: %ls", what);
        if (!ok) ++failures;
    };
    HWND view = ::FindWindowExW(folder.frame, nullptr, L"SHELLDLL_DefView", nullptr);
    HWND list = view ? ::FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
    Say(L"The folder window shows %ls (a real shell folder view).", FolderOf(folder));
    check(list != nullptr, L"the view is SHELLDLL_DefView / SysListView32");
    if (!list) return 1;
    const POINT start = ViewPoint(list, 300, 220);
    ::SetTimer(nullptr, 0, 500, &CloseStrayMenus);

    Say(L"1. Gesture up (上) in the folder list: up one folder.");
    Gesture(input, folder, start, {{0, -20}, {0, -60}, {0, -110}, {0, -160}}, L"tour-1-trail-and-status");
    Say(L"   now at %ls", FolderOf(folder));
    check(FolderOf(folder) == L"file:///C:/windows", L"went up from C:\\windows\\system32 to C:\\windows");

    Say(L"2. Gesture left (左): back.");
    Gesture(input, folder, start, {{-20, 0}, {-100, 0}});
    Say(L"   now at %ls", FolderOf(folder));
    check(FolderOf(folder) == L"file:///C:/windows/system32", L"back in C:\\windows\\system32");

    Say(L"3. Gesture right (右): forward.");
    Gesture(input, folder, start, {{20, 0}, {100, 0}});
    Say(L"   now at %ls", FolderOf(folder));
    check(FolderOf(folder) == L"file:///C:/windows", L"forward to C:\\windows");

    Say(L"4. A gesture held still past the timeout (set to 0.5 s) is cancelled.");
    settings.view().Set(cc::Field::TimeoutMs, 500);
    input.MoveTo(start.x, start.y);
    input.RightDown();
    input.MoveTo(start.x, start.y + 20);
    input.MoveTo(start.x, start.y + 100);
    PumpFor(900);
    input.RightUp();
    PumpFor(200);
    cc::test::SaveScreenshot(folder.frame, L"tour-4-cancelled");
    Say(L"   status bar: %ls", folder.lastStatus);
    check(folder.lastStatus == L"ジェスチャー ： 中止しました", L"the cancelled text, and no folder change");
    check(FolderOf(folder) == L"file:///C:/windows", L"still in C:\\windows");
    settings.view().Set(cc::Field::TimeoutMs, 0);

    Say(L"5. Right button held + wheel: the quick-move menu of favourite folders; the first is chosen.");
    MakeFavourites(DllFolder());
    ::SetForegroundWindow(folder.frame);  // the menu's keys go to the foreground window's thread
    PumpFor(100);
    input.MoveTo(start.x, start.y);
    input.RightDown();
    g_menuExpected = true;
    ::SetTimer(nullptr, 0, 100, &PickFirstMenuEntry);
    input.Wheel(-120);
    PumpUntil([&] { return _wcsicmp(FolderOf(folder).c_str(), L"file:///C:/windows/fonts") == 0; }, 5000);
    g_menuExpected = false;
    input.RightUp();
    PumpFor(::GetDoubleClickTime() + 100);
    Say(L"   now at %ls", FolderOf(folder));
    check(_wcsicmp(FolderOf(folder).c_str(), L"file:///C:/windows/fonts") == 0, L"moved to the favourite C:\\windows\\fonts");

    Say(L"6. Gesture right-down-left (右-下-左): the settings sheet.");
    Gesture(input, folder, start, {{20, 0}, {100, 0}, {100, 100}, {0, 100}});
    HWND sheet = nullptr;
    PumpUntil([&] { return (sheet = ::FindWindowW(nullptr, L"CursorCadenceの設定")) != nullptr; }, 3000);
    check(sheet != nullptr, L"the sheet \"CursorCadenceの設定\" is open");
    if (sheet) {
        PumpFor(300);
        cc::test::SaveScreenshot(sheet, L"tour-6-settings-sheet");
        ::SendMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
        PumpFor(200);
    }

    Say(L"7. The web page: follow a link, then gesture left (左) in the page: back.");
    ::SendMessageW(web.page, kOpenFirstLink, 0, 0);
    Say(L"   page: %ls", web.Location());
    Gesture(input, web, ViewPoint(web.page, 300, 250), {{-20, 0}, {-100, 0}}, L"tour-7-page-gesture");
    Say(L"   page: %ls", web.Location());
    check(web.Location() == L"http://example.invalid/docs/index.html", L"back on the index page");

    Say(failures == 0 ? L"Tour finished: every step did what it should." : L"Tour finished with %ls failed step(s).",
        std::to_wstring(failures));
    return failures == 0 ? 0 : 1;
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
                attached_ = web.Attach();
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

int Run(bool tour) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    FolderBrowser folder(RECT{20, 20, 660, 500});
    PIDLIST_ABSOLUTE start = nullptr;
    ::SHParseDisplayName(L"C:\\windows\\system32", nullptr, &start, 0, nullptr);
    if (!folder.Go(start)) {
        Say(L"could not show the folder view");
        return 2;
    }
    PageThread pageThread;
    if (!folder.Attach() || !pageThread.attached()) {
        Say(L"CursorCadence.dll is not registered (run regsvr32 on it first)");
        return 2;
    }
    Say(L"CursorCadence.dll attached to both windows.");
    int result = 0;
    if (tour) {
        result = Tour(folder, *pageThread.browser());
    } else {
        Say(L"Draw gestures with the right mouse button; close both windows to end.");
        PumpUntil([&] { return !::IsWindow(folder.frame) && !pageThread.open(); }, INFINITE);
    }
    folder.Detach();
    if (::IsWindow(folder.frame)) ::DestroyWindow(folder.frame);
    return result;
}

}  // namespace sandbox

int wmain(int argc, wchar_t** argv) {
    const bool tour = argc > 1 && std::wstring(argv[1]) == L"--tour";
    ::OleInitialize(nullptr);
    const int result = sandbox::Run(tour);
    ::OleUninitialize();
    return result;
}
