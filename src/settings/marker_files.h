// The marker files beside the DLL that keep it out of one kind of host: the host filter
// reads them at load, the behaviour page writes them.
#pragma once

namespace cc {

inline constexpr wchar_t kMarkerUnloadOnIe[] = L"unload_on_IE";
inline constexpr wchar_t kMarkerUnloadOnExplorer[] = L"unload_on_Explorer";

}  // namespace cc
