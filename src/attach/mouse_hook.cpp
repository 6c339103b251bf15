#include "attach/mouse_hook.h"

#include "attach/gesture_core.h"
#include "attach/instance_list.h"
#include "gesture/dispatch.h"
#include "module/module.h"

namespace cc {
namespace {

// Tabs of one window can share a thread, each with its own object. A gesture under way
// keeps the thread's messages with its object until it ends; otherwise a message goes
// to the object whose view is the message's window, and to the thread's first object
// when none is. Views are looked up again at every press and wheel turn (a tab's view
// changes as it navigates); a move compares with the views found then.
CGestureCore* ChooseObject(const InstanceList::ThreadObjects& objects, UINT message, HWND window) {
    if (objects.size() == 1) return objects[0];
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->GestureUnderWay()) return objects[i];
    }
    const bool locateAgain = message != WM_MOUSEMOVE;
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->IsViewWindow(window, locateAgain)) return objects[i];
    }
    return objects[0];
}

}  // namespace

ThreadHooks InstallThreadHooks() {
    const DWORD thread = ::GetCurrentThreadId();
    ThreadHooks hooks;
    hooks.mouse.reset(::SetWindowsHookExW(WH_MOUSE, &MouseHookProc, ThisModule(), thread));
    hooks.messages.reset(::SetWindowsHookExW(WH_GETMESSAGE, &MessageHookProc, ThisModule(), thread));
    return hooks;
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    // Only the objects of this thread are ever touched here: a message for another
    // thread's window (attached input queues) is not ours to handle.
    const DWORD owner = data ? ::GetWindowThreadProcessId(data->hwnd, nullptr) : 0;
    // Held until the end of this call: a handler may end an object's life.
    InstanceList::ThreadObjects objects;
    if (owner == ::GetCurrentThreadId()) InstanceList::Collect(owner, objects);
    // Other programs' hooks further down the chain still get the message.
    if (objects.size() == 0) return ::CallNextHookEx(nullptr, code, wParam, lParam);
    const HHOOK hook = objects.hook();
    const UINT message = static_cast<UINT>(wParam);
    if (code != HC_ACTION || !IsDispatchedMessage(message)) return ::CallNextHookEx(hook, code, wParam, lParam);
    if (ChooseObject(objects, message, data->hwnd)->HandleMouse(message, *data)) return 1;
    return ::CallNextHookEx(hook, 0, wParam, lParam);
}

LRESULT CALLBACK MessageHookProc(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    // The extra information of the message being retrieved: the mark the replay put on it.
    if (code == HC_ACTION && msg && msg->message == WM_RBUTTONDBLCLK &&
        IsInjectedInput(static_cast<uintptr_t>(::GetMessageExtraInfo()))) {
        msg->message = WM_RBUTTONDOWN;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace cc
