// The sandbox's host windows: the browser objects with their history, navigation and
// status text, the folder window's frame, tab strip and tabs, and the page window with
// its drawn page of links, on a thread of its own.
#include "host_windows.h"

#include <commctrl.h>
#include <exdispid.h>
#include <shlguid.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "module/guids.h"
#include "test_windows.h"

using Microsoft::WRL::ComPtr;

namespace sandbox {

using cc::test::PumpFor;
using cc::test::PumpUntil;

void Say(const wchar_t* format, const std::wstring& text) {
    char utf8[1024];
    wchar_t line[512];
    std::swprintf(line, 512, format, text.c_str());
    ::WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8), nullptr, nullptr);
    std::printf("%s\n", utf8);
    std::fflush(stdout);
}

HRESULT STDMETHODCALLTYPE BrowserBase::get_HWND(SHANDLE_PTR* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = reinterpret_cast<SHANDLE_PTR>(frame);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE BrowserBase::put_StatusText(BSTR text) {
    lastStatus = text ? text : L"";
    if (::GetEnvironmentVariableW(L"CC_SANDBOX_TRACE", nullptr, 0)) Say(L"   [status] %ls", lastStatus);
    if (active) ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(lastStatus.c_str()));
    return S_OK;
}
HRESULT STDMETHODCALLTYPE BrowserBase::Quit() {
    Fire(DISPID_ONQUIT);
    ::DestroyWindow(frame);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE BrowserBase::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    AddRef();
    return S_OK;
}
void BrowserBase::Fire(DISPID id, DISPPARAMS* params) {
    DISPPARAMS none{};
    if (events_.sink) {
        events_.sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, params ? params : &none, nullptr, nullptr, nullptr);
    }
}
HRESULT BrowserBase::Attach() {
    const HRESULT made =
        ::CoCreateInstance(cc::kClsidGestureCore, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&helper_));
    if (FAILED(made)) return made;
    return helper_->SetSite(static_cast<IWebBrowser2*>(this));
}
void BrowserBase::Detach() {
    if (!helper_) return;
    Fire(DISPID_ONQUIT);
    helper_->SetSite(nullptr);
    helper_.Reset();
}

HRESULT BrowserBase::Answer(void* as, void** out) {
    *out = as;
    AddRef();
    return S_OK;
}
HRESULT BrowserBase::BaseInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp ||
        riid == IID_IWebBrowser2) {
        return Answer(static_cast<IWebBrowser2*>(this), out);
    }
    if (riid == IID_IConnectionPointContainer) return Answer(static_cast<IConnectionPointContainer*>(this), out);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE BrowserBase::Events::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE BrowserBase::Events::Advise(IUnknown* newSink, DWORD* cookie) {
    if (!newSink || !cookie) return E_POINTER;
    if (sink) return CONNECT_E_ADVISELIMIT;
    if (FAILED(newSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink)))) return E_NOINTERFACE;
    *cookie = 1;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE BrowserBase::Events::Unadvise(DWORD cookie) {
    if (cookie != 1 || !sink) return CONNECT_E_NOCONNECTION;
    IDispatch* old = sink;
    sink = nullptr;
    old->Release();
    return S_OK;
}

HWND MakeStatusBar(HWND frame) {
    return ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, frame,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

HWND MakeChild(const wchar_t* cls, HWND parent, DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN) {
    cc::test::EnsureClass(cls);
    return ::CreateWindowExW(0, cls, L"", style, 0, 0, 0, 0, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

constexpr int kNavPaneWidth = 150;

FolderTab::FolderTab(HWND frameWindow, HWND statusBar, FolderLayout layout, TabView kind) : kind_(kind) {
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
FolderTab::~FolderTab() {
    CloseView();
    for (PIDLIST_ABSOLUTE p : history_) ::CoTaskMemFree(p);
}

HRESULT STDMETHODCALLTYPE FolderTab::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IServiceProvider) return Answer(static_cast<IServiceProvider*>(this), out);
    if (riid == IID_IShellBrowser || riid == IID_IOleWindow) return Answer(static_cast<IShellBrowser*>(this), out);
    return BaseInterface(riid, out);
}

HRESULT STDMETHODCALLTYPE FolderTab::QueryService(REFGUID service, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (service != SID_SShellBrowser && service != SID_STopLevelBrowser) return E_NOINTERFACE;
    return QueryInterface(riid, out);
}
HRESULT STDMETHODCALLTYPE FolderTab::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = viewHost_;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE FolderTab::QueryActiveShellView(IShellView** view) {
    if (!view) return E_POINTER;
    *view = standIn_ ? static_cast<IShellView*>(standIn_.get()) : view_.Get();
    if (*view) (*view)->AddRef();
    return *view ? S_OK : E_FAIL;
}
HRESULT STDMETHODCALLTYPE FolderTab::GetControlWindow(UINT, HWND* hwnd) {
    if (hwnd) *hwnd = nullptr;
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FolderTab::SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT* result) {
    if (result) *result = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE FolderTab::BrowseObject(PCUIDLIST_RELATIVE pidl, UINT) {
    return Go(::ILClone(reinterpret_cast<PCIDLIST_ABSOLUTE>(pidl))) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE FolderTab::Refresh() {
    if (view_) return view_->Refresh();
    return standIn_ && Show(history_[current_]) ? S_OK : E_FAIL;
}
HRESULT STDMETHODCALLTYPE FolderTab::get_LocationURL(BSTR* url) {
    if (!url) return E_POINTER;
    *url = ::SysAllocString(Location().c_str());
    return S_OK;
}
HRESULT STDMETHODCALLTYPE FolderTab::Navigate2(VARIANT* target, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
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

bool FolderTab::Go(PIDLIST_ABSOLUTE pidl) {
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
std::wstring FolderTab::Location() const {
    wchar_t path[MAX_PATH] = L"";
    if (history_.empty() || !::SHGetPathFromIDListW(history_[current_], path)) return L"";
    std::wstring url = L"file:///" + std::wstring(path);
    for (wchar_t& c : url) c = c == L'\\' ? L'/' : c;
    return url;
}
std::wstring FolderTab::Title() const {
    wchar_t path[MAX_PATH] = L"";
    if (!history_.empty()) ::SHGetPathFromIDListW(history_[current_], path);
    return path;
}
void FolderTab::Place(RECT area) {
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
void FolderTab::SetActive(bool on) {
    active = on;
    if (tab_) ::ShowWindow(tab_.get(), on ? SW_SHOW : SW_HIDE);
    if (!on) return;
    ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(lastStatus.c_str()));
    ::SetWindowTextW(frame, (L"CursorCadence sandbox - " + Title()).c_str());
}

HRESULT FolderTab::Travel(int step) {
    const long next = static_cast<long>(current_) + step;
    if (next < 0 || next >= static_cast<long>(history_.size())) return E_FAIL;
    if (!Show(history_[next])) return E_FAIL;
    current_ = static_cast<size_t>(next);
    return S_OK;
}
RECT FolderTab::ViewRect() const {
    if (!tab_) return area_;
    return RECT{0, 0, std::max(0L, area_.right - area_.left - kNavPaneWidth), area_.bottom - area_.top};
}
bool FolderTab::Show(PCIDLIST_ABSOLUTE pidl) {
    if (!(kind_ == TabView::StandIn ? ShowStandIn(pidl) : ShowShellView(pidl))) return false;
    Place(area_);
    wchar_t path[MAX_PATH] = L"";
    ::SHGetPathFromIDListW(pidl, path);
    if (active) ::SetWindowTextW(frame, (L"CursorCadence sandbox - " + std::wstring(path)).c_str());
    return true;
}
bool FolderTab::ShowShellView(PCIDLIST_ABSOLUTE pidl) {
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
bool FolderTab::ShowStandIn(PCIDLIST_ABSOLUTE pidl) {
    wchar_t path[MAX_PATH] = L"";
    if (!::SHGetPathFromIDListW(pidl, path)) return false;
    auto next = std::make_unique<cc::test::StandInShellView>(viewHost_, ViewRect(), path);
    if (!next->window() || !next->items()) return false;
    next->items()->showContextMenu = true;
    CloseView();
    standIn_ = std::move(next);
    return true;
}
void FolderTab::CloseView() {
    standIn_.reset();
    if (!view_) return;
    view_->UIActivate(SVUIA_DEACTIVATE);
    view_->DestroyViewWindow();
    view_.Reset();
    viewWindow_ = nullptr;
}

FolderWindow::FolderWindow(RECT r, FolderLayout layout) : layout_(layout) {
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
FolderWindow::~FolderWindow() {
    if (frame_) ::SetWindowLongPtrW(frame_.get(), GWLP_USERDATA, 0);
    tabs_.clear();  // their views and windows first, while the frame still holds them
    frame_.reset();
}

FolderTab* FolderWindow::AddTab(TabView kind, const wchar_t* folder, const wchar_t* label) {
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
void FolderWindow::Activate(size_t index) {
    if (index >= tabs_.size()) return;
    active_ = index;
    for (size_t i = 0; i < tabs_.size(); ++i) {
        if (i != index) tabs_[i]->SetActive(false);
    }
    tabs_[index]->SetActive(true);
    if (strip_) ::SendMessageW(strip_, TCM_SETCURSEL, index, 0);
}
void FolderWindow::Layout() {
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
POINT FolderWindow::TabEntryCentre(size_t i) const {
    RECT item{};
    ::SendMessageW(strip_, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
    POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ::ClientToScreen(strip_, &p);
    return p;
}

void FolderWindow::RegisterFrameClass(const wchar_t* cls) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &FrameProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = cls;
    ::RegisterClassExW(&wc);  // fails harmlessly when it is already registered
}
LRESULT CALLBACK FolderWindow::FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
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

PageBrowser::PageBrowser(RECT r) {
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

HRESULT STDMETHODCALLTYPE PageBrowser::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return BaseInterface(riid, out);
}
HRESULT STDMETHODCALLTYPE PageBrowser::get_Document(IDispatch** document) {
    if (!document) return E_POINTER;
    *document = static_cast<IHTMLDocument2*>(&document_);
    document_.AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE PageBrowser::get_LocationURL(BSTR* url) {
    if (!url) return E_POINTER;
    *url = ::SysAllocString(Location().c_str());
    return S_OK;
}
HRESULT STDMETHODCALLTYPE PageBrowser::Navigate2(VARIANT* target, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
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
std::wstring PageBrowser::Location() const {
    std::lock_guard<std::mutex> lock(historyLock_);
    return history_[current_];
}
void PageBrowser::Open(int link) {
    VARIANT target;
    ::VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = ::SysAllocString(links_[link].href.c_str());
    Navigate2(&target, nullptr, nullptr, nullptr, nullptr);
    ::VariantClear(&target);
}
POINT PageBrowser::LinkCentre(int link) const {
    POINT p{180, 92 + 40 * link};
    ::ClientToScreen(page, &p);
    return p;
}

HRESULT PageBrowser::Travel(int step) {
    {
        std::lock_guard<std::mutex> lock(historyLock_);
        const long next = static_cast<long>(current_) + step;
        if (next < 0 || next >= static_cast<long>(history_.size())) return E_FAIL;
        current_ = static_cast<size_t>(next);
    }
    ::InvalidateRect(page, nullptr, TRUE);
    return S_OK;
}
void PageBrowser::RegisterPageClass() {
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
LRESULT CALLBACK PageBrowser::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
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

PageThread::PageThread() {
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
PageThread::~PageThread() {
    stop_ = true;
    thread_.join();
}
bool PageThread::open() const {
    PageBrowser* web = browser_.load();
    return web && ::IsWindow(web->frame);
}

}  // namespace sandbox
