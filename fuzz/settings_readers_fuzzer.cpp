// Every reader of the settings block over arbitrary blocks: the first 1140 bytes of the
// input are the block (a shorter input leaves the rest zero), the remainder drives the
// recordings, view kinds, pointer moves and buffer sizes.
#include <array>
#include <cstdint>
#include <cstring>

#include <fuzzer/FuzzedDataProvider.h>

#include "block_readers.h"
#include "settings/settings_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::array<int32_t, cc::kSettingsInts> block{};
    const std::size_t blockBytes = size < cc::kSettingsBytes ? size : cc::kSettingsBytes;
    if (blockBytes > 0) std::memcpy(block.data(), data, blockBytes);
    FuzzedDataProvider rest(data + blockBytes, size - blockBytes);
    cc::fuzz::CheckBlockReaders(block.data(), rest);
    return 0;
}
