#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/item_list.h"
#include "settings/shortcut_format.h"

namespace cc {
namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Set16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Set32(Bytes& b, size_t at, uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

// A shortcut laid out field by field as the shell writes one for a folder on a local
// drive: the header, a two-item target list, link information with a volume and a local
// path, a name, one extra data block and the terminal block. The offsets of its parts
// are kept so a test can damage exactly one of them.
struct Shortcut {
    static constexpr size_t kFlags = 0x14;
    static constexpr size_t kListSize = 0x4C;
    static constexpr size_t kFirstItem = 0x4E;
    static constexpr size_t kSecondItem = kFirstItem + 20;
    size_t info = 0, volume = 0, localPath = 0, name = 0, block = 0, terminal = 0;
    Bytes bytes;

    Shortcut() {
        Bytes& b = bytes;
        Put32(b, 0x4C);
        for (unsigned char c : {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0x00, 0x46}) {
            b.push_back(c);
        }
        Put32(b, 0x01 | 0x02 | 0x04 | 0x80);  // target list, link info, name, Unicode
        b.resize(0x4C, 0);

        Put16(b, 20 + 9 + 2);
        Put16(b, 20);
        b.resize(b.size() + 18, 0x1F);
        Put16(b, 9);
        b.resize(b.size() + 7, 0x2F);
        Put16(b, 0);

        info = b.size();
        Put32(b, 0x36);
        Put32(b, 0x1C);
        Put32(b, 0x01);  // volume and local path
        Put32(b, 0x1C);
        Put32(b, 0x2D);
        Put32(b, 0);
        Put32(b, 0x35);
        volume = b.size();
        Put32(b, 0x11);
        Put32(b, 3);
        Put32(b, 0x1234ABCD);
        Put32(b, 0x10);
        b.push_back(0);  // empty label
        localPath = b.size();
        for (char c : {'C', ':', '\\', 't', 'e', 's', 't', '\0'}) b.push_back(static_cast<unsigned char>(c));
        b.push_back(0);  // empty common suffix

        name = b.size();
        Put16(b, 3);
        for (char c : {'a', 'b', 'c'}) Put16(b, static_cast<unsigned char>(c));

        block = b.size();
        Put32(b, 0x1C);  // known folder: an id and an offset into the target list
        Put32(b, 0xA000000B);
        b.resize(b.size() + 16, 0x5A);
        Put32(b, 20);
        terminal = b.size();
        Put32(b, 0);
    }
    // Checked in a copy of exactly its size, so the sanitizer sees any read past the end.
    bool WellFormed() const {
        const Bytes exact(bytes);
        return IsWellFormedShortcut(exact.data(), exact.size());
    }
};

TEST(ShortcutFormat, AShortcutAsTheShellWritesItIsWellFormed) {
    Shortcut s;
    EXPECT_TRUE(s.WellFormed());
    s.bytes.resize(s.bytes.size() + 100, 0xEE);
    EXPECT_TRUE(s.WellFormed()) << "bytes after the terminal block are not looked at";
}

TEST(ShortcutFormat, EveryCutBeforeTheEndOfTheTerminalBlockIsRefused) {
    const Shortcut s;
    for (size_t n = 0; n < s.bytes.size(); ++n) {
        const Bytes cut(s.bytes.begin(), s.bytes.begin() + static_cast<long>(n));
        EXPECT_FALSE(IsWellFormedShortcut(cut.data(), cut.size())) << "cut at " << n;
    }
}

TEST(ShortcutFormat, HeaderSizeAndClassIdMustBeTheShellLinks) {
    Shortcut s;
    Set32(s.bytes, 0, 0x4D);
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    s.bytes[4 + 15] ^= 1;
    EXPECT_FALSE(s.WellFormed());
}

TEST(ShortcutFormat, TheItemSizesMustAddUpToTheListSize) {
    Shortcut s;
    Set16(s.bytes, Shortcut::kFirstItem, 21);  // runs one byte into the next item
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set16(s.bytes, Shortcut::kSecondItem, 1);  // shorter than its own size field
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set16(s.bytes, Shortcut::kListSize, 20 + 9 + 2 + 2);  // the terminator comes too early
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set16(s.bytes, Shortcut::kListSize, 0xFFFF);  // past the end of the file
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set16(s.bytes, Shortcut::kListSize, 0);
    EXPECT_FALSE(s.WellFormed()) << "a list holds at least its terminator";
}

TEST(ShortcutFormat, TheDesktopsEmptyListIsWellFormed) {
    Shortcut s;
    Bytes& b = s.bytes;
    b.erase(b.begin() + Shortcut::kFirstItem, b.begin() + Shortcut::kFirstItem + 29);
    Set16(b, Shortcut::kListSize, 2);
    EXPECT_TRUE(s.WellFormed());
}

TEST(ShortcutFormat, TheLinkInformationsPartsLieInsideIt) {
    Shortcut s;
    Set32(s.bytes, s.info, 2);  // below its own header: the shell would write its size past a tiny buffer
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set32(s.bytes, s.info + 4, 0x20);  // neither the short header nor one with Unicode offsets
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set32(s.bytes, s.info + 0x0C, 0x30);  // the volume would run past the link information
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set32(s.bytes, s.volume + 0x0C, 0x11);  // the label starts past the volume
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    s.bytes[s.localPath + 7] = 'x';  // the path runs into the suffix...
    EXPECT_TRUE(s.WellFormed());
    s.bytes[s.localPath + 8] = 'x';  // ...and then to the end without a terminator
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set32(s.bytes, s.info + 8, 0);  // no volume, yet offsets to one
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    s.bytes.resize(s.info + 4);
    Set32(s.bytes, s.info, 4);  // a size field and nothing after it
    EXPECT_FALSE(s.WellFormed());
}

TEST(ShortcutFormat, StringsAndExtraBlocksLieInsideTheFile) {
    Shortcut s;
    Set16(s.bytes, s.name, 0x8000);
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set32(s.bytes, s.block, 0x1C + 8);  // the block runs past the end of the file
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    s.bytes.resize(s.block);
    Put32(s.bytes, 6);  // too short for a signature, though the terminal block follows it
    Put16(s.bytes, 0);
    Put32(s.bytes, 0);
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set32(s.bytes, s.block + 4, 0xA0000005);  // a special-folder block is 16 bytes, not 28
    EXPECT_FALSE(s.WellFormed());
    s = Shortcut();
    Set32(s.bytes, s.terminal, 4);  // a terminal block's size is below 4
    EXPECT_FALSE(s.WellFormed());
}

TEST(ItemList, EndsWithItsTerminatorInsideTheLimitOrMeasuresNothing) {
    const unsigned char list[] = {4, 0, 'a', 'b', 3, 0, 'c', 0, 0, 0xFF};
    EXPECT_EQ(ItemListSize(list, 9), 9u);
    EXPECT_EQ(ItemListSize(list, 10), 9u);
    EXPECT_EQ(ItemListSize(list, 8), 0u) << "the terminator's second byte is past the limit";
    EXPECT_EQ(ItemListSize(list, 6), 0u) << "the second item runs past the limit";
    EXPECT_EQ(ItemListSize(list, 0), 0u);
    const unsigned char oneByteItem[] = {1, 0, 0, 0};
    EXPECT_EQ(ItemListSize(oneByteItem, 4), 0u);
    const unsigned char empty[] = {0, 0};
    EXPECT_EQ(ItemListSize(empty, 2), 2u);
}

}  // namespace
}  // namespace cc
