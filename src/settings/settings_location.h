// Where the settings live and which shared block holds them. Beside the DLL (one registered
// by hand): the files "setting" and "Links" in the DLL's folder and the block
// "CursorCadence", shared by everyone who loads that DLL. Installed by the package: the
// files in each user's roaming application data, and a block of that user's own.
#pragma once

#include <windows.h>

namespace cc {

// The block's name beside the DLL; a user's own block adds "." and their SID.
inline constexpr wchar_t kSharedSettingsName[] = L"CursorCadence";
// Long enough for any SID in text form.
inline constexpr int kMaxSidText = 192;
// The folder made in the user's roaming application data.
inline constexpr wchar_t kPerUserFolderName[] = L"CursorCadence";
// How long a mouse or dialog handler waits for a network folder to answer.
inline constexpr DWORD kNetworkProbeMs = 300;

struct SettingsLocation {
    wchar_t sharedName[256] = L"";
    // The user the block belongs to, as text; empty for a block with default security.
    wchar_t userSid[kMaxSidText] = L"";
    // Holds "setting" and "Links"; empty when it cannot be had.
    wchar_t folder[MAX_PATH] = L"";
    // Holds the marker files: always the DLL's folder.
    wchar_t markerFolder[MAX_PATH] = L"";
    bool perUser = false;   // the folder is the user's own and is made on first save
    bool remote = false;    // on a network share: asked, with a time limit, before each use
    DWORD unavailable = ERROR_SUCCESS;  // why there is no folder
};

// Files in `folder` (which also holds the markers), block `sharedName` with default security.
SettingsLocation BesideLocation(const wchar_t* sharedName, const wchar_t* folder);

// The product's location for a DLL in `dllFolder`: per user when the package's marker is
// there, beside the DLL otherwise. Reads the registry and the token; no network access.
SettingsLocation ResolveSettingsLocation(const wchar_t* dllFolder);

// ResolveSettingsLocation(ModuleFolder()), done once per process on first use.
const SettingsLocation& ProductSettingsLocation();

// ERROR_SUCCESS when the location's folder may be used now, else why not: it cannot be
// had, or it is on a share that did not answer within kNetworkProbeMs. A local folder is
// not touched; a network one is asked on a pool thread, so a share that is offline never
// holds up the calling (window) thread for longer than that.
DWORD CheckSettingsFolder(const SettingsLocation& location);

// How a network folder is asked (tests put a slow one in): ERROR_SUCCESS when it answers.
using FolderProbeFn = DWORD (*)(const wchar_t* folder);
FolderProbeFn SetFolderProbeForTest(FolderProbeFn probe);

}  // namespace cc
