// The browser helper object: one per Explorer folder window, browser window or tab,
// created and used on the thread of that window.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "context/gesture_context.h"
#include "context/gesture_session.h"
#include "menus/quick_wnd.h"
#include "module/guids.h"
#include "overlay/overlay.h"
#include "settings/settings_mapping.h"

namespace cc {

class CGestureCore final : public IObjectWithSite, public IGestureCore, public IProvideClassInfo {
public:
    // The class factory's creation: a new object answering `riid`, or an error with
    // *out left null.
    static HRESULT Create(REFIID riid, void** out);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IObjectWithSite
    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override;
    HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** out) override;

    // IDispatch (the browser's events arrive here)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;

    // The mouse hook's entry: handles one message of this object's thread.
    int HandleMouse(UINT message, const MOUSEHOOKSTRUCT& data);
    // For the hook, when tabs share the thread: a gesture under way, or a release still to
    // be swallowed, keeps the thread's messages with this object until it ends.
    bool GestureUnderWay() const { return session_.Tracking != 0 || session_.SkipNextRightUp != 0; }
    // Whether `window` is this object's view: the one found at its last press, or with
    // `locateAgain` the one its browser shows now.
    bool IsViewWindow(HWND window, bool locateAgain) const;

    const GestureSession& session() const { return session_; }
    GestureContext Context();

private:
    CGestureCore();
    ~CGestureCore();
    CGestureCore(const CGestureCore&) = delete;
    CGestureCore& operator=(const CGestureCore&) = delete;

    void OnBeforeNavigate2(const DISPPARAMS& params);
    // Another thread's "close all other tabs": quit this browser, on this thread.
    static void OnQuitRequest(void* context);
    // The gesture timer fired: the hint list goes.
    static void OnTimedOut(void* context);
    // Undoes the attachment: event subscription, list entry (with the thread's hook when
    // this was its last object), settings mapping.
    // Safe to call more than once and from inside a hook call.
    void Detach();
    void Unadvise();

    // Declared first so it is released last: the DLL stays loaded until every member is gone.
    struct ModuleLock {
        ModuleLock();
        ~ModuleLock();
    } moduleLock_;
    LONG refs_ = 1;
    DWORD adviseCookie_ = 0;
    DWORD threadId_ = 0;
    GestureSession session_;
    SettingsMapping settings_;
    QuickWnd quickWnd_;
    OverlayRef overlay_;        // the thread's, shared with the other tabs on it
    Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
    int dispatchDepth_ = 0;     // hook calls in progress on the stack
    bool unmapPending_ = false; // detached inside a hook call: unmap (and let the overlay go) when it returns
};

// 1 when the installed Internet Explorer is version 7 or later, read from
// HKLM\Software\Microsoft\Internet Explorer "Version"; 0 when it is older or unreadable.
int32_t ReadTabbedBrowser();

}  // namespace cc
