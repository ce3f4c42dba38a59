#include "platform/tray/callback_table.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace vellumo {

namespace {
struct Table {
    // Addresses start well away from small numbers so that a stray flag or count is never taken
    // for one.
    qintptr next = 0x10000;
    std::unordered_map<qintptr, std::shared_ptr<CallbackTable::Procedure>> procedures;
};
Table& table() {
    static Table t;
    return t;
}
} // namespace

qintptr CallbackTable::add(Procedure procedure) {
    Table& t = table();
    const qintptr address = t.next;
    t.next += 16;
    t.procedures.emplace(address, std::make_shared<Procedure>(std::move(procedure)));
    return address;
}

bool CallbackTable::remove(qintptr address) {
    return table().procedures.erase(address) > 0;
}

bool CallbackTable::contains(qintptr address) {
    return table().procedures.count(address) > 0;
}

std::optional<qintptr> CallbackTable::call(qintptr address, std::initializer_list<qintptr> args) {
    return call(address, std::span<const qintptr>(args.begin(), args.size()));
}

std::optional<qintptr> CallbackTable::call(qintptr address, std::span<const qintptr> args) {
    Table& t = table();
    const auto it = t.procedures.find(address);
    if (it == t.procedures.end() || !*it->second)
        return std::nullopt;
    // Hold the closure for the length of the call: it may remove its own address while it runs.
    const std::shared_ptr<Procedure> procedure = it->second;
    return (*procedure)(args);
}

} // namespace vellumo
