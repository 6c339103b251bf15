// A stand-in host program: loads the DLL named on its command line, as a host does.
// Exit code 0 when the DLL loaded, 2 when the load was refused. Copies of it, named
// like the real hosts, show the host filter at work.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 3;
    HMODULE dll = ::LoadLibraryW(argv[1]);
    if (!dll) return 2;
    ::FreeLibrary(dll);
    return 0;
}
