// The compose window from the clipboard, what the user is told after a send to several stations, and
// the sent history once its last message is deleted: the real program on a desktop of its own, driven
// through X, checked through X and the stations' stores.
#include "tests/desktop/desktop_fixture.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>

namespace vellumo::desktop {
namespace {

// What a person copies in another program: xclip owns the display's clipboard with the given data,
// offered as one type, until it goes (ended by its id).
class ClipboardOwner {
public:
    ClipboardOwner(const XSession& x, const QString& type, const QByteArray& data) {
        file_.open();
        file_.write(data);
        file_.flush();
        process_.setProcessEnvironment(x.clientEnvironment(QDir::tempPath()));
        process_.start(QStringLiteral("xclip"),
                       {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                        QStringLiteral("-t"), type, QStringLiteral("-i"), file_.fileName()});
        started_ = process_.waitForStarted(5000);
        // It owns the clipboard once it has read its file.
        QThread::msleep(300);
    }
    ~ClipboardOwner() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool started() const { return started_; }

private:
    QTemporaryFile file_;
    QProcess process_;
    bool started_ = false;
};

class ComposeAndFeedback : public TwoStationDesktop {};

// A copies a picture in another program and pastes it into the compose window with Ctrl+V, then rich
// text (bold, red) with the toolbar's "Coller": both go in, and B stores the picture and the formatting.
TEST_F(ComposeAndFeedback, PasteOfAPictureAndOfRichText) {
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
        GTEST_SKIP() << "xclip is not installed (scripts/setup.sh installs it)";
    Station& a = startStation(0, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    Station& b = startStation(1, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    ASSERT_FALSE(HasFailure());

    const XWindow compose = openCompose(a);
    clickIn(compose, compose::RecipientsLine);
    x.type(b.name() + QLatin1Char(';'));
    clickIn(compose, compose::Editor);
    x.type(QStringLiteral("Une image : "));
    {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(QColor(0, 160, 0));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        const ClipboardOwner clipboard(x, QStringLiteral("image/png"), png);
        ASSERT_TRUE(clipboard.started());
        x.keys({QStringLiteral("ctrl+v")});
        EXPECT_TRUE(waitFor([&] { return pixelsNear(x.grab(compose), qRgb(0, 160, 0), 30) >= 64 * 64 * 9 / 10; }, 5000))
            << "the picture pasted does not show in the editor";
    }
    shot(QStringLiteral("1-picture-pasted"));
    x.keys({QStringLiteral("Return")});
    {
        const ClipboardOwner clipboard(x, QStringLiteral("text/html"),
                                       "<b>en gras</b> <span style=\"color:#ff0000\">en rouge</span>");
        ASSERT_TRUE(clipboard.started());
        clickToolbar(compose, toolbar::Compose, ComposeToolbar::Paste);
        EXPECT_TRUE(waitFor([&] { return pixelsNear(x.grab(compose), qRgb(255, 0, 0), 60) > 40; }, 5000))
            << "the red text pasted does not show in the editor";
    }
    shot(QStringLiteral("2-rich-text-pasted"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    ASSERT_TRUE(waitGone(a, title::Compose)) << "the message was not sent";

    ASSERT_TRUE(waitFor([&] { return b.received().size() == 1; }, 20000)) << "B stored nothing";
    const StoredMessage m = b.received().front();
    EXPECT_TRUE(m.rtf.contains(QStringLiteral("\\pict\\pngblip\\picw64\\pich64"))) << m.rtf.left(400).toStdString();
    EXPECT_TRUE(m.text.contains(QStringLiteral("en gras en rouge"))) << m.text.toStdString();
    EXPECT_TRUE(m.rtf.contains(QStringLiteral("\\b en gras"))) << m.rtf.right(400).toStdString();
    EXPECT_TRUE(m.rtf.contains(QStringLiteral("\\red255\\green0\\blue0;"))) << m.rtf.right(400).toStdString();
    openMain(b);
    shot(QStringLiteral("3-received"));
}

// One send to a station that does not exist and to B: the status line ends red, with more than the
// failure alone says (B's outcome beside it), long after B's success came in.
TEST_F(ComposeAndFeedback, ASendToAnUnknownAndAKnownStationShowsBothOutcomes) {
    Station& a = startStation(0, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0\r\nIconizeAfterSend=0"));
    Station& b = startStation(1, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    ASSERT_FALSE(HasFailure());
    const QString unknown = QStringLiteral("poste-inconnu;");

    sendMessage(a, unknown, QStringLiteral("Pour personne"));
    XWindow mainA = openMain(a);
    int alone = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            alone = failureTextWidth(mainA);
            return alone > 0;
        },
        10000))
        << "a send to an unknown station reports no failure";
    shot(QStringLiteral("1-unknown-alone"));

    sendMessage(a, unknown + b.name() + QLatin1Char(';'), QStringLiteral("Pour deux"));
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 1; }, 20000)) << "B stored nothing";
    mainA = openMain(a);
    int both = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            both = failureTextWidth(mainA);
            return both > alone;
        },
        10000))
        << "after B received the message, the status line shows " << both << " px of failure text, against " << alone
        << " px for the unknown station alone";
    shot(QStringLiteral("2-both-outcomes"));
}

class HistoryDesktop : public DesktopFixture {};

// The only sent message deleted: the history's date, recipients and body boxes are empty (white, as an
// empty history shows them), and "Ré-envoyer" opens no compose window.
TEST_F(HistoryDesktop, TheHistoryAfterDeletingItsLastMessage) {
    Station& a = addStation(0, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    ASSERT_TRUE(a.storeMessage("Sended",
                               {a.name(), QStringLiteral("poste-compta;"), QStringLiteral("Un envoi"),
                                QStringLiteral("{\\rtf1\\ansi Un envoi a effacer\\par}")},
                               QDateTime::currentDateTime()));
    start(a);
    ASSERT_FALSE(HasFailure());

    clickToolbar(openMain(a), toolbar::Main, MainToolbar::SentMessages);
    const XWindow history = expectFocusedWindow(a, title::History);
    ASSERT_NE(history.id, 0u);
    const std::size_t boxesShown = emptyBoxes(history, 150).size();
    shot(QStringLiteral("1-one-message"));

    clickToolbar(history, toolbar::History, HistoryToolbar::Delete);
    answerBox(a, title::DeleteQuestion, {QStringLiteral("Return")}, QStringLiteral("2-delete"));
    ASSERT_TRUE(waitFor([&] { return a.sent().empty(); }, 10000)) << "the message was not deleted";
    std::size_t boxesNow = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            boxesNow = emptyBoxes(history, 150).size();
            return boxesNow >= boxesShown + 2;
        },
        10000))
        << "the date and recipients boxes still show the deleted message (" << boxesNow << " empty boxes, "
        << boxesShown << " before)";
    shot(QStringLiteral("3-deleted"));

    clickToolbar(history, toolbar::History, HistoryToolbar::SendAgain);
    EXPECT_FALSE(waitFor([&] { return !x.windowsOf(a.pid(), title::Compose).empty(); }, 2000))
        << "\"Ré-envoyer\" opened the deleted message in the compose window";
}

} // namespace
} // namespace vellumo::desktop
