// The module's own activation context (its manifest asks for common controls 6.0), so
// the dialogs get the modern controls whatever the host process uses.
#pragma once

#include <windows.h>

namespace cc {

// Owns an activation context made from the module's manifest resource.
class ModuleActivationContext {
public:
    ModuleActivationContext();
    ~ModuleActivationContext();
    ModuleActivationContext(const ModuleActivationContext&) = delete;
    ModuleActivationContext& operator=(const ModuleActivationContext&) = delete;
    HANDLE get() const { return context_; }

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
};

// Activates a context for the scope (nothing when the context could not be made).
class ActivationScope {
public:
    explicit ActivationScope(HANDLE context);
    ~ActivationScope();
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

}  // namespace cc
