// The host-process filter: marker files beside the DLL keep it out of one kind of host.
#pragma once

#include "settings/marker_files.h"

namespace cc {

// False when a marker in ModuleFolder excludes the host executable of this process.
// Runs at process attach: kernel32 and the C runtime only.
bool HostAllowed();

}  // namespace cc
