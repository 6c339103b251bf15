// The one place the product starts other programs.
#pragma once

#include <windows.h>

namespace cc {

// ShellExecuteW with the verb "open", no owner window, no working folder, SW_SHOW.
// The result is not examined by any caller.
void StartProgram(const wchar_t* file, const wchar_t* parameters);

// Tests observe launches without starting programs: while a starter is set, it is
// called instead. Never set by the product.
using ProgramStarter = void (*)(const wchar_t* file, const wchar_t* parameters);
void SetProgramStarterForTesting(ProgramStarter starter);

}  // namespace cc
