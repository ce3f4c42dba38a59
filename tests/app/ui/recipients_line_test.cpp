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

// A name picked from a list (favourites, the LAN list) added to the line as the user left it.
struct AppendCase {
    const char* name;
    const char* line;
    const char* picked;
    const char* expected;
};

void PrintTo(const AppendCase& c, std::ostream* os) {
    *os << c.name;
}

const AppendCase kAppends[] = {
    {"ANameThatEndsLikeThePickedOneIsAnother", "APC2;", "PC2", "APC2;PC2;"},
    {"ATypedNameGetsItsSemicolon", "PC3", "PC2", "PC3;PC2;"},
    {"AlreadyThereWhole", "PC2;PC3;", "PC3", "PC2;PC3;"},
    {"AlreadyThereAsTheLastTypedName", "PC3;PC2", "PC2", "PC3;PC2"},
    {"AlreadyThereInAnotherCase", "pc2;", "PC2", "pc2;"},
    {"AlreadyThereWithBlanks", " PC2 ;", "PC2", " PC2 ;"},
    {"PartOfALongerNameOnly", "PC22;XPC2X;", "PC2", "PC22;XPC2X;PC2;"},
    {"EmptyLine", "", "PC2", "PC2;"},
    {"LineOfBlanks", "   ", "PC2", "PC2;"},
    {"TypedNameFollowedByBlanks", "PC3  ", "PC2", "PC3  ;PC2;"},
    {"SemicolonFollowedByBlanks", "PC3; ", "PC2", "PC3; PC2;"},
    {"PickedNameTrimmed", "PC3;", " PC2 ", "PC3;PC2;"},
};

class RecipientsLineAppend : public ::testing::TestWithParam<AppendCase> {};

TEST_P(RecipientsLineAppend, AddsTheStationUnlessTheLineNamesIt) {
    const AppendCase& c = GetParam();
    EXPECT_EQ(RecipientsLine::Append(QString::fromUtf8(c.line), QString::fromUtf8(c.picked)),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Picked, RecipientsLineAppend, ::testing::ValuesIn(kAppends),
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
