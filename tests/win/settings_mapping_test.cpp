// The shared settings block across real processes, and the "setting" file cases.
// The program doubles as the second process: "--child <mode> <name> <folder> [args]".
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "process_util.h"
#include "settings/action_catalogue.h"
#include "settings/settings_mapping.h"

namespace cc {
namespace {

using test::ScratchFolder;

std::wstring Widen(const char* s) { return std::wstring(s, s + std::strlen(s)); }

// A shared-memory name no other test uses, so every test creates its own block.
std::wstring UniqueName() {
    static int counter = 0;
    return L"CursorCadenceTest." + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(++counter);
}

struct Image {
    std::array<int32_t, kSettingsInts> ints{};
    Image() { ApplyDefaults(SettingsView(ints.data())); }
    SettingsView view() { return SettingsView(ints.data()); }
    bool SaveAs(const std::wstring& path, size_t bytes = kSettingsBytes) const {
        std::vector<unsigned char> data(bytes, 0x5A);
        std::memcpy(data.data(), ints.data(), std::min(bytes, kSettingsBytes));
        return test::WriteWholeFile(path, data.data(), data.size());
    }
};

bool SameBytes(const SettingsView& view, const void* expected) {
    return std::memcmp(view.data(), expected, kSettingsBytes) == 0;
}

long RunChild(const std::wstring& mode, const std::wstring& name, const std::wstring& folder,
              const std::wstring& args = L"") {
    return test::RunProcess(L"\"" + test::ProgramPath() + L"\" --child " + mode + L" " + name + L" \"" + folder +
                            L"\" " + args);
}

class Mapping : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::wstring name = UniqueName();
    std::wstring settingFile = folder / L"setting";
};

TEST_F(Mapping, FirstStartWithoutAFileHoldsTheDefaultsAndWritesNoFile) {
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    Image defaults;
    EXPECT_TRUE(SameBytes(mapping.view(), defaults.ints.data()));
    EXPECT_TRUE(test::ListFolder(folder.path()).empty());
}

TEST_F(Mapping, AValidFileIsLoadedByTheCreator) {
    Image saved;
    saved.view().Set(Field::TimeoutMs, 700);
    saved.view().WriteGesture(ActionList::Browser, 28, Gesture{2, {StrokeUp, StrokeRight}});
    ASSERT_TRUE(saved.SaveAs(settingFile));
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    EXPECT_TRUE(SameBytes(mapping.view(), saved.ints.data()));
}

TEST_F(Mapping, ALongerFileGivesItsFirst1140Bytes) {
    Image saved;
    saved.view().Set(Field::SensitivityPixels, 40);
    ASSERT_TRUE(saved.SaveAs(settingFile, 1200));
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    EXPECT_TRUE(SameBytes(mapping.view(), saved.ints.data()));
}

TEST_F(Mapping, UnusableFilesGiveTheDefaults) {
    struct Case {
        const char* what;
        int32_t version;
        size_t bytes;
    } cases[] = {{"version 22", 22, 1140}, {"1139 bytes", 23, 1139}, {"header only", 23, 60},
                 {"59 bytes", 23, 59},     {"empty", 23, 0},          {"version 0", 0, 1140}};
    for (const Case& c : cases) {
        Image saved;
        saved.view().Set(Field::LayoutVersion, c.version);
        saved.view().Set(Field::TrailWidth, 4);
        ASSERT_TRUE(saved.SaveAs(settingFile, c.bytes));
        const std::wstring caseName = UniqueName();
        SettingsMapping mapping(caseName.c_str(), folder.path().c_str());
        ASSERT_TRUE(mapping.MapShared()) << c.what;
        EXPECT_EQ(mapping.view().Get(Field::LayoutVersion), 23) << c.what;
        EXPECT_EQ(mapping.view().Get(Field::TrailWidth), 2) << c.what;
        // The file itself is left alone.
        EXPECT_EQ(test::ReadWholeFile(settingFile).size(), c.bytes) << c.what;
    }
}

TEST_F(Mapping, AShortFileKeepsWhatWasReadOnlyWhereTheDefaultsDoNotWrite) {
    Image saved;
    for (int slot = 0; slot < kMaxStrokes; ++slot) saved.view().SetStroke(ActionList::Explorer, 0, slot, 3);
    saved.view().Set(Field::TimeoutMs, 1500);
    ASSERT_TRUE(saved.SaveAs(settingFile, 1139));
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    EXPECT_EQ(mapping.view().Get(Field::TimeoutMs), 0);
    EXPECT_EQ(mapping.view().StoredStroke(ActionList::Explorer, 0, 2), StrokeLeft);  // default slot
    EXPECT_EQ(mapping.view().StoredStroke(ActionList::Explorer, 0, 3), 3);           // behind the default count
}

TEST_F(Mapping, TwoProcessesShareOneBlockAndOnlyTheCreatorReads) {
    Image saved;
    saved.view().Set(Field::TimeoutMs, 300);
    ASSERT_TRUE(saved.SaveAs(settingFile));
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    ASSERT_EQ(mapping.view().Get(Field::TimeoutMs), 300);

    mapping.view().Set(Field::TimeoutMs, 900);  // applied, not saved
    saved.view().Set(Field::TimeoutMs, 500);
    ASSERT_TRUE(saved.SaveAs(settingFile));
    const int timeoutIndex = static_cast<int>(Field::TimeoutMs);
    EXPECT_EQ(RunChild(L"read", name, folder.path(), std::to_wstring(timeoutIndex)), 900)
        << "a later process sees the live block, not the file";

    const int sensitivityIndex = static_cast<int>(Field::SensitivityPixels);
    EXPECT_EQ(RunChild(L"write", name, folder.path(), std::to_wstring(sensitivityIndex) + L" 35"), 0);
    EXPECT_EQ(mapping.view().Get(Field::SensitivityPixels), 35) << "the child's write is seen here";

    // Once nobody holds it, the next creator loads what was last saved.
    mapping.Unmap();
    EXPECT_FALSE(mapping.mapped());
    ASSERT_TRUE(mapping.MapShared());
    EXPECT_EQ(mapping.view().Get(Field::TimeoutMs), 500);
}

TEST_F(Mapping, SaveWritesTheExactImageAndNothingElse) {
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    mapping.view().Set(Field::TrailColorR, 300);
    mapping.view().WriteGesture(ActionList::Explorer, 12, Gesture{5, {0, 1, 2, 3, 0}});
    ASSERT_TRUE(mapping.SaveToFile());
    const std::vector<unsigned char> file = test::ReadWholeFile(settingFile);
    ASSERT_EQ(file.size(), kSettingsBytes);
    EXPECT_TRUE(SameBytes(mapping.view(), file.data()));
    EXPECT_EQ(test::ListFolder(folder.path()), std::vector<std::wstring>{L"setting"}) << "no temporary file left";

    // Saving again over an existing file replaces it whole.
    mapping.view().Set(Field::TrailWidth, 5);
    ASSERT_TRUE(mapping.SaveToFile());
    EXPECT_TRUE(SameBytes(mapping.view(), test::ReadWholeFile(settingFile).data()));
}

TEST_F(Mapping, AFailedSaveLeavesTheOldFileWhole) {
    Image old;
    old.view().Set(Field::TimeoutMs, 1200);
    ASSERT_TRUE(old.SaveAs(settingFile));
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    mapping.view().Set(Field::TimeoutMs, 100);
    {
        // Another program holds the file open without sharing: it cannot be replaced.
        unique_hfile held(::CreateFileW(settingFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(mapping.SaveToFile());
    }
    const std::vector<unsigned char> file = test::ReadWholeFile(settingFile);
    ASSERT_EQ(file.size(), kSettingsBytes);
    EXPECT_EQ(std::memcmp(file.data(), old.ints.data(), kSettingsBytes), 0);
    EXPECT_EQ(test::ListFolder(folder.path()), std::vector<std::wstring>{L"setting"});

    SettingsMapping nowhere(UniqueName().c_str(), (folder / L"missing").c_str());
    ASSERT_TRUE(nowhere.MapShared());
    EXPECT_FALSE(nowhere.SaveToFile());
}

TEST_F(Mapping, NothingMappedMeansNothingLoadedOrSaved) {
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    EXPECT_FALSE(mapping.LoadFromFile());
    EXPECT_FALSE(mapping.SaveToFile());
    EXPECT_FALSE(mapping.view().valid());
}

TEST_F(Mapping, ASameNamedObjectMadeByAnotherProgramIsNeverReadPast) {
    // Any process of the user can make an object under the name first. A section too
    // small for the block is refused where the platform keeps its exact size (Windows)
    // and maps a whole page where it rounds it up (Wine); either way every integer of
    // the block must be readable.
    unique_handle small(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16, name.c_str()));
    ASSERT_TRUE(small);
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    if (mapping.MapShared()) {
        int64_t sum = 0;
        for (int i = 0; i < kSettingsInts; ++i) sum += static_cast<const volatile int32_t*>(mapping.view().data())[i];
        EXPECT_EQ(sum, 0) << "an existing block is not loaded again";
    } else {
        EXPECT_FALSE(mapping.view().valid());
    }

    const std::wstring mutexName = UniqueName();
    unique_handle squatter(::CreateMutexW(nullptr, FALSE, mutexName.c_str()));
    SettingsMapping wrongKind(mutexName.c_str(), folder.path().c_str());
    EXPECT_FALSE(wrongKind.MapShared());
}

TEST_F(Mapping, AProcessOpeningTheBlockWaitsForItsCreatorsLoad) {
    const std::wstring lockName = name + kLoadLockSuffix;
    unique_handle lock(::CreateMutexW(nullptr, TRUE, lockName.c_str()));
    ASSERT_TRUE(lock);
    // This process plays a creator half-way through its load: the block exists, still zero.
    unique_handle section(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               static_cast<DWORD>(kSettingsBytes), name.c_str()));
    ASSERT_TRUE(section);
    unique_mapped_view view(::MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, kSettingsBytes));
    ASSERT_TRUE(view);

    const int versionIndex = static_cast<int>(Field::LayoutVersion);
    unique_handle child = test::StartProcess(L"\"" + test::ProgramPath() + L"\" --child read " + name + L" \"" +
                                             folder.path() + L"\" " + std::to_wstring(versionIndex));
    ASSERT_TRUE(child);
    EXPECT_EQ(::WaitForSingleObject(child.get(), 300), static_cast<DWORD>(WAIT_TIMEOUT)) << "the reader waits";
    ApplyDefaults(SettingsView(view.get()));  // the load completes
    ::ReleaseMutex(lock.get());
    EXPECT_EQ(test::WaitForExit(child), 23) << "and then sees the loaded block";
}

TEST_F(Mapping, ALoadThatNeverEndsDelaysOthersOnlyBriefly) {
    const std::wstring lockName = name + kLoadLockSuffix;
    unique_handle lock(::CreateMutexW(nullptr, TRUE, lockName.c_str()));
    ASSERT_TRUE(lock);
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(RunChild(L"read", name, folder.path(), L"0"), 23) << "the child created and loaded the block itself";
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_GE(elapsed, kLoadLockWaitMs - 100);
    EXPECT_LT(elapsed, kLoadLockWaitMs + 8000);
}

// The second process: maps the block named on its command line and reads or writes
// one integer. Exit code: the value read, 0 after a write, 100+ on failure.
int ChildMain(int argc, char** argv) {
    if (argc < 6) return 100;
    const std::string mode = argv[2];
    const std::wstring name = Widen(argv[3]);
    const std::wstring folder = Widen(argv[4]);
    const int index = std::atoi(argv[5]);
    if (index < 0 || index >= kSettingsInts) return 101;
    SettingsMapping mapping(name.c_str(), folder.c_str());
    if (!mapping.MapShared()) return 102;
    auto* ints = static_cast<volatile int32_t*>(mapping.view().data());
    if (mode == "read") return ints[index];
    if (mode == "write" && argc >= 7) {
        ints[index] = std::atoi(argv[6]);
        return 0;
    }
    return 103;
}

}  // namespace
}  // namespace cc

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) return cc::ChildMain(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
