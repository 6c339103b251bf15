#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "block_fixture.h"
#include "settings/settings_file.h"

namespace cc {
namespace {

using test::Block;

// The file as the Win32 loader's ReadFile sees it: each read gets what is left, up to what
// was asked; `maxPerRead` makes a reader that returns short before the end.
struct MemoryFile {
    std::vector<unsigned char> bytes;
    std::size_t position = 0;
    std::size_t maxPerRead = SIZE_MAX;
    int reads = 0;

    static std::size_t Read(void* context, void* into, std::size_t wanted) {
        auto& f = *static_cast<MemoryFile*>(context);
        ++f.reads;
        const std::size_t n = std::min({wanted, f.bytes.size() - f.position, f.maxPerRead});
        if (n > 0) std::memcpy(into, f.bytes.data() + f.position, n);
        f.position += n;
        return n;
    }
};

// A saved block whose every integer differs from the defaults and from the prefill:
// integer i holds 1000 + i, with the current version in front.
MemoryFile Image(std::size_t cutTo = kSettingsBytes) {
    Block b;
    for (int i = 0; i < kSettingsInts; ++i) b.ints[i] = 1000 + i;
    b.ints[0] = kLayoutVersion;
    MemoryFile f;
    const auto* p = reinterpret_cast<const unsigned char*>(b.ints.data());
    f.bytes.assign(p, p + cutTo);
    return f;
}

constexpr int32_t kPrefill = 0x0A0A0A0A;

Block Prefilled() {
    Block b;
    b.Fill(kPrefill);
    return b;
}

Block PrefilledWithDefaults() {
    Block b = Prefilled();
    ApplyDefaults(b.view());
    return b;
}

bool Load(Block& b, MemoryFile& f) { return LoadSettingsImage(b.ints.data(), true, MemoryFile::Read, &f); }

// Byte offsets of the groups in the file, which are those of the block.
constexpr std::size_t kExplorerCountsAt = kExplorerCountBase * 4;  // 60
constexpr std::size_t kExplorerEntriesAt = kExplorerEntryBase * 4;  // 124
constexpr std::size_t kEntryBytes = kMaxStrokes * 4;                // 20

TEST(SettingsFile, PiecesAreTheGroupsAndEveryEntryInBlockOrder) {
    const auto& pieces = SettingsFilePieces();
    ASSERT_EQ(pieces.size(), 1u + 1 + 16 + 1 + 29);
    EXPECT_EQ(pieces[0].firstInt, 0);
    EXPECT_EQ(pieces[0].ints, 15);
    EXPECT_EQ(pieces[1].firstInt, 15);
    EXPECT_EQ(pieces[1].ints, 16);
    EXPECT_EQ(pieces[18].firstInt, 111);
    EXPECT_EQ(pieces[18].ints, 29);
    int next = 0;
    for (const FilePiece& piece : pieces) {
        EXPECT_EQ(piece.firstInt, next);
        next += piece.ints;
    }
    EXPECT_EQ(next, kSettingsInts);
}

TEST(SettingsFile, AWholeFileOfTheCurrentVersionIsTheBlockByteForByte) {
    MemoryFile f = Image();
    Block b = Prefilled();
    EXPECT_TRUE(Load(b, f));
    EXPECT_EQ(std::memcmp(b.ints.data(), f.bytes.data(), kSettingsBytes), 0);
    EXPECT_EQ(f.reads, kFilePieceCount);

    // Bytes behind the block are left unread.
    MemoryFile longer = Image();
    longer.bytes.resize(1200, 0xEE);
    Block c = Prefilled();
    EXPECT_TRUE(Load(c, longer));
    EXPECT_EQ(longer.position, kSettingsBytes);
    EXPECT_EQ(c.ints, b.ints);
}

TEST(SettingsFile, NoFileReadsNothingAndAppliesTheDefaults) {
    MemoryFile f = Image();
    Block b = Prefilled();
    EXPECT_FALSE(LoadSettingsImage(b.ints.data(), false, MemoryFile::Read, &f));
    EXPECT_EQ(f.reads, 0);
    EXPECT_EQ(b.ints, PrefilledWithDefaults().ints);
}

TEST(SettingsFile, AnotherVersionStopsAfterTheHeaderAndKeepsNothingOfIt) {
    for (int32_t version : {22, 24, 0, -1}) {
        MemoryFile f = Image();
        std::memcpy(f.bytes.data(), &version, sizeof version);
        Block b = Prefilled();
        EXPECT_FALSE(Load(b, f)) << version;
        EXPECT_EQ(f.reads, 1) << version;
        // Only the header was read, and the defaults replace all of it: the block is
        // exactly the prefill with the defaults over it.
        EXPECT_EQ(b.ints, PrefilledWithDefaults().ints) << version;
    }
}

TEST(SettingsFile, AShortReadInsideAPieceMeansDefaultsOverWhatWasRead) {
    // The file ends 6 bytes into Explorer entry 12 (no default gesture, so its slots
    // are not defaulted): the reads stop there.
    const std::size_t entry12 = kExplorerEntriesAt + 12 * kEntryBytes;
    MemoryFile f = Image(entry12 + 6);
    Block b = Prefilled();
    EXPECT_FALSE(Load(b, f));
    EXPECT_EQ(f.reads, 2 + 13);

    Block defaults = PrefilledWithDefaults();
    const SettingsView v = b.view();
    for (int i = 0; i < kHeaderInts; ++i) EXPECT_EQ(b.ints[i], defaults.ints[i]) << "header " << i;
    for (int k = 0; k < kExplorerActionCount; ++k) {
        EXPECT_EQ(v.StoredStrokeCount(ActionList::Explorer, k), DefaultGesture(ActionList::Explorer, k).count) << k;
    }
    // Behind default counts: what was read stays (entry 11 whole, slot 0 of entry 12),
    // a slot read in part is part file, part prefill, and the rest is the prefill.
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 11, 3), 1000 + kExplorerEntryBase + 11 * 5 + 3);
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 12, 0), 1000 + kExplorerEntryBase + 12 * 5);
    const int32_t half = (1000 + kExplorerEntryBase + 12 * 5 + 1) & 0xFFFF;
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 12, 1), (kPrefill & ~0xFFFF) | half);
    EXPECT_EQ(v.StoredStroke(ActionList::Explorer, 12, 2), kPrefill);
    EXPECT_EQ(v.StoredStroke(ActionList::Browser, 28, 4), kPrefill);
    // Defaulted slots are the defaults whatever was read into them.
    EXPECT_EQ(test::GestureText(v.ReadGesture(ActionList::Explorer, 11)), L"左-下-右");
}

TEST(SettingsFile, EveryCutFileIsUnusable) {
    // At each piece boundary, one byte short of it, and one byte past it.
    std::vector<std::size_t> cuts{0, 1};
    std::size_t at = 0;
    for (const FilePiece& piece : SettingsFilePieces()) {
        at += static_cast<std::size_t>(piece.ints) * 4;
        if (at == kSettingsBytes) break;
        cuts.insert(cuts.end(), {at - 1, at, at + 1});
    }
    cuts.push_back(kSettingsBytes - 1);
    for (std::size_t cut : cuts) {
        MemoryFile f = Image(cut);
        Block b = Prefilled();
        EXPECT_FALSE(Load(b, f)) << cut;
        EXPECT_EQ(b.view().Get(Field::SensitivityPixels), 15) << cut;
        EXPECT_EQ(b.view().StoredStrokeCount(ActionList::Browser, 19), 4) << cut;
    }
}

TEST(SettingsFile, AReaderThatReturnsShortIsNotTrustedEvenWithTheWholeFileThere) {
    // ReadFile may return fewer bytes than asked without an error; the loader asks once
    // per piece and does not retry.
    MemoryFile f = Image();
    f.maxPerRead = 40;
    Block b = Prefilled();
    EXPECT_FALSE(Load(b, f));
    EXPECT_EQ(f.reads, 1);
    EXPECT_EQ(b.ints, PrefilledWithDefaults().ints);

    // A read that fails outright (the Win32 reader returns 0).
    MemoryFile failing = Image();
    failing.maxPerRead = 0;
    Block c = Prefilled();
    EXPECT_FALSE(Load(c, failing));
    EXPECT_EQ(c.ints, PrefilledWithDefaults().ints);
}

}  // namespace
}  // namespace cc
