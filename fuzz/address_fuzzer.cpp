// The address walks over arbitrary UTF-16 text: addresses come from the browser, that is
// from web pages. The input is little-endian 16-bit units; the first zero unit splits it
// into two strings (the address, and a second text for the joined parameters). Every buffer is
// allocated at exactly its size, so AddressSanitizer sees any write past it; each result
// is compared with what the walk should produce, worked out here on std::wstring.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "actions/address_walk.h"
#include "fuzz_check.h"

namespace {

using cc::AddressBuffer;
using cc::kAddressUnits;

std::unique_ptr<AddressBuffer[]> NewAddressBuffer() {
    std::unique_ptr<AddressBuffer[]> b(new AddressBuffer[1]);
    for (wchar_t& u : b[0]) u = 0x7E57;
    return b;
}

// The terminated text in a buffer of `units`; a missing terminator is a finding.
std::wstring Terminated(const wchar_t* buffer, std::size_t units) {
    for (std::size_t i = 0; i < units; ++i) {
        if (buffer[i] == L'\0') return std::wstring(buffer, i);
    }
    FUZZ_CHECK(!"result not terminated inside its buffer");
    return {};
}

std::wstring Cut(std::wstring_view text, std::size_t units) {
    return std::wstring(text.substr(0, text.size() < units - 1 ? text.size() : units - 1));
}

void CheckCopy(const std::wstring& address) {
    auto out = NewAddressBuffer();
    const std::size_t n = cc::CopyAddress(out[0], address.c_str());
    const std::wstring expected = Cut(address, kAddressUnits);
    FUZZ_CHECK(n == expected.size());
    FUZZ_CHECK(Terminated(out[0], kAddressUnits) == expected);

    FUZZ_CHECK(cc::CopyAddress(out[0], nullptr) == 0);
    FUZZ_CHECK(out[0][0] == L'\0');
}

void CheckUpOneFolder(const std::wstring& address) {
    auto buffer = NewAddressBuffer();
    cc::CopyAddress(buffer[0], address.c_str());
    const std::wstring before = Terminated(buffer[0], kAddressUnits);
    const cc::UpFolderTarget target = cc::UpOneFolderAddress(buffer[0]);
    const std::wstring after = Terminated(buffer[0], kAddressUnits);

    const std::size_t slash = before.rfind(L'/');
    if (slash == std::wstring::npos) {
        FUZZ_CHECK(target == cc::UpFolderTarget::Nothing);
        FUZZ_CHECK(after.empty());
    } else if (slash == before.size() - 1) {
        FUZZ_CHECK(target == cc::UpFolderTarget::Drives);
        FUZZ_CHECK(after == before);
    } else {
        FUZZ_CHECK(target == cc::UpFolderTarget::Address);
        FUZZ_CHECK(after == before.substr(0, slash + 1));
    }
}

void CheckUpOneLevel(const std::wstring& address) {
    auto buffer = NewAddressBuffer();
    cc::CopyAddress(buffer[0], address.c_str());
    const std::wstring before = Terminated(buffer[0], kAddressUnits);
    const bool go = cc::UpOneLevelAddress(buffer[0]);
    const std::wstring after = Terminated(buffer[0], kAddressUnits);

    // Everything after the last "/" that is not the final character goes.
    std::wstring expected;
    if (before.size() >= 2) {
        const std::size_t slash = before.find_last_of(L'/', before.size() - 2);
        if (slash != std::wstring::npos) expected = before.substr(0, slash + 1);
    }
    const std::size_t m = expected.size();
    const bool hostOnly = m >= 3 && m <= 9 && expected.ends_with(L"//");
    if (before.empty()) {
        FUZZ_CHECK(!go && after.empty());
        return;
    }
    FUZZ_CHECK(after == expected);
    FUZZ_CHECK(go == (!expected.empty() && !hostOnly));
}

void CheckCommandPromptFolder(const std::wstring& address) {
    auto out = NewAddressBuffer();
    const bool ok = cc::CommandPromptFolder(address.c_str(), out[0]);
    const std::wstring result = Terminated(out[0], kAddressUnits);
    std::wstring folder;
    if (address.starts_with(L"file:///")) {
        for (std::size_t i = 8; i < address.size();) {
            if (address.compare(i, 3, L"%20") == 0) {
                folder += L' ';
                i += 3;
            } else {
                folder += address[i] == L'/' ? L'\\' : address[i];
                ++i;
            }
        }
    }
    const bool expected = !folder.empty() && folder.size() <= cc::kWorkingFolderChars;
    FUZZ_CHECK(ok == expected);
    FUZZ_CHECK(result == (expected ? folder : std::wstring()));
}

void CheckJoin(const wchar_t* program, const wchar_t* prefix, const wchar_t* text) {
    cc::ProgramParameters p;
    const bool ok = p.Join(program, prefix, text);
    const std::wstring joined = std::wstring(prefix ? prefix : L"") + (text ? text : L"");
    const std::size_t line = std::wstring(program).size() + 3 + joined.size() + 1;
    FUZZ_CHECK(ok == (line <= cc::kCommandLineUnits));
    FUZZ_CHECK(ok ? p.text() != nullptr && joined == p.text() : p.text() == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::wstring first;
    std::wstring second;
    bool split = false;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == L'\0' && !split) {
            split = true;
        } else if (unit != L'\0') {
            (split ? second : first) += unit;
        }
    }

    for (const std::wstring* address : {&first, &second}) {
        CheckCopy(*address);
        CheckUpOneFolder(*address);
        CheckUpOneLevel(*address);
        CheckCommandPromptFolder(*address);
    }
    // The prefixes the executor and the navigation pass, and the page's own text as one.
    CheckJoin(L"explorer.exe", L"/n, ", first.c_str());
    CheckJoin(L"explorer.exe", L"/n, file:///", first.c_str());
    CheckJoin(L"iexplore.exe", nullptr, first.c_str());
    CheckJoin(second.c_str(), first.c_str(), second.c_str());
    return 0;
}
