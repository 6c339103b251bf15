#include "settings/settings_file.h"

namespace cc {
namespace {

constexpr std::array<FilePiece, kFilePieceCount> MakePieces() {
    std::array<FilePiece, kFilePieceCount> pieces{};
    int i = 0;
    pieces[i++] = {0, kHeaderInts};
    pieces[i++] = {kExplorerCountBase, kExplorerActionCount};
    for (int k = 0; k < kExplorerActionCount; ++k) pieces[i++] = {kExplorerEntryBase + k * kMaxStrokes, kMaxStrokes};
    pieces[i++] = {kBrowserCountBase, kBrowserActionCount};
    for (int k = 0; k < kBrowserActionCount; ++k) pieces[i++] = {kBrowserEntryBase + k * kMaxStrokes, kMaxStrokes};
    return pieces;
}
constexpr std::array<FilePiece, kFilePieceCount> kPieces = MakePieces();
static_assert(kPieces[kFilePieceCount - 1].firstInt + kMaxStrokes == kSettingsInts, "pieces cover the block");

}  // namespace

const std::array<FilePiece, kFilePieceCount>& SettingsFilePieces() { return kPieces; }

bool LoadSettingsImage(void* block, bool readable, ReadBytesFn read, void* context) {
    auto* ints = static_cast<int32_t*>(block);
    bool complete = readable;
    for (int i = 0; complete && i < kFilePieceCount; ++i) {
        const FilePiece& piece = kPieces[i];
        const std::size_t bytes = static_cast<std::size_t>(piece.ints) * sizeof(int32_t);
        complete = read(context, ints + piece.firstInt, bytes) == bytes;
        if (complete && i == 0) complete = ints[0] == kLayoutVersion;
    }
    if (!complete) ApplyDefaults(SettingsView(block));
    return complete;
}

}  // namespace cc
