#include "settings/shortcut_format.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "common/item_list.h"

namespace cc {
namespace {

constexpr std::size_t kHeaderSize = 0x4C;
// 00021401-0000-0000-C000-000000000046 as it lies in the file.
constexpr unsigned char kShellLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum LinkFlag : uint32_t {
    kHasTargetItemList = 1u << 0,
    kHasLinkInfo = 1u << 1,
    kHasName = 1u << 2,
    kHasRelativePath = 1u << 3,
    kHasWorkingDir = 1u << 4,
    kHasArguments = 1u << 5,
    kHasIconLocation = 1u << 6,
    kIsUnicode = 1u << 7,
};

enum LinkInfoFlag : uint32_t {
    kVolumeAndLocalPath = 1u << 0,
    kNetworkLinkAndSuffix = 1u << 1,
};
constexpr uint32_t kNetworkValidDevice = 1u << 0;

// A range of the file; every read is checked against it first.
class Span {
public:
    Span(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t size() const { return size_; }
    bool Has(std::size_t at, std::size_t count) const { return at <= size_ && count <= size_ - at; }
    // Callers check Has first.
    uint32_t U16(std::size_t at) const { return data_[at] | (uint32_t{data_[at + 1]} << 8); }
    uint32_t U32(std::size_t at) const { return U16(at) | (U16(at + 2) << 16); }
    const unsigned char* At(std::size_t at) const { return data_ + at; }
    Span Part(std::size_t at, std::size_t count) const { return Span(data_ + at, count); }
    // A string of `unit`-byte characters starting at `at` ends with a zero character
    // inside this range.
    bool TerminatedAt(std::size_t at, std::size_t unit) const {
        for (std::size_t i = at; Has(i, unit); i += unit) {
            if (data_[i] == 0 && (unit == 1 || data_[i + 1] == 0)) return true;
        }
        return false;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
};

bool VolumeIdIsWhole(Span info, uint32_t offset) {
    if (!info.Has(offset, 0x10)) return false;
    const uint32_t size = info.U32(offset);
    if (size <= 0x10 || !info.Has(offset, size)) return false;
    const Span volume = info.Part(offset, size);
    const uint32_t label = volume.U32(0x0C);
    // 0x14 says the label is given by the Unicode offset that follows instead.
    if (label == 0x14) return volume.Has(0x10, 4) && volume.TerminatedAt(volume.U32(0x10), 2);
    return volume.TerminatedAt(label, 1);
}

bool NetworkLinkIsWhole(Span info, uint32_t offset) {
    if (!info.Has(offset, 0x14)) return false;
    const uint32_t size = info.U32(offset);
    if (size < 0x14 || !info.Has(offset, size)) return false;
    const Span link = info.Part(offset, size);
    const uint32_t flags = link.U32(0x04);
    const uint32_t netName = link.U32(0x08);
    const uint32_t deviceName = link.U32(0x0C);
    const bool device = (flags & kNetworkValidDevice) != 0;
    // The device name counts only when the flag says there is one.
    if (!link.TerminatedAt(netName, 1) || (device && !link.TerminatedAt(deviceName, 1))) return false;
    // Unicode offsets follow when the net name starts after the fixed part.
    if (netName > 0x14) {
        if (!link.Has(0x14, 8) || !link.TerminatedAt(link.U32(0x14), 2)) return false;
        if (device && !link.TerminatedAt(link.U32(0x18), 2)) return false;
    }
    return true;
}

bool LinkInfoIsWhole(Span info) {
    if (!info.Has(0, 0x1C)) return false;
    const uint32_t headerSize = info.U32(0x04);
    if ((headerSize != 0x1C && headerSize < 0x24) || !info.Has(0, headerSize)) return false;
    const uint32_t flags = info.U32(0x08);
    const uint32_t volume = info.U32(0x0C);
    const uint32_t localPath = info.U32(0x10);
    const uint32_t network = info.U32(0x14);
    const uint32_t suffix = info.U32(0x18);
    const bool local = (flags & kVolumeAndLocalPath) != 0;
    if (local) {
        if (!VolumeIdIsWhole(info, volume) || !info.TerminatedAt(localPath, 1)) return false;
    } else if (volume != 0 || localPath != 0) {
        return false;
    }
    if ((flags & kNetworkLinkAndSuffix) != 0) {
        if (!NetworkLinkIsWhole(info, network)) return false;
    } else if (network != 0) {
        return false;
    }
    if (!info.TerminatedAt(suffix, 1)) return false;
    if (headerSize >= 0x24) {
        const uint32_t localPathUnicode = info.U32(0x1C);
        if (local ? !info.TerminatedAt(localPathUnicode, 2) : localPathUnicode != 0) return false;
        if (!info.TerminatedAt(info.U32(0x20), 2)) return false;
    }
    return true;
}

// One extra data block (its size already inside the file and at least 8): the blocks of
// a fixed layout have exactly their size, and the ones holding strings or an item list
// hold them whole.
bool ExtraBlockIsWhole(Span block) {
    const uint32_t size = static_cast<uint32_t>(block.size());
    switch (block.U32(4)) {
    case 0xA0000001:  // environment-variable target
    case 0xA0000006:  // installer (Darwin) identifier
    case 0xA0000007:  // environment-variable icon
        // A 260-byte ANSI field and a 520-byte Unicode field, each holding one string.
        return size == 0x314 && block.Part(0x08, 260).TerminatedAt(0, 1) &&
               block.Part(0x10C, 520).TerminatedAt(0, 2);
    case 0xA0000002:  // console
        return size == 0xCC;
    case 0xA0000003:  // link tracker
        return size == 0x60;
    case 0xA0000004:  // console code page
        return size == 0x0C;
    case 0xA0000005:  // special folder
        return size == 0x10;
    case 0xA000000B:  // known folder
        return size == 0x1C;
    case 0xA0000008:  // shim layer
        return size >= 0x88;
    case 0xA0000009:  // property store
        return size >= 0x0C;
    case 0xA000000C:  // the target's item list as newer systems write it
        return size >= 0x0A && ItemListSize(block.At(8), size - 8) == size - 8;
    default:
        return true;
    }
}

}  // namespace

bool IsWellFormedShortcut(const unsigned char* bytes, std::size_t size) {
    if (!bytes) return false;
    const Span file(bytes, size);
    if (!file.Has(0, kHeaderSize) || file.U32(0) != kHeaderSize ||
        std::memcmp(file.At(4), kShellLinkClassId, sizeof(kShellLinkClassId)) != 0) {
        return false;
    }
    const uint32_t flags = file.U32(0x14);
    std::size_t at = kHeaderSize;

    if (flags & kHasTargetItemList) {
        if (!file.Has(at, 2)) return false;
        const std::size_t listSize = file.U16(at);
        at += 2;
        if (listSize < 2 || !file.Has(at, listSize) || ItemListSize(file.At(at), listSize) != listSize) return false;
        at += listSize;
    }

    if (flags & kHasLinkInfo) {
        if (!file.Has(at, 4)) return false;
        const uint32_t infoSize = file.U32(at);
        if (!file.Has(at, infoSize) || !LinkInfoIsWhole(file.Part(at, infoSize))) return false;
        at += infoSize;
    }

    const std::size_t unit = (flags & kIsUnicode) ? 2 : 1;
    for (uint32_t present : {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation}) {
        if (!(flags & present)) continue;
        if (!file.Has(at, 2)) return false;
        const std::size_t length = file.U16(at) * unit;
        at += 2;
        if (!file.Has(at, length)) return false;
        at += length;
    }

    // Extra data blocks up to the terminal block, whose size field is below 4.
    for (;;) {
        if (!file.Has(at, 4)) return false;
        const uint32_t blockSize = file.U32(at);
        if (blockSize < 4) return true;
        if (blockSize < 8 || !file.Has(at, blockSize) || !ExtraBlockIsWhole(file.Part(at, blockSize))) return false;
        at += blockSize;
    }
}

}  // namespace cc
