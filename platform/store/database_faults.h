#pragma once
// DatabaseFaults: the fault hook of the database layer, so tests reach the paths a full disk or a
// failing device would take. Before every open and every statement step the layer asks the hook
// with the name of what it is about to run ("open" or a statement name of DatabaseStatements); a
// hook that answers an SQLite result code other than 0 makes that step fail with this code, exactly
// as if the engine had returned it. The program never installs a hook. One thread only, like the
// program; tests install it through test::ScopedDatabaseFault.

#include <functional>
#include <string_view>

namespace vellumo {

class DatabaseFaults {
public:
    using Hook = std::function<int(std::string_view step)>;

    static void install(Hook hook);
    static void clear();
    // The result code the hook asks for at this step, 0 when it lets the step run.
    static int check(std::string_view step);
};

} // namespace vellumo
