#include "module/registration.h"

#include "common/unique_handle.h"
#include "module/guids.h"
#include "module/module.h"
#include "module/type_library.h"

namespace cc {
namespace {

// "<a>\<b>\<c>" into a buffer of registry-path size.
class KeyPath {
public:
    explicit KeyPath(const wchar_t* first) { Append(first); }
    KeyPath& Append(const wchar_t* part) {
        if (length_ > 0) Add(L"\\");
        Add(part);
        return *this;
    }
    const wchar_t* get() const { return overflow_ ? nullptr : text_; }

private:
    void Add(const wchar_t* s) {
        for (; *s; ++s) {
            if (length_ + 1 >= kCapacity) {
                overflow_ = true;
                return;
            }
            text_[length_++] = *s;
        }
        text_[length_] = L'\0';
    }
    static constexpr int kCapacity = 256;
    wchar_t text_[kCapacity] = L"";
    int length_ = 0;
    bool overflow_ = false;
};

// Sets a string value (null name: the key's default value), creating the key.
HRESULT SetString(HKEY root, const KeyPath& path, const wchar_t* name, const wchar_t* value) {
    if (!path.get()) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    unique_hkey key;
    LSTATUS status = ::RegCreateKeyExW(root, path.get(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                       key.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const DWORD bytes = static_cast<DWORD>((::lstrlenW(value) + 1) * sizeof(wchar_t));
    status = ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(HKEY root, const KeyPath& path) {
    if (!path.get()) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    const LSTATUS status = ::RegDeleteTreeW(root, path.get());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
    // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
    const LSTATUS last = ::RegDeleteKeyW(root, path.get());
    return last == ERROR_SUCCESS || last == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(last);
}

KeyPath ClassKey() { return KeyPath(L"CLSID").Append(kClsidText); }
KeyPath HelperKey() { return KeyPath(kBrowserHelperObjectsKey).Append(kClsidText); }

HRESULT WriteEntries(const wchar_t* modulePath) {
    const struct {
        KeyPath path;
        const wchar_t* name;
        const wchar_t* value;
    } values[] = {
        {ClassKey(), nullptr, kClassDescription},
        {ClassKey().Append(L"ProgID"), nullptr, kProgId},
        {ClassKey().Append(L"VersionIndependentProgID"), nullptr, kVersionIndependentProgId},
        {ClassKey().Append(L"InprocServer32"), nullptr, modulePath},
        {ClassKey().Append(L"InprocServer32"), L"ThreadingModel", L"Apartment"},
        {ClassKey().Append(L"TypeLib"), nullptr, kLibidText},
        {KeyPath(kProgId), nullptr, kClassDescription},
        {KeyPath(kProgId).Append(L"CLSID"), nullptr, kClsidText},
        {KeyPath(kVersionIndependentProgId), nullptr, kClassDescription},
        {KeyPath(kVersionIndependentProgId).Append(L"CLSID"), nullptr, kClsidText},
        {KeyPath(kVersionIndependentProgId).Append(L"CurVer"), nullptr, kProgId},
    };
    for (const auto& v : values) {
        const HRESULT hr = SetString(HKEY_CLASSES_ROOT, v.path, v.name, v.value);
        if (FAILED(hr)) return hr;
    }
    wchar_t folder[MAX_PATH];
    ::lstrcpynW(folder, modulePath, MAX_PATH);
    for (int i = ::lstrlenW(folder) - 1; i >= 0 && folder[i] != L'\\'; --i) folder[i] = L'\0';
    HRESULT hr = RegisterModuleTypeLib(modulePath, folder);
    if (FAILED(hr)) return hr;
    // The helper's key is replaced whole.
    hr = DeleteTree(HKEY_LOCAL_MACHINE, HelperKey());
    if (FAILED(hr)) return hr;
    return SetString(HKEY_LOCAL_MACHINE, HelperKey(), nullptr, kBrowserHelperName);
}

}  // namespace

HRESULT RegisterServer(const wchar_t* modulePath) {
    if (!modulePath || !*modulePath) return E_INVALIDARG;
    const HRESULT hr = WriteEntries(modulePath);
    if (FAILED(hr)) UnregisterServer();
    return hr;
}

HRESULT UnregisterServer() {
    HRESULT result = S_OK;
    auto keep = [&result](HRESULT hr) {
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    };
    keep(DeleteTree(HKEY_LOCAL_MACHINE, HelperKey()));
    keep(UnregisterModuleTypeLib());
    keep(DeleteTree(HKEY_CLASSES_ROOT, KeyPath(kVersionIndependentProgId)));
    keep(DeleteTree(HKEY_CLASSES_ROOT, KeyPath(kProgId)));
    keep(DeleteTree(HKEY_CLASSES_ROOT, ClassKey()));
    return result;
}

}  // namespace cc
