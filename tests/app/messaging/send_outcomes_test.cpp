// What the user is told of one message sent to several stations: every failure, in the interface
// language, with the station's name, once all the senders are in.
#include "app/messaging/send_outcomes.h"

#include "app/core/mod_localisation.h"
#include "tests/support/recording_sender_reports.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

using test::RecordingSenderReports;

struct Given {
    const char* line;
    bool delivered;
};

struct OutcomesCase {
    const char* name;
    std::vector<Given> outcomes;
    bool showBalloon;
    // The status lines in order, as "colour|text".
    QStringList statusLines;
    // The balloons, as "icon|text"; the status line's own balloon as "line|text".
    QStringList balloons;
};

void PrintTo(const OutcomesCase& c, std::ostream* os) {
    *os << c.name;
}

const OutcomesCase kCases[] = {
    {"OneStationAsItsSenderSaysIt",
     {{"PC2 à reçu le message", true}},
     true,
     {"0|PC2 à reçu le message"},
     {"line|PC2 à reçu le message"}},
    {"TwoReceived",
     {{"PC2 à reçu le message", true}, {"PC3 à reçu le message", true}},
     false,
     {"0|PC2 à reçu le message", "0|2 sur 2 postes ont reçu le message"},
     {}},
    {"TwoReceivedWithBalloons",
     {{"PC2 à reçu le message", true}, {"PC3 à reçu le message", true}},
     true,
     {"0|PC2 à reçu le message", "0|2 sur 2 postes ont reçu le message"},
     {"line|2 sur 2 postes ont reçu le message"}},
    {"AFailureThenASuccessStaysSeen",
     {{"posteC ne présente pas son adress IP !", false}, {"posteB à reçu le message", true}},
     false,
     {"192|posteC ne présente pas son adress IP !",
      "192|1 sur 2 postes ont reçu le message ; posteC ne présente pas son adress IP !"},
     {"2|1 sur 2 postes ont reçu le message\r\nposteC ne présente pas son adress IP !"}},
    {"EveryFailureOnce",
     {{"A ne semble pas connecté !", false}, {"B à reçu le message", true}, {"C n'a pas reçu le message", false}},
     true,
     {"192|A ne semble pas connecté !", "0|B à reçu le message",
      "192|1 sur 3 postes ont reçu le message ; A ne semble pas connecté ! ; C n'a pas reçu le message"},
     {"2|1 sur 3 postes ont reçu le message\r\nA ne semble pas connecté !\r\nC n'a pas reçu le message"}},
};

class SendOutcomesCases : public ::testing::TestWithParam<OutcomesCase> {};

TEST_P(SendOutcomesCases, TellEveryOutcomeOnceAllAreIn) {
    const OutcomesCase& c = GetParam();
    RecordingSenderReports reports;
    QTemporaryDir folder;
    modLocalisation texts(folder.path());
    SendOutcomes outcomes(reports, texts, static_cast<int>(c.outcomes.size()));
    for (const Given& g : c.outcomes)
        outcomes.Add({QString::fromUtf8(g.line), g.delivered, g.delivered && c.showBalloon});

    QStringList lines, balloons;
    for (const auto& s : reports.statusLines) {
        lines << QString::number(s.colour) + u'|' + s.text;
        if (s.balloon)
            balloons << QStringLiteral("line|") + s.text;
    }
    for (const auto& b : reports.balloons) {
        balloons << QString::number(b.icon) + u'|' + b.text;
        EXPECT_EQ(b.title, QStringLiteral("Erreur"));
    }
    EXPECT_EQ(lines, c.statusLines);
    EXPECT_EQ(balloons, c.balloons);
}

INSTANTIATE_TEST_SUITE_P(Sends, SendOutcomesCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// No free slot for the third station: the whole is told once the two started are in.
TEST(SendOutcomes, FewerStartedThanPlannedStillEndsWithTheWhole) {
    RecordingSenderReports reports;
    QTemporaryDir folder;
    modLocalisation texts(folder.path());
    SendOutcomes outcomes(reports, texts, 3);
    outcomes.Add({QStringLiteral("A à reçu le message"), true, false});
    outcomes.Add({QStringLiteral("B n'a pas reçu le message"), false, false});
    outcomes.Truncate(2);
    ASSERT_EQ(reports.statusLines.size(), 3u);
    EXPECT_EQ(reports.statusLines[2].text,
              QStringLiteral("1 sur 2 postes ont reçu le message ; B n'a pas reçu le message"));
    EXPECT_EQ(reports.statusLines[2].colour, 192);
}

} // namespace
} // namespace vellumo
