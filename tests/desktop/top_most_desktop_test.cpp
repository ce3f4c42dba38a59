// SetTopMost and SetNotTopMost on a real desktop: the window comes up above the window the user works
// in, and that window keeps the focus (what is typed goes on into it). The offscreen unit tests of
// top_most cannot see activation; here the window manager decides it, as it does for the program.
#include "tests/desktop/desktop_fixture.h"

#include <QTemporaryDir>

namespace vellumo::desktop {
namespace {

struct TopMostCase {
    const char* name;
    bool shownBefore; // shown once by the user and hidden again, before the topmost show
};
void PrintTo(const TopMostCase& c, std::ostream* os) {
    *os << c.name;
}

class TopMostOnTheDesktop : public DesktopFixture, public ::testing::WithParamInterface<TopMostCase> {
protected:
    // Sends one line to the probe and waits until it is done.
    bool command(QProcess& probe, const QByteArray& line) {
        probe.write(line + '\n');
        const QByteArray answer = "done " + line;
        return waitFor(
            [&] {
                probe.waitForReadyRead(50);
                received_ += probe.readAllStandardOutput();
                return received_.contains(answer);
            },
            15000);
    }
    QByteArray received_;
};

TEST_P(TopMostOnTheDesktop, ComesAboveTheWindowInUseWithoutTakingItsFocus) {
    QTemporaryDir dir;
    const QString typed = dir.filePath(QStringLiteral("typed.txt"));
    XWindow other;
    std::unique_ptr<QProcess> typing = startTypingProbe(typed, &other);
    ASSERT_FALSE(HasFailure());
    std::unique_ptr<QProcess> probe =
        x.startProgram(QStringLiteral(VELLUMO_DESKTOP_PROBE), {QStringLiteral("topmost")});
    ASSERT_TRUE(probe);

    if (GetParam().shownBefore) {
        ASSERT_TRUE(command(*probe, "show"));
        const XWindow window = expectWindowOf(probe->processId(), title::TopMostProbe);
        EXPECT_TRUE(active(window)) << "a window the user opens takes the focus";
        ASSERT_TRUE(command(*probe, "hide"));
        ASSERT_TRUE(waitFor([&] { return x.windowsOf(probe->processId(), title::TopMostProbe).empty(); }, 10000));
        x.click(other.client.center()); // the user goes back to the other application
        ASSERT_TRUE(active(other));
    }

    ASSERT_TRUE(command(*probe, "topmost"));
    const XWindow window = expectWindowOf(probe->processId(), title::TopMostProbe);
    shot(QStringLiteral("1-topmost"));
    EXPECT_TRUE(onScreen(window));
    ASSERT_TRUE(waitFor([&] { return x.above(window.id, other.id); }, 10000))
        << "the topmost window is not above the window in use";
    // Some time for a late activation by the window manager.
    waitFor([] { return false; }, 700);
    EXPECT_EQ(x.activeWindow(), other.id) << "the topmost window took the focus";

    // Taken back from topmost (the receipt's pulse): it stays above, and the focus stays where it was.
    ASSERT_TRUE(command(*probe, "nottopmost"));
    waitFor([] { return false; }, 500);
    shot(QStringLiteral("2-not-topmost"));
    EXPECT_TRUE(x.above(window.id, other.id)) << "the window fell behind the window in use";
    EXPECT_EQ(x.activeWindow(), other.id);
    x.type(QStringLiteral("abc"));
    EXPECT_TRUE(waitFor([&] { return readText(typed) == QStringLiteral("abc"); }, 10000))
        << "the typing went elsewhere: \"" << readText(typed).toStdString() << "\"";

    command(*probe, "quit");
    probe->waitForFinished(5000);
}

const TopMostCase kTopMostCases[] = {{"NeverShown", false}, {"ShownBefore", true}};
INSTANTIATE_TEST_SUITE_P(Desktop, TopMostOnTheDesktop, ::testing::ValuesIn(kTopMostCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo::desktop
