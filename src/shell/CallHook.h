#pragma once

#include <type_traits>
#include <utility>

namespace qv::shell {

/// Calls a hook (a std::function that a later subsystem may fill) when it is set. An unset hook does nothing and
/// answers the empty value of its result: false, zero, an empty string.
template <class Hook, class... Args>
auto callHook(const Hook& hook, Args&&... args) {
    using Result = decltype(hook(std::forward<Args>(args)...));
    if constexpr (std::is_void_v<Result>) {
        if (hook)
            hook(std::forward<Args>(args)...);
    } else {
        return hook ? hook(std::forward<Args>(args)...) : Result{};
    }
}

} // namespace qv::shell
