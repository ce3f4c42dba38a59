// What a recipients line names: the stations a send goes to, and the line of a reply to all.
#include "app/ui/recipients_line.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

struct StationsCase {
    const char* name;
    const char* line;
    QStringList stations;
};

void PrintTo(const StationsCase& c, std::ostream* os) {
    *os << c.name;
}

const StationsCase kStations[] = {
    {"EachFollowedBySemicolon", "posteB;posteC;", {"posteB", "posteC"}},
    {"TheLastWithoutSemicolon", "posteC;posteB", {"posteC", "posteB"}},
    {"OneWithoutSemicolon", "posteB", {"posteB"}},
    {"Empty", "", {}},
    {"OnlySemicolonsAndBlanks", " ; ;;", {}},
    {"BlanksAroundTrimmed", "  posteB ;\tposteC  ; ", {"posteB", "posteC"}},
    {"RepeatsInAnyCaseOnce", "posteA;POSTEA; postea ;posteB", {"posteA", "posteB"}},
    {"BlanksInsideKept", "poste B;poste  B;", {"poste B", "poste  B"}},
};

class RecipientsLineStations : public ::testing::TestWithParam<StationsCase> {};

TEST_P(RecipientsLineStations, NamesEachStationOnceInOrder) {
    EXPECT_EQ(RecipientsLine::Stations(QString::fromUtf8(GetParam().line)), GetParam().stations);
}

INSTANTIATE_TEST_SUITE_P(Lines, RecipientsLineStations, ::testing::ValuesIn(kStations),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RecipientsLine, JoinsAndDropsTheOwnStation) {
    const QStringList stations = RecipientsLine::Stations(QStringLiteral("A;B; c ;D"));
    EXPECT_EQ(RecipientsLine::Join(RecipientsLine::Without(stations, QStringLiteral("C"))), QStringLiteral("A;B;D;"));
    EXPECT_EQ(RecipientsLine::Join({}), QString());
    // Whole names only.
    EXPECT_EQ(RecipientsLine::Without({QStringLiteral("APC1"), QStringLiteral("PC1X")}, QStringLiteral("PC1")),
              (QStringList{QStringLiteral("APC1"), QStringLiteral("PC1X")}));
}

} // namespace
} // namespace vellumo
