// The "setting" file loader over files of any length. The input is the file; it is read
// the way the Win32 loader reads it (ReadFile: whatever is left, up to what was asked),
// and again by a reader that hands out at most a few bytes per call, each time into a
// block that already holds something, so the defaults are applied over what was read.
// Afterwards every reader of the block runs over the result.
#include <array>
#include <cstdint>
#include <cstring>

#include <fuzzer/FuzzedDataProvider.h>

#include "block_readers.h"
#include "fuzz_check.h"
#include "settings/settings_block.h"
#include "settings/settings_file.h"

namespace {

using Block = std::array<int32_t, cc::kSettingsInts>;

struct MemoryFile {
    const uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
    std::size_t maxPerRead = SIZE_MAX;  // a reader that returns short even before the end
    int reads = 0;
};

std::size_t ReadMemory(void* context, void* into, std::size_t bytes) {
    auto& file = *static_cast<MemoryFile*>(context);
    ++file.reads;
    std::size_t n = file.size - file.position;
    if (n > bytes) n = bytes;
    if (n > file.maxPerRead) n = file.maxPerRead;
    if (n > 0) std::memcpy(into, file.data + file.position, n);
    file.position += n;
    return n;
}

// The pieces lie in the file in block order, one after the other, and cover the block:
// reading them in turn copies the file's first 1140 bytes to the same offsets.
bool PiecesFollowBlockOrder() {
    int next = 0;
    for (const cc::FilePiece& piece : cc::SettingsFilePieces()) {
        if (piece.firstInt != next || piece.ints <= 0) return false;
        next += piece.ints;
    }
    return next == cc::kSettingsInts;
}

Block Defaults() {
    Block b{};
    cc::ApplyDefaults(cc::SettingsView(b.data()));
    return b;
}

// What a load must leave, worked out from the file alone: the file's bytes at their own
// offsets up to where reading stopped (the first short piece, or the header when it
// carries another version), the prefill behind that, and the defaults over it all unless
// the whole block was read with the current version.
struct Expected {
    Block block;
    bool usable;
    int reads;
};

Expected ExpectLoad(const Block& prefill, const uint8_t* data, std::size_t size, std::size_t maxPerRead) {
    Expected e{prefill, false, 0};
    auto* bytes = reinterpret_cast<uint8_t*>(e.block.data());
    std::size_t at = 0;
    bool whole = true;
    bool header = true;
    for (const cc::FilePiece& piece : cc::SettingsFilePieces()) {
        const std::size_t want = static_cast<std::size_t>(piece.ints) * sizeof(int32_t);
        std::size_t got = size - at < want ? size - at : want;
        if (got > maxPerRead) got = maxPerRead;
        if (got > 0) std::memcpy(bytes + at, data + at, got);
        at += got;
        ++e.reads;
        if (got < want) {
            whole = false;
            break;
        }
        if (header && e.block[0] != cc::kLayoutVersion) {
            whole = false;
            break;
        }
        header = false;
    }
    e.usable = whole;
    if (!e.usable) cc::ApplyDefaults(cc::SettingsView(e.block.data()));
    return e;
}

void CheckLoad(const Block& prefill, const uint8_t* data, std::size_t size, std::size_t maxPerRead,
               FuzzedDataProvider& rest) {
    Block block = prefill;
    MemoryFile file{data, size};
    file.maxPerRead = maxPerRead;
    const bool usable = cc::LoadSettingsImage(block.data(), true, ReadMemory, &file);
    const Expected expected = ExpectLoad(prefill, data, size, maxPerRead);

    FUZZ_CHECK(usable == expected.usable);
    FUZZ_CHECK(file.reads == expected.reads);  // no read after the one that ended the load
    FUZZ_CHECK(std::memcmp(block.data(), expected.block.data(), cc::kSettingsBytes) == 0);
    if (usable) {
        FUZZ_CHECK(size >= cc::kSettingsBytes);
        FUZZ_CHECK(std::memcmp(block.data(), data, cc::kSettingsBytes) == 0);
    } else {
        static const Block defaults = Defaults();
        FUZZ_CHECK(std::memcmp(block.data(), defaults.data(), cc::kHeaderInts * sizeof(int32_t)) == 0);
        const cc::SettingsView view(block.data());
        for (cc::ActionList list : {cc::ActionList::Explorer, cc::ActionList::Browser}) {
            for (int k = 0; k < cc::ActionCount(list); ++k) {
                const cc::Gesture want = cc::DefaultGesture(list, k);
                const cc::Gesture got = view.ReadGesture(list, k);
                FUZZ_CHECK(view.StoredStrokeCount(list, k) == want.count && got.count == want.count);
                for (int i = 0; i < want.count; ++i) FUZZ_CHECK(got.strokes[i] == want.strokes[i]);
            }
        }
    }
    cc::fuzz::CheckBlockReaders(block.data(), rest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool piecesInOrder = PiecesFollowBlockOrder();
    FUZZ_CHECK(piecesInOrder);

    // What drives the readers afterwards: the bytes behind the block, if any.
    const std::size_t tail = size > cc::kSettingsBytes ? size - cc::kSettingsBytes : 0;
    const uint8_t* behind = data + (size - tail);

    // As the Win32 loader reads a file, into a block filled with a pattern.
    Block pattern;
    std::memset(pattern.data(), 0xA5, cc::kSettingsBytes);
    {
        FuzzedDataProvider rest(behind, tail);
        CheckLoad(pattern, data, size, SIZE_MAX, rest);
    }

    // Into a block holding the input backwards, by a reader that returns short early.
    Block mirrored{};
    auto* bytes = reinterpret_cast<uint8_t*>(mirrored.data());
    for (std::size_t i = 0; i < cc::kSettingsBytes && i < size; ++i) bytes[i] = data[size - 1 - i];
    static constexpr std::size_t kChunks[] = {1, 3, 4, 20, 60, 64, 116, 1140};
    const std::size_t chunk = kChunks[size % (sizeof kChunks / sizeof kChunks[0])];
    {
        FuzzedDataProvider rest(behind, tail);
        CheckLoad(mirrored, data, size, chunk, rest);
    }

    // No file: nothing is read and the defaults go over what the block held.
    Block none = mirrored;
    MemoryFile file{data, size};
    FUZZ_CHECK(!cc::LoadSettingsImage(none.data(), false, ReadMemory, &file));
    FUZZ_CHECK(file.reads == 0);
    Block expected = mirrored;
    cc::ApplyDefaults(cc::SettingsView(expected.data()));
    FUZZ_CHECK(std::memcmp(none.data(), expected.data(), cc::kSettingsBytes) == 0);
    return 0;
}
