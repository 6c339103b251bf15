// The sandbox's scripted tour: gestures drawn with real injected input in the folder
// window's tabs and the page window, each step checking what the DLL did.
#pragma once

#include "host_windows.h"

namespace sandbox {

// Runs the tour; 0 when every check passed.
int Tour(FolderWindow& folder, PageBrowser& web, FolderLayout layout);

}  // namespace sandbox
