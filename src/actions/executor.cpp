#include "actions/executor.h"

namespace cc {

// The action rows arrive with the executor work; until then a finished gesture runs nothing.
HRESULT RunBoundAction(const GestureContext&) { return S_FALSE; }

}  // namespace cc
