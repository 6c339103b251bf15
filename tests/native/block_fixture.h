// A settings block in ordinary memory, and the default gesture tables written the way
// a person reads them, so tests compare against text rather than against the code.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "settings/action_catalogue.h"
#include "settings/settings_block.h"

namespace cc::test {

struct Block {
    alignas(4) std::array<int32_t, kSettingsInts> ints{};
    SettingsView view() { return SettingsView(ints.data()); }
    void Fill(int32_t v) { ints.fill(v); }
    int32_t AtByte(std::size_t offset) const {
        int32_t v;
        std::memcpy(&v, reinterpret_cast<const unsigned char*>(ints.data()) + offset, sizeof v);
        return v;
    }
};

inline std::wstring GestureText(const Gesture& g) {
    wchar_t buf[kGestureTextUnits];
    FormatGestureText(g, buf, kGestureTextUnits);
    return buf;
}

inline const std::array<const wchar_t*, kExplorerActionCount> kExplorerDefaultTexts{
    L"右-下-左", L"左", L"右", L"左-上", L"上-下", L"下-右", L"下", L"下-上-右",
    L"右-上", L"下-左", L"上", L"左-下-右", L"－", L"－", L"－", L"－",
};

inline const std::array<const wchar_t*, kBrowserActionCount> kBrowserDefaultTexts{
    L"右-下-左", L"左", L"右", L"左-上", L"上-下", L"下-右", L"下", L"下-上-右",
    L"右-上", L"下-左", L"上-左-上", L"上", L"下-上-下", L"右-左-下", L"上-下-右", L"－",
    L"上-右", L"上-左", L"下-上", L"右-下-左-上", L"－", L"－", L"－", L"－",
    L"－", L"－", L"－", L"－", L"－",
};

}  // namespace cc::test
