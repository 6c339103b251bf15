// The built DLL as a COM server: exports, class factory, the object's identity and type
// information, the module lock count, and the resources it carries.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "attach/gesture_core.h"
#include "common/unique_handle.h"
#include "module/guids.h"

using Microsoft::WRL::ComPtr;

namespace cc {
namespace {

class Dll : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        dll_ = ::LoadLibraryW(L"CursorCadence.dll");
        ASSERT_NE(dll_, nullptr) << "error " << ::GetLastError();
        canUnloadNow = Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
        getClassObject = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
        ASSERT_TRUE(canUnloadNow && getClassObject);
    }
    void TearDown() override {
        if (dll_) {
            EXPECT_EQ(canUnloadNow(), S_OK) << "a test left an object or a lock behind";
            ::FreeLibrary(dll_);
        }
        ::CoUninitialize();
    }
    template <typename F>
    F Export(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(dll_, name)));
    }
    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject(kClsidGestureCore, IID_IClassFactory, &factory), S_OK);
        return factory;
    }

    HMODULE dll_ = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
};

TEST_F(Dll, ExportsTheFourServerEntryPoints) {
    EXPECT_NE(Export<FARPROC>("DllRegisterServer"), nullptr);
    EXPECT_NE(Export<FARPROC>("DllUnregisterServer"), nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Dll, TheFactoryServesOnlyItsClassAndLeavesTheOutPointerNull) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(kClsidGestureCore, IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(getClassObject(kClsidGestureCore, IID_IClassFactory, nullptr), E_POINTER);

    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    ComPtr<IUnknown> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, &outer), S_OK);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

TEST_F(Dll, CanUnloadNowFollowsObjectsFactoriesAndLocks) {
    ComPtr<IClassFactory> factory = Factory();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a factory in use";
    ComPtr<IObjectWithSite> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IObjectWithSite, &object), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object alive";
    object.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);

    factory = Factory();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a server lock";
    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
}

TEST_F(Dll, TheObjectAnswersItsInterfacesWithOneIdentity) {
    ComPtr<IClassFactory> factory = Factory();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, &unknown), S_OK);
    ComPtr<IObjectWithSite> withSite;
    ComPtr<IDispatch> dispatch;
    ComPtr<IUnknown> gestureCore;
    ComPtr<IProvideClassInfo> classInfo;
    ASSERT_EQ(unknown.As(&withSite), S_OK);
    ASSERT_EQ(unknown.As(&dispatch), S_OK);
    ASSERT_EQ(unknown->QueryInterface(kIidGestureCore, &gestureCore), S_OK);
    ASSERT_EQ(unknown.As(&classInfo), S_OK);
    for (IUnknown* i : {static_cast<IUnknown*>(withSite.Get()), static_cast<IUnknown*>(dispatch.Get()),
                        gestureCore.Get(), static_cast<IUnknown*>(classInfo.Get())}) {
        ComPtr<IUnknown> identity;
        ASSERT_EQ(i->QueryInterface(IID_IUnknown, &identity), S_OK);
        EXPECT_EQ(identity.Get(), unknown.Get());
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Dll, GetSiteNeverHandsOutASite) {
    ComPtr<IObjectWithSite> object;
    ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_IObjectWithSite, &object), S_OK);
    EXPECT_EQ(object->GetSite(IID_IUnknown, nullptr), E_POINTER);
    void* site = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->GetSite(IID_IUnknown, &site), E_FAIL);
    EXPECT_EQ(site, nullptr);
}

std::wstring TypeName(ITypeInfo* info) {
    BSTR name = nullptr;
    if (FAILED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) return L"";
    std::wstring result(name, ::SysStringLen(name));
    ::SysFreeString(name);
    return result;
}

TYPEKIND KindOf(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return TKIND_MAX;
    const TYPEKIND kind = attr->typekind;
    info->ReleaseTypeAttr(attr);
    return kind;
}

TEST_F(Dll, TypeInformationComesFromTheEmbeddedLibrary) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_IDispatch, &dispatch), S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
    EXPECT_EQ(TypeName(info.Get()), L"IGestureCore");
    EXPECT_EQ(KindOf(info.Get()), TKIND_DISPATCH);
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(dispatch->GetTypeInfo(1, LOCALE_USER_DEFAULT, &none), DISP_E_BADINDEX);

    ComPtr<IProvideClassInfo> provide;
    ASSERT_EQ(dispatch.As(&provide), S_OK);
    ComPtr<ITypeInfo> classInfo;
    ASSERT_EQ(provide->GetClassInfo(&classInfo), S_OK);
    EXPECT_EQ(TypeName(classInfo.Get()), L"CGestureCore");
    EXPECT_EQ(KindOf(classInfo.Get()), TKIND_COCLASS);

    EXPECT_EQ(dispatch->Invoke(253, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
}

TEST(DllResources, VersionManifestAndTypeLibrary) {
    HMODULE dll = ::LoadLibraryExW(L"CursorCadence.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    EXPECT_NE(::FindResourceW(dll, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24)), nullptr) << "RT_MANIFEST 2";
    EXPECT_NE(::FindResourceW(dll, MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);
    ::FreeLibrary(dll);

    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(L"CursorCadence.dll", &ignored);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(L"CursorCadence.dll", 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(3, 2));
    wchar_t* product = nullptr;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\041104B0\\ProductName",
                                 reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, L"CursorCadence");
}

// The installed browser version decides TabbedBrowser; the key is restored afterwards.
class BrowserVersion : public ::testing::Test {
protected:
    static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Internet Explorer";
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key_.put(),
                                    nullptr),
                  ERROR_SUCCESS);
        DWORD bytes = sizeof(saved_);
        hadValue_ = ::RegQueryValueExW(key_.get(), L"Version", nullptr, nullptr, reinterpret_cast<BYTE*>(saved_),
                                       &bytes) == ERROR_SUCCESS;
    }
    void TearDown() override {
        if (hadValue_) {
            Set(saved_);
        } else {
            ::RegDeleteValueW(key_.get(), L"Version");
        }
    }
    void Set(const wchar_t* version) {
        ::RegSetValueExW(key_.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>((::lstrlenW(version) + 1) * sizeof(wchar_t)));
    }
    unique_hkey key_;
    wchar_t saved_[256] = {};
    bool hadValue_ = false;
};

TEST_F(BrowserVersion, SevenAndLaterIsTabbed) {
    const std::pair<const wchar_t*, int32_t> cases[] = {
        {L"7.0.5730.11", 1}, {L"6.0.2900.2180", 0}, {L"11.0.9600.0", 1}, {L"9.11.0", 1},
        {L"abc", 0},         {L"", 0},              {L"7", 1},           {L"99999999999999999999", 1},
        // Longer than the 48 bytes read: unreadable, so below 7.
        {L"10.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0", 0},
    };
    for (const auto& [version, tabbed] : cases) {
        Set(version);
        EXPECT_EQ(ReadTabbedBrowser(), tabbed) << std::string(version, version + ::lstrlenW(version));
    }
    ::RegDeleteValueW(key_.get(), L"Version");
    EXPECT_EQ(ReadTabbedBrowser(), 0) << "no value";
}

}  // namespace
}  // namespace cc
