#pragma once
// ScopedDatabaseFault: makes the database layer fail once at a named step ("open" or a statement
// name of DatabaseStatements), as a failing disk would (SQLite result code SQLITE_IOERR unless
// another is given), for as long as it lives. Counts how often the step was reached.

#include "platform/store/database_faults.h"

#include <memory>
#include <string>

namespace vellumo::test {

class ScopedDatabaseFault {
public:
    // Fails the occurrence-th time (1 = the next) that step runs; every other step runs normally.
    explicit ScopedDatabaseFault(std::string step, int occurrence = 1, int resultCode = 10);
    ~ScopedDatabaseFault();
    ScopedDatabaseFault(const ScopedDatabaseFault&) = delete;
    ScopedDatabaseFault& operator=(const ScopedDatabaseFault&) = delete;

    int reached() const { return state_->reached; }
    bool fired() const { return state_->reached >= state_->occurrence; }

private:
    struct State {
        std::string step;
        int occurrence;
        int resultCode;
        int reached = 0;
    };
    std::shared_ptr<State> state_;
};

} // namespace vellumo::test
