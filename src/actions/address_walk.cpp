#include "actions/address_walk.h"

#include <new>

namespace cc {
namespace {

std::size_t Length(const wchar_t* s) {
    std::size_t n = 0;
    while (s[n] != L'\0') ++n;
    return n;
}

bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Index of the character before `at`, keeping surrogate pairs together.
std::size_t PreviousCharacter(const wchar_t* text, std::size_t at) {
    std::size_t i = at - 1;
    if (i > 0 && IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1])) --i;
    return i;
}

// Appends into `out` (capacity `units`), cutting at the end; returns the new length.
std::size_t Append(wchar_t* out, std::size_t units, std::size_t length, const wchar_t* text) {
    for (; *text != L'\0' && length + 1 < units; ++text) out[length++] = *text;
    out[length] = L'\0';
    return length;
}

}  // namespace

std::size_t CopyAddress(AddressBuffer& out, const wchar_t* address) {
    out[0] = L'\0';
    return address ? Append(out, kAddressUnits, 0, address) : 0;
}

UpFolderTarget UpOneFolderAddress(AddressBuffer& address) {
    std::size_t end = Length(address);
    const std::size_t length = end;
    for (std::size_t steps = 0; steps < length && end > 0; ++steps) {
        const std::size_t at = PreviousCharacter(address, end);
        if (address[at] == L'/') return steps == 0 ? UpFolderTarget::Drives : UpFolderTarget::Address;
        address[at] = L'\0';
        end = at;
    }
    return UpFolderTarget::Nothing;
}

bool UpOneLevelAddress(AddressBuffer& address) {
    std::size_t end = Length(address);
    const std::size_t length = end;
    if (length == 0) return false;
    for (std::size_t steps = 0; steps < length && end > 0; ++steps) {
        const std::size_t at = PreviousCharacter(address, end);
        if (address[at] == L'/' && at != length - 1) break;
        address[at] = L'\0';
        end = at;
    }
    const std::size_t m = Length(address);
    // Nothing left (an address without any "/", such as about:blank): going to an empty
    // address would leave the window blank, so stay.
    if (m == 0) return false;
    if (m >= 3 && m <= 9 && address[m - 1] == L'/' && address[m - 2] == L'/') return false;
    return true;
}

bool CommandPromptFolder(const wchar_t* address, AddressBuffer& out) {
    out[0] = L'\0';
    static constexpr wchar_t kFileScheme[] = L"file:///";
    if (!address) return false;
    for (std::size_t i = 0; kFileScheme[i] != L'\0'; ++i) {
        if (address[i] != kFileScheme[i]) return false;
    }
    std::size_t length = 0;
    for (const wchar_t* p = address + 8; *p != L'\0'; ++length) {
        if (length == kWorkingFolderChars) {
            out[0] = L'\0';
            return false;
        }
        if (p[0] == L'%' && p[1] == L'2' && p[2] == L'0') {
            out[length] = L' ';
            p += 3;
        } else {
            out[length] = *p == L'/' ? L'\\' : *p;
            ++p;
        }
    }
    out[length] = L'\0';
    return length > 0;
}

bool ProgramParameters::Join(const wchar_t* program, const wchar_t* prefix, const wchar_t* text) {
    text_.reset();
    const std::size_t programLength = program ? Length(program) : 0;
    const std::size_t prefixLength = prefix ? Length(prefix) : 0;
    // Bounded count of the text: an address beyond the limit is refused without being
    // walked to its end.
    std::size_t textLength = 0;
    const std::size_t fixed = programLength + 2 + 1 + prefixLength + 1;  // quotes, space, terminator
    if (fixed > kCommandLineUnits) return false;
    const std::size_t room = kCommandLineUnits - fixed;
    if (text) {
        while (text[textLength] != L'\0') {
            if (textLength == room) return false;
            ++textLength;
        }
    }
    const std::size_t units = prefixLength + textLength + 1;
    text_.reset(new (std::nothrow) wchar_t[units]);
    if (!text_) return false;
    std::size_t n = Append(text_.get(), units, 0, prefix ? prefix : L"");
    Append(text_.get(), units, n, text ? text : L"");
    return true;
}

}  // namespace cc
