#include "fake_browser.h"

#include <shlguid.h>

#include <exdispid.h>

#include <algorithm>

namespace cc::test {

std::vector<std::string>& UnservedCalls() {
    static std::vector<std::string> calls;
    return calls;
}

HRESULT UnservedCall(const char* method) {
    UnservedCalls().emplace_back(method);
    return E_NOTIMPL;
}

namespace {

template <typename Interface, typename Object>
HRESULT Answer(Object* object, Interface* as, void** out) {
    *out = as;
    object->AddRef();
    return S_OK;
}

}  // namespace

FakeBrowser::FakeBrowser() = default;

FakeBrowser::~FakeBrowser() {
    if (events_.sink) events_.sink->Release();
}

HRESULT STDMETHODCALLTYPE FakeBrowser::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp ||
        riid == IID_IWebBrowser2) {
        return Answer(this, static_cast<IWebBrowser2*>(this), out);
    }
    if (answersWithNothing) return S_OK;
    if (riid == IID_IConnectionPointContainer) return Answer(this, static_cast<IConnectionPointContainer*>(this), out);
    if (riid == IID_IServiceProvider) return Answer(this, static_cast<IServiceProvider*>(this), out);
    return E_NOINTERFACE;
}

RecordedVariant RecordedVariant::Of(const VARIANT* v) {
    RecordedVariant r;
    if (!v) return r;
    r.vt = v->vt;
    if (v->vt == VT_BSTR && v->bstrVal) r.text.assign(v->bstrVal, ::SysStringLen(v->bstrVal));
    if (v->vt == VT_I4) r.number = v->lVal;
    if (v->vt == (VT_ARRAY | VT_UI1) && v->parray) {
        void* data = nullptr;
        if (SUCCEEDED(::SafeArrayAccessData(v->parray, &data))) {
            const auto* begin = static_cast<const unsigned char*>(data);
            r.bytes.assign(begin, begin + v->parray->rgsabound[0].cElements);
            ::SafeArrayUnaccessData(v->parray);
        }
    }
    return r;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::Quit() {
    calls.emplace_back("Quit");
    quitThreads.push_back(::GetCurrentThreadId());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_LocationURL(BSTR* url) {
    calls.emplace_back("get_LocationURL");
    if (!url) return E_POINTER;
    *url = nullptr;
    if (!locationUrl) return E_FAIL;
    *url = ::SysAllocString(locationUrl);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_TheaterMode(VARIANT_BOOL* on) {
    calls.emplace_back("get_TheaterMode");
    if (!on) return E_POINTER;
    *on = theaterMode;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::put_TheaterMode(VARIANT_BOOL on) {
    calls.emplace_back("put_TheaterMode");
    theaterMode = on;
    return S_OK;
}

namespace {

const GUID kTravelLogStg = {0x7EBFDD80, 0xAD18, 0x11D3, {0xA4, 0xC5, 0x00, 0xC0, 0x4F, 0x72, 0xD6, 0xB8}};
const GUID kTravelLogEntry = {0x7EBFDD87, 0xAD18, 0x11D3, {0xA4, 0xC5, 0x00, 0xC0, 0x4F, 0x72, 0xD6, 0xB8}};
const GUID kEnumTravelLogEntry = {0x7EBFDD85, 0xAD18, 0x11D3, {0xA4, 0xC5, 0x00, 0xC0, 0x4F, 0x72, 0xD6, 0xB8}};

// A heap object that frees itself with its last reference, as the product releases what
// it is given; `Base` is a generated fake of `Interface`.
template <typename Base, typename Interface, const GUID& kIid>
class SelfFreeing : public Base {
public:
    virtual ~SelfFreeing() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != kIid) return E_NOINTERFACE;
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG r = --refs_;
        if (r == 0) delete this;
        return r;
    }

private:
    ULONG refs_ = 1;
};

class Entry final : public SelfFreeing<FakeBase_ITravelLogEntry, ITravelLogEntry, kTravelLogEntry> {
public:
    explicit Entry(std::wstring title) : title_(std::move(title)) {}
    HRESULT STDMETHODCALLTYPE GetTitle(LPWSTR* title) override {
        if (!title) return E_POINTER;
        *title = static_cast<LPWSTR>(::CoTaskMemAlloc((title_.size() + 1) * sizeof(wchar_t)));
        if (!*title) return E_OUTOFMEMORY;
        std::copy(title_.c_str(), title_.c_str() + title_.size() + 1, *title);
        return S_OK;
    }
    const std::wstring& title() const { return title_; }

private:
    std::wstring title_;
};

class Entries final : public SelfFreeing<FakeBase_IEnumTravelLogEntry, IEnumTravelLogEntry, kEnumTravelLogEntry> {
public:
    explicit Entries(std::vector<std::wstring> titles) : titles_(std::move(titles)) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, ITravelLogEntry** out, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (count != 1 || !out) return E_INVALIDARG;
        *out = nullptr;
        if (next_ >= titles_.size()) return S_FALSE;
        *out = new Entry(titles_[next_++]);
        if (fetched) *fetched = 1;
        return S_OK;
    }

private:
    std::vector<std::wstring> titles_;
    size_t next_ = 0;
};

}  // namespace

HRESULT STDMETHODCALLTYPE FakeTravelLog::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != kTravelLogStg) return E_NOINTERFACE;
    *out = static_cast<ITravelLogStg*>(this);
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeTravelLog::GetCount(DWORD flags, DWORD* count) {
    if (!count) return E_POINTER;
    *count = static_cast<DWORD>(flags == TLEF_RELATIVE_BACK ? back.size() : forward.size());
    return countResult;
}

HRESULT STDMETHODCALLTYPE FakeTravelLog::EnumEntries(TLENUMF flags, IEnumTravelLogEntry** entries) {
    if (!entries) return E_POINTER;
    *entries = new Entries(flags == TLEF_RELATIVE_BACK ? back : forward);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeTravelLog::GetRelativeEntry(int offset, ITravelLogEntry** entry) {
    relativeAsked.push_back(offset);
    if (!entry) return E_POINTER;
    *entry = nullptr;
    const std::vector<std::wstring>& side = offset < 0 ? back : forward;
    const size_t index = static_cast<size_t>(offset < 0 ? -offset : offset) - 1;
    if (offset == 0 || index >= side.size()) return E_FAIL;
    *entry = new Entry(side[index]);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeTravelLog::TravelTo(ITravelLogEntry* entry) {
    travelledTo.push_back(entry ? static_cast<Entry*>(entry)->title() : L"");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::QueryService(REFGUID service, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (service == kTravelLogStg) return travelLog ? travelLog->QueryInterface(riid, out) : E_NOINTERFACE;
    if ((service != IID_IShellBrowser && service != SID_STopLevelBrowser) || !shellBrowser) return E_NOINTERFACE;
    return shellBrowser->QueryInterface(riid, out);
}

HRESULT STDMETHODCALLTYPE FakeShellBrowser::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IShellBrowser) {
        return Answer(this, static_cast<IShellBrowser*>(this), out);
    }
    if (riid == IID_IShellView) return Answer(this, static_cast<IShellView*>(this), out);
    if (riid == IID_IFolderView) return Answer(this, static_cast<IFolderView*>(this), out);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE FakeShellBrowser::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = viewWindow;
    return viewWindow ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE FakeShellBrowser::QueryActiveShellView(IShellView** view) {
    if (!view) return E_POINTER;
    *view = noView ? nullptr : activeView ? activeView : static_cast<IShellView*>(this);
    if (!*view) return E_FAIL;
    (*view)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeShellBrowser::GetFolder(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!folder) return E_FAIL;
    return folder->QueryInterface(riid, out);
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_HWND(SHANDLE_PTR* hwnd) {
    calls.emplace_back("get_HWND");
    if (!hwnd) return E_POINTER;
    *hwnd = reinterpret_cast<SHANDLE_PTR>(topLevel);
    return hwndResult;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::put_StatusText(BSTR text) {
    calls.emplace_back("put_StatusText");
    statusTexts.emplace_back(text ? std::wstring(text, ::SysStringLen(text)) : std::wstring());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::GoBack() {
    calls.emplace_back("GoBack");
    return goBackResult;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::GoForward() {
    calls.emplace_back("GoForward");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* frame, VARIANT* post,
                                                  VARIANT* headers) {
    calls.emplace_back("Navigate2");
    Navigation n;
    n.target = RecordedVariant::Of(url);
    n.flags = RecordedVariant::Of(flags);
    for (const VARIANT* rest : {frame, post, headers}) n.restEmpty = n.restEmpty && rest && rest->vt == VT_EMPTY;
    navigations.push_back(std::move(n));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::get_Document(IDispatch** out) {
    calls.emplace_back("get_Document");
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!document) return S_FALSE;
    return Answer(document, static_cast<IDispatch*>(static_cast<IHTMLDocument2*>(document)),
                  reinterpret_cast<void**>(out));
}

HRESULT STDMETHODCALLTYPE FakeBrowser::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

HRESULT FakeBrowser::Fire(DISPID id, DISPPARAMS* params) {
    if (!events_.sink) return E_UNEXPECTED;
    DISPPARAMS none{};
    return events_.sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params ? params : &none, nullptr,
                                nullptr, nullptr);
}

size_t FakeBrowser::Count(const std::string& call) const { return std::count(calls.begin(), calls.end(), call); }

HRESULT STDMETHODCALLTYPE FakeBrowser::Events::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) return Answer(this, static_cast<IConnectionPoint*>(this), out);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::Events::Advise(IUnknown* newSink, DWORD* cookie) {
    owner_.calls.emplace_back("Advise");
    if (!newSink || !cookie) return E_POINTER;
    if (owner_.refuseAdvise || sink) return CONNECT_E_ADVISELIMIT;
    if (FAILED(newSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink)))) return CONNECT_E_CANNOTCONNECT;
    *cookie = 77;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeBrowser::Events::Unadvise(DWORD cookie) {
    owner_.calls.emplace_back("Unadvise");
    if (cookie != 77 || !sink) return CONNECT_E_NOCONNECTION;
    IDispatch* old = sink;
    sink = nullptr;
    old->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLElement) {
        return Answer(this, static_cast<IHTMLElement*>(this), out);
    }
    if (riid == IID_IHTMLAnchorElement && kind == Anchor) return Answer(this, static_cast<IHTMLAnchorElement*>(this), out);
    if (riid == IID_IHTMLAreaElement && kind == Area) return Answer(this, static_cast<IHTMLAreaElement*>(this), out);
    if (riid == IID_IHTMLControlElement && hasClientEdge) return Answer(this, static_cast<IHTMLControlElement*>(this), out);
    if (riid == IID_IHTMLTextContainer && scrolls) return Answer(this, static_cast<IHTMLTextContainer*>(this), out);
    if (riid == IID_IWebBrowser2 && frame) return frame->QueryInterface(riid, out);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_parentElement(IHTMLElement** p) {
    if (!p) return E_POINTER;
    *p = parent;
    if (parent) parent->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_offsetParent(IHTMLElement** p) {
    if (!p) return E_POINTER;
    *p = offsetParent;
    if (offsetParent) offsetParent->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeElement::get_href(BSTR* p) {
    if (!p) return E_POINTER;
    *p = href.empty() ? nullptr : ::SysAllocString(href.c_str());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeWindow::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLWindow2 ||
        riid == IID_IHTMLFramesCollection2) {
        return Answer(this, static_cast<IHTMLWindow2*>(this), out);
    }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE FakeWindow::scrollBy(LONG x, LONG y) {
    scrolls.push_back({x, y});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeDocument::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLDocument ||
        riid == IID_IHTMLDocument2) {
        return Answer(this, static_cast<IHTMLDocument2*>(this), out);
    }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE FakeDocument::elementFromPoint(LONG x, LONG y, IHTMLElement** element) {
    if (!element) return E_POINTER;
    queries.push_back({x, y});
    *element = nullptr;
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
        if (x >= it->rect.left && x < it->rect.right && y >= it->rect.top && y < it->rect.bottom) {
            *element = static_cast<IHTMLElement*>(it->element);
            it->element->AddRef();
            break;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeDocument::get_parentWindow(IHTMLWindow2** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!hasWindow) return E_FAIL;
    *out = &window;
    window.AddRef();
    return S_OK;
}

BeforeNavigate2Args::BeforeNavigate2Args(const wchar_t* url) {
    for (VARIANT& v : args) ::VariantInit(&v);
    ::VariantInit(&urlValue);
    urlValue.vt = VT_BSTR;
    urlValue.bstrVal = ::SysAllocString(url);
    // Reversed: element 6 is pDisp, 5 the URL, ..., 0 Cancel.
    args[5].vt = VT_BYREF | VT_VARIANT;
    args[5].pvarVal = &urlValue;
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    params.rgvarg = args;
    params.cArgs = 7;
}

BeforeNavigate2Args::~BeforeNavigate2Args() { ::VariantClear(&urlValue); }

}  // namespace cc::test
