#include "test_windows.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

namespace cc::test {
namespace {

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

void EnsureListViewClass() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

}  // namespace

unsigned ExpectedTestDpi() {
    const char* text = std::getenv("CC_EXPECT_DPI");
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 0;
}

void EnsureClass(const wchar_t* name) {
    // The stress tests build windows on many threads at once.
    static std::mutex lock;
    static std::set<std::wstring> registered;
    std::lock_guard<std::mutex> guard(lock);
    if (registered.count(name)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;  // as the hosts' views have
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = Instance();
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
    registered.insert(name);
}

void AddListItems(HWND list, int count) {
    for (int i = 0; i < count; ++i) {
        std::wstring text = L"item " + std::to_wstring(i);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text.data();
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

HostWindow::HostWindow(std::initializer_list<const wchar_t*> path, RECT frame, int items) {
    EnsureClass(L"CursorCadenceTestFrame");
    frame_.reset(::CreateWindowExW(0, L"CursorCadenceTestFrame", L"test frame", WS_POPUP | WS_VISIBLE,
                                   frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                                   nullptr, nullptr, Instance(), nullptr));
    HWND parent = frame_.get();
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    for (const wchar_t* cls : path) {
        const bool list = std::wstring(cls) == WC_LISTVIEWW;
        if (list) {
            EnsureListViewClass();
        } else {
            EnsureClass(cls);
        }
        HWND child = ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | (list ? LVS_ICON : 0), 0, 0, width,
                                       height, parent, nullptr, Instance(), nullptr);
        children_.push_back(child);
        parent = child;
    }
    view_ = parent;
    if (view_ && std::wstring(path.end()[-1]) == WC_LISTVIEWW) AddListItems(view_, items);
    ::UpdateWindow(frame_.get());
}

POINT HostWindow::ViewCenter() const {
    RECT r{};
    ::GetWindowRect(view_, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

MouseLog::MouseLog(HWND window) : window_(window) {
    ::SetPropW(window_, L"CursorCadenceMouseLog", this);
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MouseLog::Proc)));
}

MouseLog::~MouseLog() {
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    ::RemovePropW(window_, L"CursorCadenceMouseLog");
}

size_t MouseLog::Count(UINT message) const {
    return std::count_if(messages.begin(), messages.end(),
                         [message](const LoggedMessage& m) { return m.message == message; });
}

LRESULT CALLBACK MouseLog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<MouseLog*>(::GetPropW(hwnd, L"CursorCadenceMouseLog"));
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        self->messages.push_back({message, wParam, lParam});
        if (self->swallowButtons && message != WM_MOUSEMOVE && message != WM_MOUSEWHEEL) return 0;
    } else if (std::find(self->alsoRecord.begin(), self->alsoRecord.end(), message) != self->alsoRecord.end()) {
        self->messages.push_back({message, wParam, lParam});
        return 0;
    } else if (message == WM_CONTEXTMENU) {
        ++self->contextMenus;
    } else if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(NM_RCLICK)) {
        ++self->rightClickNotifications;
    }
    return ::CallWindowProcW(self->original_, hwnd, message, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)),
                                    QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

ForeignWindow::ForeignWindow(RECT frame, bool takeKeyboard) {
    thread_ = std::thread([this, frame, takeKeyboard] {
        HostWindow window({L"CursorCadenceForeignView"}, frame);
        if (takeKeyboard) {
            ::SetForegroundWindow(window.frame());
            ::SetFocus(window.frame());
        }
        ready_ = true;
        MSG msg;
        while (!stop_) {
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    });
    while (!ready_) ::Sleep(1);
}

ForeignWindow::~ForeignWindow() {
    stop_ = true;
    thread_.join();
}

Input::Input() { ::GetCursorPos(&saved_); }

Input::~Input() {
    if (rightDown_) RightUp();
    if (leftDown_) LeftUp();
    if (middleDown_) MiddleUp();
    while (!keysDown_.empty()) KeyUp(keysDown_.back());
    MoveTo(saved_.x, saved_.y);
}

void Input::MoveTo(int x, int y) {
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    // Centre of the target pixel in the 0..65535 space, so rounding lands on (x, y).
    in.mi.dx = static_cast<LONG>((x * 65536LL + 32768) / w);
    in.mi.dy = static_cast<LONG>((y * 65536LL + 32768) / h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
    PumpUntil([&] {
        POINT p;
        ::GetCursorPos(&p);
        return p.x == x && p.y == y;
    }, 2000);
    PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0; }, 2000);
}

void Input::Mouse(DWORD flags, DWORD data) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = data;
    ::SendInput(1, &in, sizeof(in));
    PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0; }, 2000);
}

void Input::RightDown() {
    Mouse(MOUSEEVENTF_RIGHTDOWN);
    rightDown_ = true;
}

void Input::RightUp() {
    Mouse(MOUSEEVENTF_RIGHTUP);
    rightDown_ = false;
}

void Input::LeftDown() {
    Mouse(MOUSEEVENTF_LEFTDOWN);
    leftDown_ = true;
}

void Input::LeftUp() {
    Mouse(MOUSEEVENTF_LEFTUP);
    leftDown_ = false;
}

void Input::MiddleDown() {
    Mouse(MOUSEEVENTF_MIDDLEDOWN);
    middleDown_ = true;
}

void Input::MiddleUp() {
    Mouse(MOUSEEVENTF_MIDDLEUP);
    middleDown_ = false;
}

void Input::Wheel(int delta) { Mouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(delta)); }

void Input::DoubleClick() {
    LeftDown();
    LeftUp();
    LeftDown();
    LeftUp();
}

void Input::DoubleClickAt(POINT at) {
    MoveTo(at.x, at.y);
    DoubleClick();
}

namespace {

// The X name of a modifier key, or null for other keys.
const char* ModifierKeysym(WORD vk) {
    switch (vk) {
    case VK_CONTROL: return "Control_L";
    case VK_SHIFT: return "Shift_L";
    case VK_MENU: return "Alt_L";
    default: return nullptr;
    }
}

// Presses or lets go of a key in the X server (xdotool), as a physical keyboard would.
// Wine's X11 driver re-reads the modifiers from the X server whenever the pointer is
// moved, so a modifier that only SendInput pressed counts as let go after the next
// injected move. False where this is not Wine or xdotool is missing.
bool XKey(const char* action, const char* keysym) {
    using Spawn = LONG(__cdecl*)(char* const argv[], int wait);
    static const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn || ::GetFileAttributesW(L"Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES) return false;
    std::string program = "/usr/bin/xdotool", verb = action, key = keysym;
    char* argv[] = {program.data(), verb.data(), key.data(), nullptr};
    return spawn(argv, 1) == 0;
}

}  // namespace

void Input::KeyDown(WORD vk) {
    keysDown_.push_back(vk);
    if (const char* keysym = ModifierKeysym(vk); keysym && XKey("keydown", keysym)) {
        PumpUntil([vk] { return ::GetAsyncKeyState(vk) < 0 && ::GetKeyState(vk) < 0; }, 2000);
        return;
    }
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    ::SendInput(1, &in, sizeof(in));
    PumpUntil([vk] { return ::GetKeyState(vk) < 0; }, 2000);
}

void Input::KeyUp(WORD vk) {
    keysDown_.erase(std::remove(keysDown_.begin(), keysDown_.end(), vk), keysDown_.end());
    if (const char* keysym = ModifierKeysym(vk); keysym && XKey("keyup", keysym)) {
        PumpUntil([vk] { return ::GetAsyncKeyState(vk) >= 0 && ::GetKeyState(vk) >= 0; }, 2000);
        return;
    }
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(1, &in, sizeof(in));
    PumpUntil([vk] { return ::GetKeyState(vk) >= 0; }, 2000);
}

}  // namespace cc::test
