#include "attach/gesture_core.h"
#include "common/com_query.h"

#include <new>

#include <exdispid.h>

#include "actions/folder_navigation.h"
#include "attach/instance_list.h"
#include "attach/mouse_hook.h"
#include "common/unique_handle.h"
#include "gesture/dispatch.h"
#include "gesture/view_locator.h"
#include "module/module.h"
#include "module/type_library.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

// The leading decimal number of a version text such as "7.0.5730.11"; 0 when none.
int LeadingNumber(const wchar_t* text) {
    int value = 0;
    for (; *text >= L'0' && *text <= L'9' && value < 100000; ++text) value = value * 10 + (*text - L'0');
    return value;
}

}  // namespace

int32_t ReadTabbedBrowser() {
    unique_hkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
        return 0;
    }
    // 48 bytes of text; the registry does not promise a terminator, so one is kept spare.
    wchar_t version[48 / sizeof(wchar_t) + 1] = {};
    DWORD bytes = 48;
    DWORD type = 0;
    if (::RegQueryValueExW(key.get(), L"Version", nullptr, &type, reinterpret_cast<BYTE*>(version), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return 0;
    }
    return LeadingNumber(version) >= 7 ? 1 : 0;
}

HRESULT CGestureCore::Create(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CGestureCore* object = new (std::nothrow) CGestureCore();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
}

CGestureCore::ModuleLock::ModuleLock() { LockModule(); }
CGestureCore::ModuleLock::~ModuleLock() { UnlockModule(); }

CGestureCore::CGestureCore() {
    quickWnd_.Create();  // without it there is no gesture timer; nothing else depends on it
    session_.TabbedBrowser = ReadTabbedBrowser();
}

CGestureCore::~CGestureCore() {
    // The browser may release the object without OnQuit or SetSite(NULL): the hook and
    // the list entry must not outlive it.
    Detach();
    quickWnd_.Destroy();
    browser_.Reset();
}

HRESULT STDMETHODCALLTYPE CGestureCore::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IObjectWithSite) {
        *out = static_cast<IObjectWithSite*>(this);
    } else if (riid == kIidGestureCore || riid == IID_IDispatch) {
        *out = static_cast<IGestureCore*>(this);
    } else if (riid == IID_IProvideClassInfo) {
        *out = static_cast<IProvideClassInfo*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CGestureCore::AddRef() { return ::InterlockedIncrement(&refs_); }

ULONG STDMETHODCALLTYPE CGestureCore::Release() {
    const ULONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
}

HRESULT STDMETHODCALLTYPE CGestureCore::SetSite(IUnknown* site) {
    // A cleared site means the browser is letting go: detach now rather than keep a hook
    // that could outlive the object.
    if (!site) {
        Detach();
        return S_OK;
    }
    Detach();  // a second site replaces the first
    browser_.Reset();
    if (!QueryTo(site, browser_)) return S_OK;
    if (!settings_.MapShared()) return S_OK;

    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (QueryTo(browser_, container) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) && point) {
        DWORD cookie = 0;
        if (SUCCEEDED(point->Advise(static_cast<IGestureCore*>(this), &cookie))) adviseCookie_ = cookie;
    }

    threadId_ = ::GetCurrentThreadId();
    // Tabs of one window can share a thread: every object is entered, the first answers
    // S_OK and installs the thread's one hook, the others S_FALSE.
    const InstanceList::Joined joined = InstanceList::Add(threadId_, this, quickWnd_.hwnd());
    if (joined == InstanceList::Joined::Failed) return S_OK;
    quickWnd_.SetTimedOutFlag(&session_.TimedOut);
    quickWnd_.SetTimedOutHandler(&CGestureCore::OnTimedOut, this);
    quickWnd_.SetQuitHandler(&CGestureCore::OnQuitRequest, this);
    overlay_.reset(Overlay::AcquireForThisThread());  // without it gestures work, unseen
    if (joined == InstanceList::Joined::Secondary) return S_FALSE;
    InstanceList::SetHooks(threadId_, InstallThreadHooks());
    return S_OK;
}

void CGestureCore::OnQuitRequest(void* context) {
    auto* self = static_cast<CGestureCore*>(context);
    self->AddRef();  // quitting may release the browser's last reference to us
    if (self->browser_) self->browser_->Quit();
    self->Release();
}

void CGestureCore::OnTimedOut(void* context) {
    auto* self = static_cast<CGestureCore*>(context);
    if (self->overlay_) self->overlay_->DropHints(&self->session_);
}

void CGestureCore::Unadvise() {
    if (adviseCookie_ == 0 || !browser_) return;
    const DWORD cookie = adviseCookie_;
    adviseCookie_ = 0;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (QueryTo(browser_, container) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) && point) {
        point->Unadvise(cookie);
    }
}

void CGestureCore::Detach() {
    Unadvise();
    if (threadId_) InstanceList::Remove(threadId_, this);  // never another object's entry
    quickWnd_.SetTimedOutHandler(nullptr, nullptr);
    if (overlay_) overlay_->Forget(&session_);
    // A handler on the stack still reads the block and draws on the overlay: let both go
    // once it has returned.
    if (dispatchDepth_ > 0) {
        unmapPending_ = true;
    } else {
        settings_.Unmap();
        overlay_.reset();
    }
}

bool CGestureCore::IsViewWindow(HWND window, bool locateAgain) const {
    if (!locateAgain) return session_.TargetView == window;
    return LocateView(browser_.Get(), session_.TabbedBrowser != 0).view == window;
}

GestureContext CGestureCore::Context() {
    return GestureContext{&session_, settings_.view(), quickWnd_.hwnd(), browser_.Get(), &settings_,
                          &InstanceList::OtherQuickWindows, overlay_.get()};
}

int CGestureCore::HandleMouse(UINT message, const MOUSEHOOKSTRUCT& data) {
    if (!settings_.mapped()) return 0;
    // An action can make the browser quit, and release us, from inside the handler.
    AddRef();
    ++dispatchDepth_;
    const int result = DispatchMouse(Context(), message, data);
    if (--dispatchDepth_ == 0 && unmapPending_) {
        unmapPending_ = false;
        settings_.Unmap();
        overlay_.reset();
    }
    Release();
    return result;
}

HRESULT STDMETHODCALLTYPE CGestureCore::GetSite(REFIID, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;  // the object keeps no site
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CGestureCore::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CGestureCore::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return LoadModuleTypeInfo(kIidGestureCore, info);
}

HRESULT STDMETHODCALLTYPE CGestureCore::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    Microsoft::WRL::ComPtr<ITypeInfo> info;
    const HRESULT hr = LoadModuleTypeInfo(kIidGestureCore, &info);
    if (FAILED(hr)) return hr;
    return ::DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT STDMETHODCALLTYPE CGestureCore::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                                EXCEPINFO*, UINT*) {
    if (!params) return E_INVALIDARG;
    switch (id) {
    case DISPID_BEFORENAVIGATE2:
        OnBeforeNavigate2(*params);
        break;
    case DISPID_ONQUIT:
        Detach();
        break;
    default:
        break;
    }
    return S_OK;
}

void CGestureCore::OnBeforeNavigate2(const DISPPARAMS& params) {
    if (!session_.NewWindowPending) return;
    session_.NewWindowPending = 0;
    // The arguments come from outside: the documented seven, the address a reference to a
    // variant holding a BSTR, Cancel a reference to a VARIANT_BOOL. Anything else is ignored.
    constexpr UINT kArgumentCount = 7;
    constexpr UINT kUrlIndex = 5;
    constexpr UINT kCancelIndex = 0;
    if (params.cArgs != kArgumentCount || !params.rgvarg) return;
    const VARIANT& url = params.rgvarg[kUrlIndex];
    const VARIANT& cancel = params.rgvarg[kCancelIndex];
    if (url.vt != (VT_BYREF | VT_VARIANT) || !url.pvarVal || url.pvarVal->vt != VT_BSTR) return;
    if (cancel.vt != (VT_BYREF | VT_BOOL) || !cancel.pboolVal) return;
    OpenInNewWindow(Context(), url.pvarVal->bstrVal, cancel.pboolVal);
}

HRESULT STDMETHODCALLTYPE CGestureCore::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return LoadModuleTypeInfo(kClsidGestureCore, info);
}

}  // namespace cc
