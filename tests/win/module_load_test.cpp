// The built DLL loads into a process, exports what it should and unloads again.
#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(ModuleLoad, TheDllLoadsAndAnswersCanUnloadNow) {
    HMODULE dll = ::LoadLibraryW(L"CursorCadence.dll");
    ASSERT_NE(dll, nullptr) << "error " << ::GetLastError();
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK) << "no object or lock is alive";
    EXPECT_TRUE(::FreeLibrary(dll));
}

}  // namespace
