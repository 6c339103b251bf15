// The one place the product starts other programs.
#pragma once

#include <windows.h>

namespace cc {

// ShellExecuteW with the verb "open", no owner window, SW_SHOW, and `folder` (null: none)
// as the new program's working folder. The result is not examined by any caller.
void StartProgram(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder = nullptr);

// Tests observe launches without starting programs: while a starter is set, it is
// called instead. Never set by the product.
using ProgramStarter = void (*)(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder);
void SetProgramStarterForTesting(ProgramStarter starter);

}  // namespace cc
