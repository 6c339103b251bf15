// The module's own activation context (its manifest asks for common controls 6.0), so
// the dialogs get the modern controls whatever the host process uses.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace cc {

inline void ReleaseActCtxValue(HANDLE context) { ::ReleaseActCtx(context); }

// Owns an activation context made from the module's manifest resource.
class ModuleActivationContext {
public:
    ModuleActivationContext();
    // INVALID_HANDLE_VALUE when the context could not be made.
    HANDLE get() const { return context_.get(); }

private:
    // CreateActCtxW reports failure as INVALID_HANDLE_VALUE.
    unique_any<HANDLE, ReleaseActCtxValue, -1> context_;
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
