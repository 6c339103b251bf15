// regsvr32 registers and unregisters the DLL; the registry holds exactly the
// documented entries in between and none of them before or after.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "module/guids.h"
#include "module/registration.h"
#include "process_util.h"

namespace cc {
namespace {

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kClsidText;
const std::wstring kHelperKey = std::wstring(kBrowserHelperObjectsKey) + L"\\" + kClsidText;
const std::wstring kTypeLibKey = std::wstring(L"TypeLib\\") + kLibidText;

bool KeyExists(HKEY root, const std::wstring& path) {
    unique_hkey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// The string value, or "<missing>".
std::wstring Value(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t data[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(data) - sizeof(wchar_t);
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &bytes) != ERROR_SUCCESS) {
        return L"<missing>";
    }
    return data;
}

std::vector<std::wstring> SubKeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    unique_hkey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    return names;
}

DWORD ValueCount(HKEY root, const std::wstring& path) {
    unique_hkey key;
    DWORD values = 0;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    return values;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(::towlower(c));
    return s;
}

void ExpectNothingRegistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kProgId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kVersionIndependentProgId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kHelperKey));
}

long Regsvr32(const std::wstring& flags) {
    const std::wstring dll = test::ProgramFolder() + L"\\CursorCadence.dll";
    return test::RunProcess(L"regsvr32.exe " + flags + L" \"" + dll + L"\"");
}

TEST(Registration, Regsvr32WritesExactlyTheDocumentedEntriesAndRemovesThem) {
    ExpectNothingRegistered();
    ASSERT_EQ(Regsvr32(L"/s"), 0);

    const std::wstring dll = test::ProgramFolder() + L"\\CursorCadence.dll";
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey), L"CGestureCore Object");
    EXPECT_EQ(Lower(Value(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32")), Lower(dll));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + L"\\ProgID"), L"CursorCadence.GestureCore.1");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + L"\\VersionIndependentProgID"), L"CursorCadence.GestureCore");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + L"\\TypeLib"), kLibidText);
    const std::vector<std::wstring> classSubKeys = SubKeys(HKEY_CLASSES_ROOT, kClassKey);
    EXPECT_EQ(classSubKeys.size(), 4u);
    EXPECT_EQ(ValueCount(HKEY_CLASSES_ROOT, kClassKey), 1u);

    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"CursorCadence.GestureCore.1"), L"CGestureCore Object");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"CursorCadence.GestureCore.1\\CLSID"), kClsidText);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"CursorCadence.GestureCore"), L"CGestureCore Object");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"CursorCadence.GestureCore\\CLSID"), kClsidText);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"CursorCadence.GestureCore\\CurVer"), L"CursorCadence.GestureCore.1");

    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey + L"\\1.0"));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kHelperKey), L"CursorCadence");
    EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kHelperKey), 1u);
    EXPECT_TRUE(SubKeys(HKEY_LOCAL_MACHINE, kHelperKey).empty());

    // The helper's key is replaced whole by a second registration.
    {
        unique_hkey key;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHelperKey.c_str(), 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
        const wchar_t stale[] = L"stale";
        ::RegSetValueExW(key.get(), L"Leftover", 0, REG_SZ, reinterpret_cast<const BYTE*>(stale), sizeof(stale));
    }
    ASSERT_EQ(Regsvr32(L"/s"), 0);
    EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kHelperKey), 1u);

    ASSERT_EQ(Regsvr32(L"/u /s"), 0);
    ExpectNothingRegistered();
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID")) << "parent keys stay";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kBrowserHelperObjectsKey)) << "parent keys stay";

    EXPECT_EQ(Regsvr32(L"/u /s"), 0) << "unregistering twice is not an error";
}

TEST(Registration, AFailureLeavesNothingBehindAndSaysWhy) {
    // A module path the type library cannot be loaded from.
    const HRESULT hr = RegisterServer(L"C:\\no such folder\\CursorCadence.dll");
    EXPECT_TRUE(FAILED(hr));
    ExpectNothingRegistered();
    EXPECT_EQ(RegisterServer(L""), E_INVALIDARG);
    EXPECT_EQ(UnregisterServer(), S_OK) << "nothing registered is nothing to remove";
}

}  // namespace
}  // namespace cc
