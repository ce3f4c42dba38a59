#include "tests/support/scoped_database_fault.h"

#include <utility>

namespace vellumo::test {

ScopedDatabaseFault::ScopedDatabaseFault(std::string step, int occurrence, int resultCode)
    : state_(std::make_shared<State>(State{std::move(step), occurrence, resultCode})) {
    DatabaseFaults::install([state = state_](std::string_view name) {
        if (name != state->step)
            return 0;
        return ++state->reached == state->occurrence ? state->resultCode : 0;
    });
}

ScopedDatabaseFault::~ScopedDatabaseFault() {
    DatabaseFaults::clear();
}

} // namespace vellumo::test
