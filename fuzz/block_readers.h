// Every reader of the settings block, run over a block whatever it holds, with the
// rules each must keep. Shared by the settings fuzz targets: the block is shared memory
// any process of the user can write, and what the file loader leaves behind.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

namespace cc::fuzz {

// `block` is 1140 bytes, 4-aligned; `input` supplies recordings, view kinds, pointer
// moves and buffer sizes. Aborts on a broken rule.
void CheckBlockReaders(void* block, FuzzedDataProvider& input);

}  // namespace cc::fuzz
