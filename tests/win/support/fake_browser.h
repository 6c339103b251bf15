// A stand-in for the browser's automation object (the one thing the host provides):
// answers get_HWND with a window of the test, keeps every status text it is given and
// records the name of every other call.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <string>
#include <vector>

namespace cc::test {

class FakeBrowser final : public IWebBrowser2 {
public:
    HWND topLevel = nullptr;
    HRESULT hwndResult = S_OK;
    std::vector<std::wstring> statusTexts;
    std::vector<std::string> calls;

    // IUnknown: lives on the test's stack; counting only to check balance.
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* hwnd) override;
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR text) override;

#define CC_FAKE_UNUSED(name, params) \
    HRESULT STDMETHODCALLTYPE name params override { return Record(#name); }
    CC_FAKE_UNUSED(GetTypeInfoCount, (UINT*))
    CC_FAKE_UNUSED(GetTypeInfo, (UINT, LCID, ITypeInfo**))
    CC_FAKE_UNUSED(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    CC_FAKE_UNUSED(Invoke, (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
    CC_FAKE_UNUSED(GoBack, ())
    CC_FAKE_UNUSED(GoForward, ())
    CC_FAKE_UNUSED(GoHome, ())
    CC_FAKE_UNUSED(GoSearch, ())
    CC_FAKE_UNUSED(Navigate, (BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
    CC_FAKE_UNUSED(Refresh, ())
    CC_FAKE_UNUSED(Refresh2, (VARIANT*))
    CC_FAKE_UNUSED(Stop, ())
    CC_FAKE_UNUSED(get_Application, (IDispatch**))
    CC_FAKE_UNUSED(get_Parent, (IDispatch**))
    CC_FAKE_UNUSED(get_Container, (IDispatch**))
    CC_FAKE_UNUSED(get_Document, (IDispatch**))
    CC_FAKE_UNUSED(get_TopLevelContainer, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(get_Type, (BSTR*))
    CC_FAKE_UNUSED(get_Left, (LONG*))
    CC_FAKE_UNUSED(put_Left, (LONG))
    CC_FAKE_UNUSED(get_Top, (LONG*))
    CC_FAKE_UNUSED(put_Top, (LONG))
    CC_FAKE_UNUSED(get_Width, (LONG*))
    CC_FAKE_UNUSED(put_Width, (LONG))
    CC_FAKE_UNUSED(get_Height, (LONG*))
    CC_FAKE_UNUSED(put_Height, (LONG))
    CC_FAKE_UNUSED(get_LocationName, (BSTR*))
    CC_FAKE_UNUSED(get_LocationURL, (BSTR*))
    CC_FAKE_UNUSED(get_Busy, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(Quit, ())
    CC_FAKE_UNUSED(ClientToWindow, (int*, int*))
    CC_FAKE_UNUSED(PutProperty, (BSTR, VARIANT))
    CC_FAKE_UNUSED(GetProperty, (BSTR, VARIANT*))
    CC_FAKE_UNUSED(get_Name, (BSTR*))
    CC_FAKE_UNUSED(get_FullName, (BSTR*))
    CC_FAKE_UNUSED(get_Path, (BSTR*))
    CC_FAKE_UNUSED(get_Visible, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_Visible, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_StatusBar, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_StatusBar, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_StatusText, (BSTR*))
    CC_FAKE_UNUSED(get_ToolBar, (int*))
    CC_FAKE_UNUSED(put_ToolBar, (int))
    CC_FAKE_UNUSED(get_MenuBar, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_MenuBar, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_FullScreen, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_FullScreen, (VARIANT_BOOL))
    CC_FAKE_UNUSED(Navigate2, (VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
    CC_FAKE_UNUSED(QueryStatusWB, (OLECMDID, OLECMDF*))
    CC_FAKE_UNUSED(ExecWB, (OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*))
    CC_FAKE_UNUSED(ShowBrowserBar, (VARIANT*, VARIANT*, VARIANT*))
    CC_FAKE_UNUSED(get_ReadyState, (READYSTATE*))
    CC_FAKE_UNUSED(get_Offline, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_Offline, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_Silent, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_Silent, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_RegisterAsBrowser, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_RegisterAsBrowser, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_RegisterAsDropTarget, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_RegisterAsDropTarget, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_TheaterMode, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_TheaterMode, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_AddressBar, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_AddressBar, (VARIANT_BOOL))
    CC_FAKE_UNUSED(get_Resizable, (VARIANT_BOOL*))
    CC_FAKE_UNUSED(put_Resizable, (VARIANT_BOOL))
#undef CC_FAKE_UNUSED

private:
    HRESULT Record(const char* name) {
        calls.emplace_back(name);
        return E_NOTIMPL;
    }
};

}  // namespace cc::test
