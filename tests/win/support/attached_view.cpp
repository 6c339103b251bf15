#include "attached_view.h"

#include <exdispid.h>

#include "attach/instance_list.h"
#include "module/module.h"

namespace cc::test {
namespace {
// The product finds "setting" beside its module; for a test program that is the
// program's own folder, which holds no such file: the block starts from the defaults.
const bool g_moduleRecorded = (RecordModule(::GetModuleHandleW(nullptr)), true);
}  // namespace

SharedSettings::SharedSettings() {
    mapping_.MapShared();
    ApplyDefaults(mapping_.view());
}

namespace {
constexpr wchar_t kBrowserKey[] = L"Software\\Microsoft\\Internet Explorer";
}

BrowserVersionOverride::BrowserVersionOverride(const wchar_t* version) {
    DWORD bytes = sizeof(saved_) - sizeof(wchar_t);
    hadValue_ = ::RegGetValueW(HKEY_LOCAL_MACHINE, kBrowserKey, L"Version", RRF_RT_REG_SZ, nullptr, saved_, &bytes) ==
                ERROR_SUCCESS;
    Write(version);
}

BrowserVersionOverride::~BrowserVersionOverride() {
    if (hadValue_) {
        Write(saved_);
    } else {
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kBrowserKey, L"Version");
    }
}

void BrowserVersionOverride::Write(const wchar_t* version) {
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kBrowserKey, L"Version", REG_SZ, version,
                      static_cast<DWORD>((::lstrlenW(version) + 1) * sizeof(wchar_t)));
}

AttachedView::AttachedView(std::initializer_list<const wchar_t*> path, RECT frame, int items)
    : window(path, frame, items) {
    browser.topLevel = window.frame();
    if (SUCCEEDED(CGestureCore::Create(IID_PPV_ARGS(&object)))) {
        attachResult = object->SetSite(static_cast<IWebBrowser2*>(&browser));
    }
}

AttachedView::~AttachedView() {
    if (!object) return;
    browser.Fire(DISPID_ONQUIT);
    object->SetSite(nullptr);
    object.Reset();
}

HHOOK ThreadHook() {
    InstanceList::ThreadObjects objects;
    InstanceList::Collect(::GetCurrentThreadId(), objects);
    return objects.hook();
}

}  // namespace cc::test
