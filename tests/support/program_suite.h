#pragma once
// ProgramSuite: the base of a table of cases (TEST_P) run against one real program, started once for
// the whole suite from the built program folder (VELLUMO_PROGRAM_DIR, which the test programs are
// compiled with) and stopped after its last case. A case finds it in `program`.

#include "tests/support/program_process.h"

#include <gtest/gtest.h>

#include <memory>

namespace vellumo::test {

template <typename Case> class ProgramSuite : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() {
        program = std::make_unique<ProgramProcess>(QStringLiteral(VELLUMO_PROGRAM_DIR));
        ASSERT_TRUE(program->start());
    }
    static void TearDownTestSuite() { program.reset(); }

    static inline std::unique_ptr<ProgramProcess> program;
};

} // namespace vellumo::test
