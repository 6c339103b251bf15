#include "actions/launch.h"

#include <shellapi.h>

namespace cc {
namespace {
ProgramStarter g_testStarter = nullptr;
}

void StartProgram(const wchar_t* file, const wchar_t* parameters) {
    if (g_testStarter) {
        g_testStarter(file, parameters);
        return;
    }
    ::ShellExecuteW(nullptr, L"open", file, parameters, nullptr, SW_SHOW);
}

void SetProgramStarterForTesting(ProgramStarter starter) { g_testStarter = starter; }

}  // namespace cc
