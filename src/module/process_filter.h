// The host-process filter: marker files beside the DLL keep it out of one kind of host.
#pragma once

namespace cc {

inline constexpr wchar_t kMarkerUnloadOnIe[] = L"unload_on_IE";
inline constexpr wchar_t kMarkerUnloadOnExplorer[] = L"unload_on_Explorer";

// False when a marker in ModuleFolder excludes the host executable of this process.
// Runs at process attach: kernel32 and the C runtime only.
bool HostAllowed();

}  // namespace cc
