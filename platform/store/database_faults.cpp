#include "platform/store/database_faults.h"

#include <utility>

namespace vellumo {

namespace {
DatabaseFaults::Hook& hook() {
    static DatabaseFaults::Hook installed;
    return installed;
}
} // namespace

void DatabaseFaults::install(Hook h) {
    hook() = std::move(h);
}

void DatabaseFaults::clear() {
    hook() = nullptr;
}

int DatabaseFaults::check(std::string_view step) {
    const Hook& h = hook();
    return h ? h(step) : 0;
}

} // namespace vellumo
