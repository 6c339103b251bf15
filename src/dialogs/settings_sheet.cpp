#include "dialogs/settings_sheet.h"

namespace cc {

// The sheet and its pages arrive with the dialogs work; until then action 0 opens nothing.
void OpenSettingsSheet(const GestureContext&) {}

}  // namespace cc
