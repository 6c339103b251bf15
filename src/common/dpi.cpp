#include "common/dpi.h"

#include <initializer_list>

namespace cc {
namespace {

// Values of the Windows 8.1 scaling headers, which a Windows 7 build does not declare.
constexpr int kProcessPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE
constexpr int kMdtEffectiveDpi = 0;            // MDT_EFFECTIVE_DPI
constexpr int kDpiAwarenessPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE

struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    UINT(WINAPI* getDpiForSystem)() = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
    DPI_AWARENESS_CONTEXT(WINAPI* getThreadDpiAwarenessContext)() = nullptr;
    DPI_AWARENESS_CONTEXT(WINAPI* setThreadDpiAwarenessContext)(DPI_AWARENESS_CONTEXT) = nullptr;
    int(WINAPI* getAwarenessFromDpiAwarenessContext)(DPI_AWARENESS_CONTEXT) = nullptr;
    BOOL(WINAPI* logicalToPhysicalPointForPerMonitorDpi)(HWND, POINT*) = nullptr;
    HRESULT(WINAPI* getProcessDpiAwareness)(HANDLE, int*) = nullptr;
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
};

template <class F>
void Resolve(HMODULE module, const char* name, F& function) {
    // Through a plain function pointer type: a cast between unrelated function types is
    // what the compiler warns of.
    function = module ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name))) : nullptr;
}

// Looked up once, on first use (never from DllMain). shcore.dll (Windows 8.1 and later) stays
// loaded for the process's life, so what was found in it stays valid.
const DpiFunctions& Functions() {
    static const DpiFunctions functions = [] {
        DpiFunctions f;
        const HMODULE user = ::GetModuleHandleW(L"user32.dll");
        Resolve(user, "GetDpiForWindow", f.getDpiForWindow);
        Resolve(user, "GetDpiForSystem", f.getDpiForSystem);
        Resolve(user, "GetSystemMetricsForDpi", f.getSystemMetricsForDpi);
        Resolve(user, "SystemParametersInfoForDpi", f.systemParametersInfoForDpi);
        Resolve(user, "GetThreadDpiAwarenessContext", f.getThreadDpiAwarenessContext);
        Resolve(user, "SetThreadDpiAwarenessContext", f.setThreadDpiAwarenessContext);
        Resolve(user, "GetAwarenessFromDpiAwarenessContext", f.getAwarenessFromDpiAwarenessContext);
        Resolve(user, "LogicalToPhysicalPointForPerMonitorDPI", f.logicalToPhysicalPointForPerMonitorDpi);
        const HMODULE shcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        Resolve(shcore, "GetProcessDpiAwareness", f.getProcessDpiAwareness);
        Resolve(shcore, "GetDpiForMonitor", f.getDpiForMonitor);
        return f;
    }();
    return functions;
}

bool ProcessIsPerMonitorAware() {
    const DpiFunctions& f = Functions();
    int awareness = 0;
    return f.getProcessDpiAwareness && SUCCEEDED(f.getProcessDpiAwareness(nullptr, &awareness)) &&
           awareness == kProcessPerMonitorDpiAware;
}

UINT MonitorDpi(HMONITOR monitor) {
    const DpiFunctions& f = Functions();
    UINT x = 0, y = 0;
    if (!monitor || !f.getDpiForMonitor || FAILED(f.getDpiForMonitor(monitor, kMdtEffectiveDpi, &x, &y))) return 0;
    return x;
}

UINT ScreenDpi() {
    const DpiFunctions& f = Functions();
    if (f.getDpiForSystem) return f.getDpiForSystem();
    const HDC screen = ::GetDC(nullptr);
    if (!screen) return kBaseDpi;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

}  // namespace

bool ThreadIsPerMonitorAware() {
    const DpiFunctions& f = Functions();
    if (f.getThreadDpiAwarenessContext && f.getAwarenessFromDpiAwarenessContext) {
        return f.getAwarenessFromDpiAwarenessContext(f.getThreadDpiAwarenessContext()) == kDpiAwarenessPerMonitorAware;
    }
    return ProcessIsPerMonitorAware();
}

UINT WindowDpi(HWND window) {
    const DpiFunctions& f = Functions();
    if (f.getDpiForWindow && window) {
        if (const UINT dpi = f.getDpiForWindow(window)) return dpi;
    }
    if (window && ProcessIsPerMonitorAware()) {
        if (const UINT dpi = MonitorDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST))) return dpi;
    }
    return ScreenDpi();
}

UINT PointDpi(POINT screen, HWND owner) {
    if (ThreadIsPerMonitorAware()) {
        if (const UINT dpi = MonitorDpi(::MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST))) return dpi;
    }
    return WindowDpi(owner);
}

int SystemMetricForDpi(int index, UINT dpi) {
    const DpiFunctions& f = Functions();
    if (f.getSystemMetricsForDpi) return f.getSystemMetricsForDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(ScreenDpi()));
}

bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi) {
    metrics = {};
    metrics.cbSize = sizeof(metrics);
    const DpiFunctions& f = Functions();
    if (f.systemParametersInfoForDpi) {
        return f.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi) != FALSE;
    }
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return false;
    const int from = static_cast<int>(ScreenDpi());
    for (LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                           &metrics.lfStatusFont, &metrics.lfMessageFont}) {
        font->lfHeight = ::MulDiv(font->lfHeight, static_cast<int>(dpi), from);
    }
    return true;
}

POINT LogicalToPhysical(HWND window, POINT screen) {
    const DpiFunctions& f = Functions();
    if (!window || !f.logicalToPhysicalPointForPerMonitorDpi) return screen;
    POINT physical = screen;
    return f.logicalToPhysicalPointForPerMonitorDpi(window, &physical) ? physical : screen;
}

RECT PhysicalVirtualScreen() {
    const ThreadDpiContextScope perMonitor(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN), top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

ThreadDpiContextScope::ThreadDpiContextScope(DPI_AWARENESS_CONTEXT context) {
    const DpiFunctions& f = Functions();
    if (f.setThreadDpiAwarenessContext) previous_ = f.setThreadDpiAwarenessContext(context);
}

ThreadDpiContextScope::~ThreadDpiContextScope() {
    if (previous_) Functions().setThreadDpiAwarenessContext(previous_);
}

}  // namespace cc
