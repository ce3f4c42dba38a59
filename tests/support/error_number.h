#pragma once
// The number of the RuntimeError that a call raises, for tests of the errors a property or a call
// reports.

#include "platform/runtime/runtime_error.h"

#include <cstdint>
#include <functional>

namespace vellumo::test {

// The number of the RuntimeError f raises, or 0 when it raises none.
inline std::int32_t errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace vellumo::test
