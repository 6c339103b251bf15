#include <gtest/gtest.h>

#include <string>

#include "actions/address_walk.h"

namespace cc {
namespace {

struct Walk {
    AddressBuffer buffer;
    explicit Walk(const std::wstring& address) { CopyAddress(buffer, address.c_str()); }
    std::wstring text() const { return buffer; }
};

TEST(UpOneFolderAddress, GoesToTheParentFolderKeepingItsSlash) {
    Walk w(L"file:///C:/Program%20Files/App");
    EXPECT_EQ(UpOneFolderAddress(w.buffer), UpFolderTarget::Address);
    EXPECT_EQ(w.text(), L"file:///C:/Program%20Files/");
    Walk system(L"file:///C:/WINDOWS/system32");
    EXPECT_EQ(UpOneFolderAddress(system.buffer), UpFolderTarget::Address);
    EXPECT_EQ(system.text(), L"file:///C:/WINDOWS/");
    Walk windows(L"file:///C:/WINDOWS");
    EXPECT_EQ(UpOneFolderAddress(windows.buffer), UpFolderTarget::Address);
    EXPECT_EQ(windows.text(), L"file:///C:/");
}

TEST(UpOneFolderAddress, ADriveRootGoesToTheDrivesAndNoSlashGoesNowhere) {
    Walk root(L"file:///C:/");
    EXPECT_EQ(UpOneFolderAddress(root.buffer), UpFolderTarget::Drives);
    EXPECT_EQ(root.text(), L"file:///C:/");
    Walk empty(L"");
    EXPECT_EQ(UpOneFolderAddress(empty.buffer), UpFolderTarget::Nothing);
    Walk virtualFolder(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    EXPECT_EQ(UpOneFolderAddress(virtualFolder.buffer), UpFolderTarget::Nothing);
}

TEST(UpOneFolderAddress, SurrogatePairsAreRemovedWhole) {
    Walk w(L"file:///C:/a/\xD83D\xDE00x");
    EXPECT_EQ(UpOneFolderAddress(w.buffer), UpFolderTarget::Address);
    EXPECT_EQ(w.text(), L"file:///C:/a/");
    Walk lone(L"\xDE00");  // a stray low surrogate at the start
    EXPECT_EQ(UpOneFolderAddress(lone.buffer), UpFolderTarget::Nothing);
}

TEST(UpOneLevelAddress, PathsLoseOneLevel) {
    Walk page(L"http://example.invalid/dir/page.html");
    EXPECT_TRUE(UpOneLevelAddress(page.buffer));
    EXPECT_EQ(page.text(), L"http://example.invalid/dir/");
    Walk dir(L"http://example.invalid/a/b/");
    EXPECT_TRUE(UpOneLevelAddress(dir.buffer));
    EXPECT_EQ(dir.text(), L"http://example.invalid/a/");
    Walk top(L"http://example.invalid/dir/");
    EXPECT_TRUE(UpOneLevelAddress(top.buffer));
    EXPECT_EQ(top.text(), L"http://example.invalid/");
}

TEST(UpOneLevelAddress, AHostAloneOrNoSlashStays) {
    for (const wchar_t* address : {L"http://example.invalid", L"http://example.invalid/", L"https://host",
                                   L"ftp://x/", L"about:blank", L"", L"/"}) {
        Walk w(address);
        EXPECT_FALSE(UpOneLevelAddress(w.buffer)) << std::string(address, address + std::wcslen(address));
    }
    // A scheme longer than the "only a scheme" window is navigated, as documented.
    Walk longScheme(L"verylongscheme://host");
    EXPECT_TRUE(UpOneLevelAddress(longScheme.buffer));
    EXPECT_EQ(longScheme.text(), L"verylongscheme://");
}

TEST(Addresses, LongAddressesAreCutTo259Characters) {
    const std::wstring longAddress = L"http://h/" + std::wstring(400, L'a') + L"/tail";
    Walk w(longAddress);
    EXPECT_EQ(w.text().size(), 259u);
    EXPECT_TRUE(UpOneLevelAddress(w.buffer));
    EXPECT_EQ(w.text(), L"http://h/") << "the level is computed on the cut address";
    AddressBuffer nothing;
    EXPECT_EQ(CopyAddress(nothing, nullptr), 0u);
    EXPECT_EQ(nothing[0], L'\0');
}

struct Folder {
    AddressBuffer buffer;
    bool ok;
    explicit Folder(const wchar_t* address) : ok(CommandPromptFolder(address, buffer)) {}
    std::wstring text() const { return buffer; }
};

TEST(CommandPromptFolder, OnlyFileAddressesAndOnlyPercentTwenty) {
    Folder f(L"file:///C:/My%20Files/a%23b");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.text(), L"C:\\My Files\\a%23b");
    EXPECT_EQ(Folder(L"file:///C:/%2").text(), L"C:\\%2");
    for (const wchar_t* refused : {L"FILE:///C:/x", L"file://C:/x", L"", L"file:///", L"file:/"}) {
        Folder no(refused);
        EXPECT_FALSE(no.ok);
        EXPECT_EQ(no.text(), L"");
    }
    EXPECT_FALSE(Folder(nullptr).ok);
}

TEST(CommandPromptFolder, AFolderIsTakenWholeOrRefused) {
    const std::wstring fits = L"C:/" + std::wstring(kWorkingFolderChars - 3, L'a');
    Folder whole((L"file:///" + fits).c_str());
    ASSERT_TRUE(whole.ok);
    EXPECT_EQ(whole.text().size(), kWorkingFolderChars);
    Folder decodedToFit((L"file:///" + fits.substr(0, fits.size() - 1) + L"%20").c_str());
    EXPECT_TRUE(decodedToFit.ok) << "the limit counts the folder, not its address";
    Folder tooDeep((L"file:///" + fits + L"b").c_str());
    EXPECT_FALSE(tooDeep.ok);
    EXPECT_EQ(tooDeep.text(), L"") << "never a cut folder, which would be another place";
}

TEST(ProgramParameters, AddressesArePassedWholeUpToTheCommandLineLimit) {
    ProgramParameters p;
    ASSERT_TRUE(p.Join(L"explorer.exe", L"/n, ", L"file:///C:/Windows"));
    EXPECT_EQ(std::wstring(p.text()), L"/n, file:///C:/Windows");
    ASSERT_TRUE(p.Join(L"explorer.exe", L"/n, ", nullptr));
    EXPECT_EQ(std::wstring(p.text()), L"/n, ");
    ASSERT_TRUE(p.Join(L"iexplore.exe", nullptr, L"http://h/"));
    EXPECT_EQ(std::wstring(p.text()), L"http://h/");

    // "explorer.exe" quoted, a space, the parameters and the terminator.
    const std::size_t room = kCommandLineUnits - (12 + 2 + 1 + 1) - 4;
    const std::wstring longest = L"file:///" + std::wstring(room - 8, L'x');
    ASSERT_TRUE(p.Join(L"explorer.exe", L"/n, ", longest.c_str()));
    EXPECT_EQ(std::wstring(p.text()), L"/n, " + longest) << "a long address is not cut";
    EXPECT_FALSE(p.Join(L"explorer.exe", L"/n, ", (longest + L"y").c_str()));
    EXPECT_EQ(p.text(), nullptr) << "one unit more is refused, not cut";
}

}  // namespace
}  // namespace cc
