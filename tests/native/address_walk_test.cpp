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

TEST(CommandPrompt, OnlyFileAddressesAndOnlyPercentTwenty) {
    ParameterBuffer out;
    ASSERT_TRUE(CommandPromptParameters(L"file:///C:/My%20Files/a%23b", out));
    EXPECT_EQ(std::wstring(out), L"/k \"cd /d C:\\My Files\\a%23b\"");
    EXPECT_FALSE(CommandPromptParameters(L"FILE:///C:/x", out));
    EXPECT_EQ(out[0], L'\0');
    EXPECT_FALSE(CommandPromptParameters(L"file://C:/x", out));
    EXPECT_FALSE(CommandPromptParameters(L"", out));
    EXPECT_FALSE(CommandPromptParameters(nullptr, out));
    ASSERT_TRUE(CommandPromptParameters(L"file:///", out));
    EXPECT_EQ(std::wstring(out), L"/k \"cd /d \"");
    ASSERT_TRUE(CommandPromptParameters(L"file:///C:/%2", out));
    EXPECT_EQ(std::wstring(out), L"/k \"cd /d C:\\%2\"");
}

TEST(CommandPrompt, ALongAddressStaysInsideTheBuffer) {
    const std::wstring longAddress = L"file:///C:/" + std::wstring(1000, L'%') + L"20";
    ParameterBuffer out;
    ASSERT_TRUE(CommandPromptParameters(longAddress.c_str(), out));
    const std::wstring text(out);
    EXPECT_LT(text.size(), kParameterUnits);
    EXPECT_EQ(text.back(), L'"');
}

TEST(JoinParameters, PrefixAndCutText) {
    ParameterBuffer out;
    JoinParameters(L"/n, ", L"file:///C:/Windows", out);
    EXPECT_EQ(std::wstring(out), L"/n, file:///C:/Windows");
    JoinParameters(L"/n, ", nullptr, out);
    EXPECT_EQ(std::wstring(out), L"/n, ");
    JoinParameters(L"/n, file:///", std::wstring(500, L'x').c_str(), out);
    EXPECT_EQ(std::wstring(out).size(), 12u + 259u);
}

}  // namespace
}  // namespace cc
