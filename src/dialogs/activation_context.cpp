#include "dialogs/activation_context.h"

#include "module/module.h"

namespace cc {

ModuleActivationContext::ModuleActivationContext() {
    ACTCTXW description{};
    description.cbSize = sizeof(description);
    description.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.hModule = ThisModule();
    description.lpResourceName = MAKEINTRESOURCEW(2);
    context_.reset(::CreateActCtxW(&description));
}

ActivationScope::ActivationScope(HANDLE context) {
    if (context != INVALID_HANDLE_VALUE) active_ = ::ActivateActCtx(context, &cookie_) != FALSE;
}

ActivationScope::~ActivationScope() {
    if (active_) ::DeactivateActCtx(0, cookie_);
}

}  // namespace cc
