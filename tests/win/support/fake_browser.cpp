#include "fake_browser.h"

namespace cc::test {

HRESULT STDMETHODCALLTYPE FakeBrowser::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp ||
        riid == IID_IWebBrowser2) {
        *out = static_cast<IWebBrowser2*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
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

}  // namespace cc::test
