// QueryInterface that also treats a success without an interface as a failure: the
// browser, its sites and the page's objects are not trusted to keep COM's rules.
#pragma once

#include <windows.h>
#include <wrl/client.h>

namespace cc {

template <class T, class From>
bool QueryTo(From* from, Microsoft::WRL::ComPtr<T>& to) {
    to.Reset();
    if (!from || FAILED(from->QueryInterface(IID_PPV_ARGS(to.ReleaseAndGetAddressOf())))) {
        to.Reset();
        return false;
    }
    return to != nullptr;
}

template <class T, class From>
bool QueryTo(const Microsoft::WRL::ComPtr<From>& from, Microsoft::WRL::ComPtr<T>& to) {
    return QueryTo(from.Get(), to);
}

}  // namespace cc
