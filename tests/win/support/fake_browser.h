// Stand-ins for what the host provides: the browser's automation object with its
// DWebBrowserEvents2 connection point, and a page's object model. They record the
// calls the product makes; every method they do not serve records itself as unserved.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <string>
#include <vector>

#include "com_fake_bases.h"

namespace cc::test {

// The calls no double served, across all doubles of the program.
std::vector<std::string>& UnservedCalls();

class FakeDocument;
class FakeShellBrowser;
class FakeTravelLog;

// A copy of a VARIANT argument the product passed.
struct RecordedVariant {
    VARTYPE vt = VT_EMPTY;
    std::wstring text;               // VT_BSTR
    LONG number = 0;                 // VT_I4
    std::vector<unsigned char> bytes;  // VT_ARRAY | VT_UI1
    static RecordedVariant Of(const VARIANT* v);
};

struct Navigation {
    RecordedVariant target;
    RecordedVariant flags;
    bool restEmpty = true;  // the other three arguments were VT_EMPTY
};

// Objects live on the test's stack or as members; reference counts are kept only to
// check that the product gives back every reference it takes.
class FakeBrowser final : public FakeBase_IWebBrowser2,
                          public FakeBase_IConnectionPointContainer,
                          public FakeBase_IServiceProvider {
public:
    FakeBrowser();
    ~FakeBrowser();

    HWND topLevel = nullptr;
    HRESULT hwndResult = S_OK;
    HRESULT goBackResult = S_OK;
    bool refuseAdvise = false;
    // Answers "success" with no interface for everything but the browser itself.
    bool answersWithNothing = false;
    FakeDocument* document = nullptr;
    FakeShellBrowser* shellBrowser = nullptr;  // served through IServiceProvider
    FakeTravelLog* travelLog = nullptr;        // likewise
    const wchar_t* locationUrl = nullptr;      // null: get_LocationURL fails
    VARIANT_BOOL theaterMode = VARIANT_FALSE;
    std::vector<std::wstring> statusTexts;
    std::vector<std::string> calls;
    std::vector<Navigation> navigations;
    std::vector<DWORD> quitThreads;            // the thread each Quit came on
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* hwnd) override;
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR text) override;
    HRESULT STDMETHODCALLTYPE GoBack() override;
    HRESULT STDMETHODCALLTYPE GoForward() override;
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* url, VARIANT* flags, VARIANT* frame, VARIANT* post,
                                        VARIANT* headers) override;
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override;
    HRESULT STDMETHODCALLTYPE Stop() override { return Record("Stop"); }
    HRESULT STDMETHODCALLTYPE Refresh() override { return Record("Refresh"); }
    HRESULT STDMETHODCALLTYPE GoHome() override { return Record("GoHome"); }
    HRESULT STDMETHODCALLTYPE Quit() override;
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override;
    HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* on) override;
    HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL on) override;
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override;

    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // The subscribed event sink, if any, and firing an event at it.
    IDispatch* sink() const { return events_.sink; }
    HRESULT Fire(DISPID id, DISPPARAMS* params = nullptr);
    size_t Count(const std::string& call) const;

private:
    HRESULT Record(const char* call) {
        calls.emplace_back(call);
        return S_OK;
    }
    class Events final : public FakeBase_IConnectionPoint {
    public:
        explicit Events(FakeBrowser& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
        IDispatch* sink = nullptr;

    private:
        FakeBrowser& owner_;
    } events_{*this};
};

// One element of a fake page: a rectangle of the page, what kind of element it is, and
// the offsets ElementPagePosition reads.
class FakeElement final : public FakeBase_IHTMLElement,
                          public FakeBase_IHTMLAnchorElement,
                          public FakeBase_IHTMLAreaElement,
                          public FakeBase_IHTMLControlElement,
                          public FakeBase_IHTMLTextContainer {
public:
    enum Kind { Plain, Anchor, Area };
    Kind kind = Plain;
    std::wstring href;
    FakeElement* parent = nullptr;
    FakeElement* offsetParent = nullptr;
    LONG offsetLeft = 0, offsetTop = 0;
    bool hasClientEdge = false;  // answers IHTMLControlElement
    LONG clientLeft = 0, clientTop = 0;
    bool scrolls = false;        // answers IHTMLTextContainer
    LONG scrollLeft = 0, scrollTop = 0;
    FakeBrowser* frame = nullptr;  // a frame answers IWebBrowser2 with its own browser
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE get_parentElement(IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE get_offsetParent(IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE get_offsetLeft(LONG* p) override { return Give(p, offsetLeft); }
    HRESULT STDMETHODCALLTYPE get_offsetTop(LONG* p) override { return Give(p, offsetTop); }
    HRESULT STDMETHODCALLTYPE get_clientLeft(LONG* p) override { return Give(p, clientLeft); }
    HRESULT STDMETHODCALLTYPE get_clientTop(LONG* p) override { return Give(p, clientTop); }
    HRESULT STDMETHODCALLTYPE get_scrollLeft(LONG* p) override { return Give(p, scrollLeft); }
    HRESULT STDMETHODCALLTYPE get_scrollTop(LONG* p) override { return Give(p, scrollTop); }
    HRESULT STDMETHODCALLTYPE get_href(BSTR* p) override;

private:
    static HRESULT Give(LONG* out, LONG value) {
        if (!out) return E_POINTER;
        *out = value;
        return S_OK;
    }
};

class FakeWindow final : public FakeBase_IHTMLWindow2 {
public:
    std::vector<POINT> scrolls;
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE scrollBy(LONG x, LONG y) override;
};

// A page: elements hit-tested by rectangles, the topmost (last added) first.
class FakeDocument final : public FakeBase_IHTMLDocument2 {
public:
    struct Placed {
        RECT rect;
        FakeElement* element;
    };
    std::vector<Placed> elements;
    FakeWindow window;
    bool hasWindow = true;
    std::vector<POINT> queries;
    LONG refs = 1;

    void Place(FakeElement& element, RECT rect) { elements.push_back({rect, &element}); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE elementFromPoint(LONG x, LONG y, IHTMLElement** element) override;
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** window) override;
};

// The window's shell browser (served as SID_SShellBrowser and SID_STopLevelBrowser) with
// its active folder view, showing a real folder of the machine: GetFolder answers with
// that folder's real IPersistFolder2.
class FakeShellBrowser final : public FakeBase_IShellBrowser, public FakeBase_IShellView, public FakeBase_IFolderView {
public:
    IPersistFolder2* folder = nullptr;  // not owned
    IShellView* activeView = nullptr;   // answered instead of this object's own view; not owned
    bool noView = false;                // QueryActiveShellView fails
    HWND viewWindow = nullptr;          // the own view's window (GetWindow)
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** view) override;
    HRESULT STDMETHODCALLTYPE GetFolder(REFIID riid, void** out) override;
};

// The browser's travel log: given back and forward titles (nearest first), recording
// the relative entry asked for and the entry travelled to.
class FakeTravelLog final : public FakeBase_ITravelLogStg {
public:
    std::vector<std::wstring> back, forward;
    HRESULT countResult = S_OK;
    std::vector<int> relativeAsked;
    std::vector<std::wstring> travelledTo;
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetCount(DWORD flags, DWORD* count) override;
    HRESULT STDMETHODCALLTYPE EnumEntries(TLENUMF flags, IEnumTravelLogEntry** entries) override;
    HRESULT STDMETHODCALLTYPE GetRelativeEntry(int offset, ITravelLogEntry** entry) override;
    HRESULT STDMETHODCALLTYPE TravelTo(ITravelLogEntry* entry) override;
};

// Builds a DISPPARAMS for BeforeNavigate2 the way the browser does (arguments in
// reverse order, the address and Cancel by reference).
class BeforeNavigate2Args {
public:
    explicit BeforeNavigate2Args(const wchar_t* url);
    ~BeforeNavigate2Args();
    DISPPARAMS params{};
    VARIANT args[7];
    VARIANT urlValue;
    VARIANT_BOOL cancel = VARIANT_FALSE;
};

}  // namespace cc::test
