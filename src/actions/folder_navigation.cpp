#include "actions/folder_navigation.h"

namespace cc {

// Folder navigation arrives with the executor work; until then nothing moves.
int UpOneFolder(const GestureContext&, int32_t) { return 0; }
int UpOneLevel(const GestureContext&) { return 0; }
void OpenInNewWindow(const GestureContext&, BSTR, VARIANT_BOOL*) {}

}  // namespace cc
