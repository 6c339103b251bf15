#include "menus/wheel_menus.h"

namespace cc {

// The menus arrive with the menu work; until then the wheel shows nothing.
VARIANT ShowQuickMoveMenu(const GestureContext&, POINT, HWND) {
    VARIANT none;
    ::VariantInit(&none);
    return none;
}

int ShowHistoryMenu(const GestureContext&, POINT, HWND) { return 0; }

}  // namespace cc
