// The status line's stand-in label: captions are shown as they are, never read as markup, since they
// carry texts from peers' replies.
#include "app/ui/status_line.h"

#include "platform/hosting/control_loader.h"
#include "tests/support/program_folder.h"

#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

TEST(StatusLine, TheStandInShowsCaptionsAsPlainText) {
    QTemporaryDir empty; // no control library there: the label stands in
    ControlLoader loader(empty.path());
    StatusLine line(loader, nullptr);
    ASSERT_FALSE(line.isFrameControl());
    const QString caption = QStringLiteral("<b>PC9</b><img src=\"x\"> à reçu le message");
    line.setCaption(caption);
    const QLabel* label = line.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), caption);
    EXPECT_EQ(line.caption(), caption);
}

struct LineCase {
    const char* name;
    bool frameControl; // the control library of the program folder, else the stand-in label
};

class StatusLineReports : public ::testing::TestWithParam<LineCase> {};

// The senders report on the status line all day long: a thousand reports leave it holding what it held.
TEST_P(StatusLineReports, AThousandReportsAddNothingToIt) {
    test::ProgramFolder program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    QTemporaryDir empty;
    ControlLoader loader(GetParam().frameControl ? program.path() : empty.path());
    StatusLine line(loader, nullptr);
    ASSERT_EQ(line.isFrameControl(), GetParam().frameControl);
    line.resize(400, 22);
    line.show();
    const auto report = [&](int i) {
        line.setForeColor(i % 2 == 0 ? 0 : 192);
        line.setCaption(QStringLiteral("PC%1 à reçu le message").arg(i));
        line.repaint();
    };
    for (int i = 0; i < 10; ++i)
        report(i);
    const qsizetype objects = line.findChildren<QObject*>().size();
    for (int i = 0; i < 1000; ++i)
        report(i);
    EXPECT_EQ(line.findChildren<QObject*>().size(), objects);
    EXPECT_EQ(line.caption(), QStringLiteral("PC999 à reçu le message"));
}

INSTANTIATE_TEST_SUITE_P(Lines, StatusLineReports,
                         ::testing::Values(LineCase{"frame_control", true}, LineCase{"stand_in", false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
