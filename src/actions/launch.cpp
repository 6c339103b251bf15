#include "actions/launch.h"

#include <shellapi.h>

namespace cc {
namespace {
ProgramStarter g_testStarter = nullptr;
}

void StartProgram(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder) {
    if (g_testStarter) {
        g_testStarter(file, parameters, folder);
        return;
    }
    ::ShellExecuteW(nullptr, L"open", file, parameters, folder, SW_SHOW);
}

void SetProgramStarterForTesting(ProgramStarter starter) { g_testStarter = starter; }

}  // namespace cc
