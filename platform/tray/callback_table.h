#pragma once
// CallbackTable: plain "procedure addresses" for closures. A caller that must hand out something the
// platform calls back later (a timer procedure, a forward window procedure) registers a closure here
// and passes the number it gets; whoever holds the number calls it with a list of whole-number
// arguments. Numbers are never reused within a process, so a call through an address whose closure
// was removed finds nothing and is skipped instead of running into freed code.
//
// Owned by the process (one table); used on the GUI thread only, like the windows that call into it.

#include <QtGlobal>

#include <functional>
#include <initializer_list>
#include <optional>
#include <span>

namespace vellumo {

class CallbackTable {
public:
    // The closure receives the arguments the caller gives and returns the procedure's result.
    using Procedure = std::function<qintptr(std::span<const qintptr> args)>;

    // Registers a closure and returns its address (never 0).
    static qintptr add(Procedure procedure);
    // Forgets an address; false when it was not registered.
    static bool remove(qintptr address);
    static bool contains(qintptr address);
    // Calls the closure behind an address; nothing (and no call) when the address is unknown.
    static std::optional<qintptr> call(qintptr address, std::initializer_list<qintptr> args);
    static std::optional<qintptr> call(qintptr address, std::span<const qintptr> args);
};

} // namespace vellumo
