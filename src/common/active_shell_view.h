// The shell view a folder window shows, asked of its browser through the documented
// services: the browser's top-level shell browser, then its active view.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <shlguid.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "common/com_query.h"

namespace cc {

// Null when the browser answers no shell browser or no view.
inline Microsoft::WRL::ComPtr<IShellView> ActiveShellView(IWebBrowser2* browser) {
    Microsoft::WRL::ComPtr<IServiceProvider> services;
    Microsoft::WRL::ComPtr<IShellBrowser> shellBrowser;
    Microsoft::WRL::ComPtr<IShellView> view;
    if (!QueryTo(browser, services) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(&shellBrowser))) || !shellBrowser ||
        FAILED(shellBrowser->QueryActiveShellView(&view))) {
        view.Reset();
    }
    return view;
}

}  // namespace cc
