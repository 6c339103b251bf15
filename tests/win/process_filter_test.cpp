// The marker files beside the DLL keep it out of one kind of host process. Copies of
// a small host program under the hosts' names try to load a copy of the DLL.
#include <gtest/gtest.h>

#include <windows.h>

#include "module/process_filter.h"
#include "process_util.h"

namespace cc {
namespace {

class HostFilter : public ::testing::Test {
protected:
    void SetUp() override {
        ::CreateDirectoryW(dllFolder.c_str(), nullptr);
        ASSERT_TRUE(::CopyFileW((test::ProgramFolder() + L"\\CursorCadence.dll").c_str(), dll.c_str(), FALSE));
    }
    // Exit code of a host named `exeName` (in a folder of its own) loading the DLL.
    long Load(const std::wstring& exeName) {
        const std::wstring folder = scratch / (L"host" + std::to_wstring(++hosts));
        ::CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring exe = folder + L"\\" + exeName;
        if (!::CopyFileW((test::ProgramFolder() + L"\\filter_host.exe").c_str(), exe.c_str(), FALSE)) return -10;
        return test::RunProcess(L"\"" + exe + L"\" \"" + dll + L"\"");
    }
    void Marker(const wchar_t* name) {
        const char nothing = 0;
        ASSERT_TRUE(test::WriteWholeFile(dllFolder + L"\\" + name, &nothing, 0));
    }

    test::ScratchFolder scratch;
    std::wstring dllFolder = scratch / L"Program";
    std::wstring dll = dllFolder + L"\\CursorCadence.dll";
    int hosts = 0;
};

constexpr long kLoaded = 0;
constexpr long kRefused = 2;

TEST_F(HostFilter, WithoutMarkersEveryHostLoadsIt) {
    EXPECT_EQ(Load(L"explorer.exe"), kLoaded);
    EXPECT_EQ(Load(L"iexplore.exe"), kLoaded);
    EXPECT_EQ(Load(L"other.exe"), kLoaded);
}

TEST_F(HostFilter, TheIeMarkerRefusesOnlyTheBrowserWhateverItsCase) {
    Marker(kMarkerUnloadOnIe);
    EXPECT_EQ(Load(L"iexplore.exe"), kRefused);
    EXPECT_EQ(Load(L"IEXPLORE.EXE"), kRefused);
    EXPECT_EQ(Load(L"explorer.exe"), kLoaded);
    EXPECT_EQ(Load(L"other.exe"), kLoaded);
}

TEST_F(HostFilter, TheExplorerMarkerRefusesOnlyExplorerWhateverItsCase) {
    Marker(kMarkerUnloadOnExplorer);
    EXPECT_EQ(Load(L"explorer.exe"), kRefused);
    EXPECT_EQ(Load(L"EXPLORER.EXE"), kRefused);
    EXPECT_EQ(Load(L"iexplore.exe"), kLoaded);
    EXPECT_EQ(Load(L"other.exe"), kLoaded);
}

TEST_F(HostFilter, WithBothMarkersOnlyTheBrowserIsRefused) {
    Marker(kMarkerUnloadOnIe);
    Marker(kMarkerUnloadOnExplorer);
    EXPECT_EQ(Load(L"iexplore.exe"), kRefused);
    EXPECT_EQ(Load(L"explorer.exe"), kLoaded);
    EXPECT_EQ(Load(L"other.exe"), kLoaded);
}

}  // namespace
}  // namespace cc
