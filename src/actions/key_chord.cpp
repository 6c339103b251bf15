#include "actions/key_chord.h"

namespace cc {
namespace {
constexpr UINT kMaxChordKeys = 3;
}

UINT SendKeyChord(UINT count, const WORD* keys) {
    if (!keys || count == 0 || count > kMaxChordKeys) return 0;
    INPUT events[2 * kMaxChordKeys] = {};
    for (UINT i = 0; i < count; ++i) {
        INPUT& press = events[i];
        press.type = INPUT_KEYBOARD;
        press.ki.wVk = keys[i];
        press.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
        INPUT& release = events[count + i];
        release.type = INPUT_KEYBOARD;
        release.ki.wVk = keys[count - 1 - i];
        release.ki.dwFlags = KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP;
    }
    return ::SendInput(2 * count, events, sizeof(INPUT));
}

}  // namespace cc
