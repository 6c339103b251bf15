// The shortcut check over arbitrary bytes: the files in "Links" are written by whatever
// runs as the user, and only what the check accepts reaches the shell's own reader. The
// input is copied into a buffer of exactly its size, so AddressSanitizer sees any read
// past the end of the file.
#include <cstdint>
#include <cstring>
#include <memory>

#include "common/item_list.h"
#include "settings/shortcut_format.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::unique_ptr<unsigned char[]> file(new unsigned char[size + 1]);
    std::memcpy(file.get(), data, size);
    const bool wellFormed = cc::IsWellFormedShortcut(file.get(), size);

    // Only the bytes up to the terminal block count: the same file with more after it
    // is judged the same.
    file[size] = 0xA5;
    if (wellFormed) FUZZ_CHECK(cc::IsWellFormedShortcut(file.get(), size + 1));

    // A list measured within a limit ends with its terminator inside that limit.
    const std::size_t listSize = cc::ItemListSize(file.get(), size);
    if (listSize != 0) {
        FUZZ_CHECK(listSize >= 2 && listSize <= size);
        FUZZ_CHECK(file[listSize - 2] == 0 && file[listSize - 1] == 0);
    }
    return 0;
}
