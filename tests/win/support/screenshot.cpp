#include "screenshot.h"

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "test_windows.h"

namespace cc::test {

bool SaveScreenshot(HWND window, const wchar_t* name, bool repaint) {
    wchar_t folder[MAX_PATH];
    if (!::GetEnvironmentVariableW(L"CC_SCREENSHOT_DIR", folder, MAX_PATH)) return false;
    ::CreateDirectoryW(folder, nullptr);
    if (repaint) {
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        PumpFor(200);
    }
    RECT r{};
    ::GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    const DWORD stride = ((w * 3 + 3) / 4) * 4;
    const DWORD imageBytes = stride * h;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    const std::wstring path = std::wstring(folder) + L"\\" + name + L".bmp";
    unique_hfile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    const bool ok = out && ::WriteFile(out.get(), &file, sizeof(file), &written, nullptr) &&
                    ::WriteFile(out.get(), &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
                    ::WriteFile(out.get(), bits, imageBytes, &written, nullptr);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace cc::test
