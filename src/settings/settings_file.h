// The "setting" file: the block written as five pieces in a fixed order (header,
// Explorer counts, the 16 Explorer entries one by one, browser counts, the 29 browser
// entries one by one). OS-free: the caller supplies the reads and writes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/settings_block.h"

namespace cc {

struct FilePiece {
    int firstInt;  // index of the piece's first integer in the block
    int ints;
};

inline constexpr int kFilePieceCount = 1 + 1 + kExplorerActionCount + 1 + kBrowserActionCount;
const std::array<FilePiece, kFilePieceCount>& SettingsFilePieces();

// Fills up to `bytes` at `into` from the file; returns how many bytes it filled.
using ReadBytesFn = std::size_t (*)(void* context, void* into, std::size_t bytes);

// Reads the pieces into the block in order. The file is usable only when every piece is
// read whole and the header carries the current layout version; otherwise the defaults
// are applied over whatever was read (stroke slots behind a default count keep it).
// Returns whether the file was usable. `readable` false means there is no file.
bool LoadSettingsImage(void* block, bool readable, ReadBytesFn read, void* context);

}  // namespace cc
