// The shell-link file format, checked before the shell is given a file from "Links". The
// shell's reader takes the sizes and offsets inside a shortcut at their word, and a
// damaged one has made it write past its buffers or hand back an item list that runs off
// its allocation. Free of the platform.
#pragma once

#include <cstddef>

namespace cc {

// True when `bytes` is a shell link whose every part lies inside the file and adds up:
// the 0x4C-byte header with the shell-link class id, the target's item list (its items
// filling exactly its stated size), the link information (its volume, paths and network
// parts inside its stated size, every string terminated there), the strings and the extra
// data blocks up to the terminal block. Bytes after the terminal block are not looked at.
bool IsWellFormedShortcut(const unsigned char* bytes, std::size_t size);

}  // namespace cc
