// The shared settings block across real processes, and the "setting" file cases.
// The program doubles as the second process: "--child <mode> <name> <folder> [args]".
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "process_util.h"
#include "settings/action_catalogue.h"
#include "settings/marker_files.h"
#include "settings/quick_move_store.h"
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
    // No temporary file of ours is left. (Wine's ReplaceFileW leaves one of its own,
    // "rf*.tmp", when the replaced file is held.)
    for (const std::wstring& name : test::ListFolder(folder.path())) {
        EXPECT_TRUE(name == L"setting" || name.rfind(L"set", 0) != 0) << "left behind: " << name;
    }

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

// ReplaceFileW as it fails when the replaced file could be moved aside but the new one
// could not take its name: the old file is gone, or only renamed.
DWORD g_replaceFailure = ERROR_SUCCESS;
int g_replaceCalls = 0;
BOOL WINAPI FailingReplace(LPCWSTR replaced, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) {
    ++g_replaceCalls;
    if (g_replaceFailure == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
        ::DeleteFileW(replaced);
    } else {
        ::MoveFileW(replaced, (std::wstring(replaced) + L".old").c_str());
    }
    ::SetLastError(g_replaceFailure);
    return FALSE;
}

TEST_F(Mapping, AReplaceThatLostTheOldFileStillLeavesTheNewSettingsAndSaysSo) {
    SettingsMapping mapping(name.c_str(), folder.path().c_str());
    ASSERT_TRUE(mapping.MapShared());
    const ReplaceFileFn real = SetReplaceFileForTest(&FailingReplace);
    g_replaceCalls = 0;
    ASSERT_TRUE(mapping.SaveToFile()) << "the first file is moved into place";
    EXPECT_EQ(g_replaceCalls, 0) << "no file to replace yet";
    for (DWORD failure : {ERROR_UNABLE_TO_MOVE_REPLACEMENT, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2}) {
        g_replaceFailure = failure;
        mapping.view().Set(Field::TimeoutMs, static_cast<int32_t>(failure));
        DWORD why = ERROR_SUCCESS;
        EXPECT_FALSE(mapping.SaveToFile(&why));
        EXPECT_EQ(why, failure);
        const std::vector<unsigned char> file = test::ReadWholeFile(settingFile);
        ASSERT_EQ(file.size(), kSettingsBytes) << failure;
        EXPECT_TRUE(SameBytes(mapping.view(), file.data())) << "the new settings are in place: " << failure;
    }
    EXPECT_EQ(g_replaceCalls, 2);
    SetReplaceFileForTest(real);
    std::vector<std::wstring> left = test::ListFolder(folder.path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"setting", L"setting.old"})) << "no temporary file left";
}

// The package's marker beside the DLL: each user's files in their roaming application data
// (pointed somewhere else per test through "User Shell Folders", as a profile would).
class PerUser : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    shellFolders.put(), nullptr),
                  ERROR_SUCCESS);
        DWORD size = sizeof(savedAppData);
        hadAppData = ::RegQueryValueExW(shellFolders.get(), L"AppData", nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(savedAppData), &size) == ERROR_SUCCESS;
        const char nothing = 0;
        ASSERT_TRUE(test::WriteWholeFile(dll / kMarkerPerUserSettings, &nothing, 0));
    }
    void TearDown() override {
        if (hadAppData) {
            ::RegSetValueExW(shellFolders.get(), L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<BYTE*>(savedAppData),
                             (::lstrlenW(savedAppData) + 1) * sizeof(wchar_t));
        } else {
            ::RegDeleteValueW(shellFolders.get(), L"AppData");
        }
        SetFolderProbeForTest(nullptr);
        ::CoUninitialize();
    }
    void RoamAt(const std::wstring& path) {
        ASSERT_EQ(::RegSetValueExW(shellFolders.get(), L"AppData", 0, REG_EXPAND_SZ,
                                   reinterpret_cast<const BYTE*>(path.c_str()),
                                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    static void Add(QuickMoveFolders& folders, const wchar_t* path) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (SUCCEEDED(::SHParseDisplayName(path, nullptr, &pidl, 0, nullptr))) folders.Append(pidl);
    }

    static constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    ScratchFolder dll, roaming;
    unique_hkey shellFolders;
    wchar_t savedAppData[MAX_PATH] = L"";
    bool hadAppData = false;
};

TEST_F(PerUser, EachUserSeesAndSavesOnlyTheirOwnSettingsAndFavourites) {
    // What an earlier package left beside the DLL: never read, never removed.
    Image left;
    left.view().Set(Field::TimeoutMs, 1234);
    ASSERT_TRUE(left.SaveAs(dll / L"setting"));
    ASSERT_TRUE(::CreateDirectoryW((dll / L"Links").c_str(), nullptr));
    ASSERT_TRUE(test::SaveShortcut(dll / L"Links\\00.lnk", L"C:\\windows"));

    const struct {
        const wchar_t* user;
        int32_t timeout;
        const wchar_t* favourite;
    } users[] = {{L"first", 700, L"C:\\windows"}, {L"second", 900, L"C:\\users"}};
    for (const auto& u : users) {
        ASSERT_TRUE(::CreateDirectoryW((roaming / u.user).c_str(), nullptr));
        RoamAt(roaming / u.user);
        const SettingsLocation location = ResolveSettingsLocation(dll.path().c_str());
        EXPECT_TRUE(location.perUser);
        EXPECT_EQ(std::wstring(location.folder), roaming / u.user + L"\\CursorCadence");
        EXPECT_EQ(std::wstring(location.markerFolder), dll.path()) << "the markers stay beside the DLL";
        EXPECT_EQ(std::wstring(location.sharedName), std::wstring(L"CursorCadence.") + location.userSid);
        SettingsMapping mapping(location);
        ASSERT_TRUE(mapping.MapShared());
        EXPECT_TRUE(SameBytes(mapping.view(), Image().ints.data())) << u.user << " starts from the defaults";
        QuickMoveFolders seen;
        ReadQuickMoveStore(mapping.ReadableFolder(), seen);
        EXPECT_EQ(seen.count(), 0u) << u.user << " sees no one else's favourites";

        mapping.view().Set(Field::TimeoutMs, u.timeout);
        DWORD why = ERROR_SUCCESS;
        EXPECT_TRUE(mapping.SaveToFile(&why)) << why;
        const wchar_t* own = mapping.WritableFolder(&why);
        ASSERT_NE(own, nullptr);
        QuickMoveFolders favourites;
        Add(favourites, u.favourite);
        EXPECT_EQ(WriteQuickMoveStore(own, favourites), static_cast<DWORD>(ERROR_SUCCESS));
    }  // the block goes with the mapping, as when a user's last window closes

    for (const auto& u : users) {
        std::vector<unsigned char> file = test::ReadWholeFile(roaming / u.user + L"\\CursorCadence\\setting");
        ASSERT_EQ(file.size(), kSettingsBytes);
        EXPECT_EQ(SettingsView(file.data()).Get(Field::TimeoutMs), u.timeout);
        EXPECT_EQ(test::ListFolder(roaming / u.user + L"\\CursorCadence\\Links"), std::vector<std::wstring>{L"00.lnk"});
    }
    const std::vector<unsigned char> leftFile = test::ReadWholeFile(dll / L"setting");
    ASSERT_EQ(leftFile.size(), kSettingsBytes);
    EXPECT_EQ(std::memcmp(leftFile.data(), left.ints.data(), kSettingsBytes), 0);
    EXPECT_EQ(test::ListFolder(dll / L"Links"), std::vector<std::wstring>{L"00.lnk"});

    ::DeleteFileW((dll / kMarkerPerUserSettings).c_str());
    const SettingsLocation beside = ResolveSettingsLocation(dll.path().c_str());
    EXPECT_FALSE(beside.perUser);
    EXPECT_EQ(std::wstring(beside.folder), dll.path()) << "a DLL registered by hand keeps its files beside it";
    EXPECT_STREQ(beside.sharedName, L"CursorCadence");
}

TEST_F(PerUser, TheUsersBlockIsOwnedByThemLabelledLowAndNeverOneSomeoneElseMade) {
    RoamAt(roaming.path());
    const SettingsLocation location = ResolveSettingsLocation(dll.path().c_str());
    {
        SettingsMapping mapping(location);
        ASSERT_TRUE(mapping.MapShared());
        unique_handle opened(::OpenFileMappingW(READ_CONTROL, FALSE, location.sharedName));
        ASSERT_TRUE(opened);
        PSID owner = nullptr;
        PACL labels = nullptr;
        unique_hlocal<PSECURITY_DESCRIPTOR> descriptor;
        ASSERT_EQ(::GetSecurityInfo(opened.get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION,
                                    &owner, nullptr, nullptr, &labels, descriptor.put()),
                  static_cast<DWORD>(ERROR_SUCCESS));
        unique_hlocal<wchar_t*> ownerText;
        ASSERT_TRUE(owner && ::ConvertSidToStringSidW(owner, ownerText.put()));
        EXPECT_STREQ(ownerText.get(), location.userSid);
        ACE_HEADER* ace = nullptr;
        ASSERT_TRUE(labels && ::GetAce(labels, 0, reinterpret_cast<void**>(&ace)));
        ASSERT_EQ(ace->AceType, SYSTEM_MANDATORY_LABEL_ACE_TYPE);
        const PSID label = &reinterpret_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace)->SidStart;
        EXPECT_EQ(*::GetSidSubAuthority(label, 0), static_cast<DWORD>(SECURITY_MANDATORY_LOW_RID))
            << "a low-integrity browser of the user's can map it";
    }
    // Another account of the session makes the user's block first, open to everyone.
    unique_hlocal<PSECURITY_DESCRIPTOR> foreign;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                       foreign.put(), nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), foreign.get(), FALSE};
    unique_handle squatter(::CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                                static_cast<DWORD>(kSettingsBytes), location.sharedName));
    ASSERT_TRUE(squatter);
    SettingsMapping mapping(location);
    EXPECT_FALSE(mapping.MapShared()) << "a block someone else owns is not the user's";
}

// A probe of a network folder that does not answer until the test lets it.
HANDLE g_shareAnswers = nullptr;
DWORD HangingProbe(const wchar_t*) {
    ::WaitForSingleObject(g_shareAnswers, 10000);
    return ERROR_SUCCESS;
}
DWORD AnsweringProbe(const wchar_t*) { return ERROR_SUCCESS; }

TEST_F(PerUser, AShareThatDoesNotAnswerGivesTheDefaultsAtOnceAndASaveSaysWhy) {
    RoamAt(L"\\\\offline-server\\profiles\\roaming");
    EXPECT_TRUE(ResolveSettingsLocation(dll.path().c_str()).remote) << "a redirected folder is asked first";

    // The same location on a local folder, taken for a share, to tell the probe's answer apart.
    RoamAt(roaming.path());
    SettingsLocation location = ResolveSettingsLocation(dll.path().c_str());
    location.remote = true;
    ::lstrcpyW(location.sharedName, UniqueName().c_str());
    Image saved;
    saved.view().Set(Field::TimeoutMs, 1500);
    ASSERT_TRUE(::CreateDirectoryW(location.folder, nullptr));
    ASSERT_TRUE(saved.SaveAs(std::wstring(location.folder) + L"\\setting"));

    SetFolderProbeForTest(&AnsweringProbe);
    {
        SettingsMapping answering(location);
        ASSERT_TRUE(answering.MapShared());
        EXPECT_EQ(answering.view().Get(Field::TimeoutMs), 1500) << "a share that answers is read";
        EXPECT_TRUE(answering.SaveToFile());
    }

    unique_handle answers(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_shareAnswers = answers.get();
    SetFolderProbeForTest(&HangingProbe);
    SettingsMapping hanging(location);
    const ULONGLONG start = ::GetTickCount64();
    ASSERT_TRUE(hanging.MapShared());
    EXPECT_LT(::GetTickCount64() - start, 3000u) << "the window thread does not wait for the network";
    EXPECT_TRUE(SameBytes(hanging.view(), Image().ints.data())) << "the defaults";
    DWORD why = ERROR_SUCCESS;
    EXPECT_FALSE(hanging.SaveToFile(&why));
    EXPECT_EQ(why, static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_EQ(hanging.ReadableFolder(), nullptr);
    ::SetEvent(answers.get());  // the probes still out return now
    SetFolderProbeForTest(nullptr);
    const std::vector<unsigned char> file = test::ReadWholeFile(std::wstring(location.folder) + L"\\setting");
    ASSERT_EQ(file.size(), kSettingsBytes);
    EXPECT_EQ(std::memcmp(file.data(), saved.ints.data(), kSettingsBytes), 0) << "the file is untouched";
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
