#include "attach/mouse_hook.h"

#include "attach/gesture_core.h"
#include "attach/instance_list.h"
#include "gesture/dispatch.h"
#include "module/module.h"

namespace cc {

HHOOK InstallMouseHook() {
    return ::SetWindowsHookExW(WH_MOUSE, &MouseHookProc, ThisModule(), ::GetCurrentThreadId());
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    // Only the object of this thread is ever touched here: a message for another
    // thread's window (attached input queues) is not ours to handle.
    const DWORD owner = data ? ::GetWindowThreadProcessId(data->hwnd, nullptr) : 0;
    CGestureCore* object = owner == ::GetCurrentThreadId() ? InstanceList::Find(owner) : nullptr;
    // Other programs' hooks further down the chain still get the message.
    if (!object) return ::CallNextHookEx(nullptr, code, wParam, lParam);
    const HHOOK hook = object->hook();  // the handler may end the object's life
    if (code != HC_ACTION || !IsDispatchedMessage(static_cast<UINT>(wParam))) {
        return ::CallNextHookEx(hook, code, wParam, lParam);
    }
    if (object->HandleMouse(static_cast<UINT>(wParam), *data)) return 1;
    return ::CallNextHookEx(hook, 0, wParam, lParam);
}

}  // namespace cc
