#include "attach/gesture_core.h"

#include <new>

#include "common/unique_handle.h"
#include "module/module.h"
#include "module/type_library.h"

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
    quickWnd_.Destroy();
    browser_.Reset();
    if (site_) site_->Release();
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
    if (!site) return S_OK;
    return S_OK;
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

HRESULT STDMETHODCALLTYPE CGestureCore::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                                EXCEPINFO*, UINT*) {
    if (!params) return E_INVALIDARG;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CGestureCore::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return LoadModuleTypeInfo(kClsidGestureCore, info);
}

}  // namespace cc
