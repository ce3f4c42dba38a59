// The compose window in process, on the offscreen platform: a message to three stations through
// scripted loopback peers on 127.0.0.2 to 127.0.0.4 (the fake resolver maps the names there), the send
// refused without a free slot, the favourites, the reply quote, the emoticon panel and its folders,
// and a screenshot.
#include "app/windows/compose/compose_toolbar.h"
#include "app/windows/compose/frm_send_message.h"

#include "app/core/mod_localisation.h"
#include "app/core/mod_vellumo.h"
#include "app/messaging/lan_server_source.h"
#include "app/messaging/peer_message.h"
#include "app/store/message_store.h"
#include "app/ui/push_button.h"
#include "app/ui/recipients_line.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "http_server/goss_client.h"
#include "platform/hosting/hosted_control.h"
#include "platform/net/name_resolver.h"
#include "platform/richtext/rich_text_editor.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/runtime/windows1252.h"
#include "platform/store/database.h"
#include "platform/widgets/alpha_image_cell.h"
#include "platform/widgets/tesk_toolbar.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_name_resolver.h"
#include "tests/support/recording_sender_reports.h"
#include "tests/support/test_http_peer.h"
#include "tests/support/test_http_peer_group.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

namespace vellumo {
namespace {

const QString kAccessKey = QStringLiteral("clé du bureau");
const QStringList kAddresses = {QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"), QStringLiteral("127.0.0.4")};

class ScriptedLan : public LanServerSource {
public:
    ServerList EnumServers(std::int32_t ServerType) override {
        ++calls;
        lastType = ServerType;
        return result;
    }
    ServerList result{true, 0, {}};
    int calls = 0;
    std::int32_t lastType = 0;
};

class FrmSendMessageTest : public ::testing::Test, protected test::WindowFixture {
protected:
    FrmSendMessageTest() : resolverScope(resolver) {
        resolver.addHost(QStringLiteral("PC2"), {kAddresses[0]});
        resolver.addHost(QStringLiteral("PC3"), {kAddresses[1]});
        resolver.addHost(QStringLiteral("PC4"), {kAddresses[2]});
    }

    void SetUp() override {
        ASSERT_TRUE(peers.listen(kAddresses));
        for (int i = 0; i < 3; ++i)
            peers.setReply(kAddresses[i],
                           test::TestHttpPeer::response(200, "MESSAGE:OK:PC" + QByteArray::number(i + 2)));
        makeState();
        state->Settings.Port = peers.port();
        state->Settings.Key = EncryptWithFixedKey(kAccessKey);
        state->Settings.LocalStationName = QStringLiteral("PC1");
        state->Settings.ShowBalloon = false;
        // The station has made the message database before any compose window opens.
        MessageStore::openMessages(folder.path()).close();
        mainWindow.show();
    }

    void TearDown() override {
        delete window.data();
        // Senders still in flight (a test that failed half way) report here: they end first.
        test::waitUntil([&] { return allSlotsFree(); }, 15000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frmSendMessage& open() {
        window = new frmSendMessage(*state, *loader, reports, lan, &mainWindow);
        window->Beep = [this] { ++beeps; };
        window->ShowCompose();
        return *window;
    }

    // The window has closed and gone.
    bool closed() {
        return test::waitUntil(
            [&] {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return window.isNull();
            },
            5000);
    }

    int rows(const QString& file, const QString& table) {
        Database db = Database::open(folder.file(file));
        return db.openRecordset(table)->recordCount();
    }

    QStringList favourites() {
        QStringList names;
        Database db = MessageStore::openUsers(folder.path());
        auto rs = db.openRecordset(QStringLiteral("Users"));
        for (; rs->recordCount() > 0 && !rs->eof(); rs->moveNext())
            names << rs->text(QStringLiteral("Name"));
        names.sort(Qt::CaseInsensitive);
        return names;
    }

    bool allSlotsFree() const {
        for (int i = 0; i < SendSlots::Count; ++i) {
            if (state->Slots.Flag(i) != SendSlots::Free)
                return false;
        }
        return true;
    }

    void writeBody(frmSendMessage& w) {
        QTextCursor c(w.editor().document());
        c.insertText(QStringLiteral("Réunion à 10 h "));
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.insertText(QStringLiteral("salle €"), bold);
    }

    test::FakeNameResolver resolver;
    ScopedNameResolver resolverScope;
    test::TestHttpPeerGroup peers;
    test::RecordingSenderReports reports;
    ScriptedLan lan;
    QWidget mainWindow;
    QPointer<frmSendMessage> window;
    int beeps = 0;
};

TEST_F(FrmSendMessageTest, SendsOneStoredMessageToThreeStationsAtOnce) {
    frmSendMessage& w = open();
    const QString line = QStringLiteral("PC2;;PC3;pc4;");
    w.text1().setText(line);
    writeBody(w);
    const QString plain = w.editor().plainText();
    const QString rtf = w.editor().rtfText();
    ASSERT_TRUE(w.toolbar().clickButton(ComposeToolbar::Send));

    ASSERT_TRUE(closed());
    ASSERT_TRUE(test::waitUntil([&] { return reports.statusLines.size() == 3 && allSlotsFree(); }, 10000));
    EXPECT_FALSE(mainWindow.isVisible()); // IconizeAfterSend is on

    // One row in Sended, whatever the number of recipients.
    {
        Database db = Database::open(folder.file(QStringLiteral("Vellumo.dbo")));
        auto rs = db.openRecordset(QStringLiteral("Sended"));
        ASSERT_EQ(rs->recordCount(), 1);
        EXPECT_EQ(rs->text(QStringLiteral("FROM")), "PC1");
        EXPECT_EQ(rs->text(QStringLiteral("TO")), line);
        EXPECT_EQ(rs->text(QStringLiteral("Text")), plain);
        EXPECT_EQ(rs->text(QStringLiteral("RTF")), rtf);
        EXPECT_TRUE(rs->text(QStringLiteral("OnDate")).contains(QStringLiteral(" à ")));
        EXPECT_LE(rs->dateTime(QStringLiteral("SendedDate")).secsTo(QDateTime::currentDateTime()), 60);
    }

    // One request per station, each with the whole line as TO and the one key header.
    ASSERT_EQ(peers.requests.size(), 3u);
    QStringList reached;
    for (const auto& request : peers.requests) {
        reached << request.address;
        EXPECT_TRUE(request.head().startsWith("POST /MESSAGE HTTP/1.1\r\n"));
        EXPECT_EQ(request.head().count("Vellumo:"), 1);
        const qsizetype at = request.head().indexOf("Vellumo: ") + 9;
        const QByteArray key = request.head().mid(at, request.head().indexOf('\r', at) - at);
        EXPECT_EQ(DecryptWithFixedKey(QString::fromLatin1(key)), kAccessKey);
        const QStringList fields = QString::fromUtf8(request.body()).split(QStringLiteral("#Separator#"));
        ASSERT_EQ(fields.size(), 5);
        EXPECT_EQ(fields[0], "PC1");
        EXPECT_EQ(fields[2], line);
        EXPECT_EQ(fields[3], plain);
        EXPECT_EQ(fields[4], rtf);
    }
    reached.sort();
    EXPECT_EQ(reached, kAddresses);

    // The message the peers got reads back as written.
    QTextDocument doc;
    RtfReader::read(cp1252::encode(rtf), doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Réunion à 10 h salle €"));

    // Each sender reported on the status line as it came, and the last report tells the whole; every
    // recipient is a favourite now.
    QStringList shown;
    for (const auto& s : reports.statusLines) {
        shown << s.text;
        EXPECT_EQ(s.colour, 0);
    }
    EXPECT_EQ(shown.back(), "3 sur 3 postes ont reçu le message");
    shown.removeLast();
    shown.sort();
    EXPECT_EQ(shown.size(), 2);
    for (const QString& line : shown)
        EXPECT_TRUE(line.endsWith(QStringLiteral(" à reçu le message"))) << line.toStdString();
    EXPECT_EQ(favourites(), (QStringList{"PC2", "PC3", "pc4"}));
}

struct LineCase {
    const char* name;
    const char* line;
    QStringList reached; // addresses, in order
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

const LineCase kLines[] = {
    {"TwoNamesEachFollowedBySemicolon", "PC2;PC3;", {"127.0.0.2", "127.0.0.3"}},
    {"TheNameAfterTheLastSemicolonToo", "PC3;PC2", {"127.0.0.2", "127.0.0.3"}},
    {"ASingleNameWithoutSemicolon", "PC4", {"127.0.0.4"}},
    {"EmptyPiecesSkipped", ";;PC3;;", {"127.0.0.3"}},
    {"BlanksAroundNamesAreNotPartOfThem", " PC2 ; PC3;  ;", {"127.0.0.2", "127.0.0.3"}},
    {"EachStationOnceWhateverTheCase", "PC2;pc2;PC3; PC2 ;Pc3", {"127.0.0.2", "127.0.0.3"}},
};

class FrmSendMessageLines : public FrmSendMessageTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(FrmSendMessageLines, StartsOneSenderPerRecipientAndStoresTheLineAsTyped) {
    frmSendMessage& w = open();
    w.text1().setText(QString::fromLatin1(GetParam().line));
    writeBody(w);
    w.toolbar().clickButton(ComposeToolbar::Send);
    ASSERT_TRUE(closed());
    const auto expected = static_cast<std::size_t>(GetParam().reached.size());
    ASSERT_TRUE(test::waitUntil([&] { return reports.statusLines.size() == expected && allSlotsFree(); }, 10000));
    QStringList reached;
    for (const auto& request : peers.requests)
        reached << request.address;
    reached.sort();
    EXPECT_EQ(reached, GetParam().reached);
    // Every station once: no second request comes late.
    test::runEventLoopFor(100);
    EXPECT_EQ(peers.requests.size(), static_cast<std::size_t>(GetParam().reached.size()));
    Database db = Database::open(folder.file(QStringLiteral("Vellumo.dbo")));
    auto rs = db.openRecordset(QStringLiteral("Sended"));
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->text(QStringLiteral("TO")), QString::fromLatin1(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(Recipients, FrmSendMessageLines, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

struct SeparatorCase {
    const char* name;
    const char* line;
    const char* text;
};

void PrintTo(const SeparatorCase& c, std::ostream* os) {
    *os << c.name;
}

const SeparatorCase kSeparators[] = {
    {"InTheText", "PC2;", "avant #Separator# après"},
    {"InTheRecipientsLine", "PC2;#Separator#;", "Bonjour"},
};

class FrmSendMessageSeparator : public FrmSendMessageTest, public ::testing::WithParamInterface<SeparatorCase> {};

// Such a message would reach the peer as more than five pieces and be refused there: it is refused
// here, before anything is stored or sent, and the window stays open to change it.
TEST_P(FrmSendMessageSeparator, IsRefusedBeforeAnythingIsStoredOrSent) {
    frmSendMessage& w = open();
    w.text1().setText(QString::fromUtf8(GetParam().line));
    QTextCursor(w.editor().document()).insertText(QString::fromUtf8(GetParam().text));
    w.toolbar().clickButton(ComposeToolbar::Send);

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("Ce message ne peut pas être envoyé : il contient le texte réservé "
                                                 "« #Separator# ».\r\nRetirez-le, puis envoyez à nouveau."));
    EXPECT_EQ(ui.boxes[0].style, mb::Exclamation);
    EXPECT_EQ(ui.boxes[0].title, QStringLiteral("Erreur"));
    test::runEventLoopFor(100);
    EXPECT_TRUE(peers.requests.empty());
    EXPECT_TRUE(reports.statusLines.empty());
    EXPECT_TRUE(allSlotsFree());
    EXPECT_EQ(rows(QStringLiteral("Vellumo.dbo"), QStringLiteral("Sended")), 0);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(w.isVisible());

    // Once the text is gone the same window sends.
    w.text1().setText(QStringLiteral("PC2;"));
    w.editor().clear();
    QTextCursor(w.editor().document()).insertText(QStringLiteral("Bonjour"));
    w.toolbar().clickButton(ComposeToolbar::Send);
    ASSERT_TRUE(closed());
    ASSERT_TRUE(test::waitUntil([&] { return reports.statusLines.size() == 1 && allSlotsFree(); }, 10000));
    EXPECT_EQ(peers.requests.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Refusal, FrmSendMessageSeparator, ::testing::ValuesIn(kSeparators),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmSendMessageTest, TheSeparatorBoxIsTranslated) {
    state->Localisation.LoadStrings(QStringLiteral("English"));
    frmSendMessage& w = open();
    w.text1().setText(QStringLiteral("PC2;"));
    QTextCursor(w.editor().document()).insertText(QStringLiteral("#Separator#"));
    w.toolbar().clickButton(ComposeToolbar::Send);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("This message cannot be sent: it contains the reserved text "
                                                 "« #Separator# ».\r\nRemove it, then send again."));
    EXPECT_EQ(ui.boxes[0].title, QStringLiteral("Error"));
}

TEST_F(FrmSendMessageTest, ADoubleClickOnTheLineOpensTheFavouritesOrElseTheLan) {
    frmSendMessage& w = open();
    w.Text1_ShowRecipientSource();
    EXPECT_EQ(lan.calls, 1);
    EXPECT_FALSE(w.savedMode());
    w.TransferCheckedRecipients();
    w.AddCorrespondent(QStringLiteral("PC3"));
    w.Text1_ShowRecipientSource();
    EXPECT_EQ(lan.calls, 1);
    EXPECT_TRUE(w.savedMode());
    ASSERT_EQ(w.listView().count(), 1);
    EXPECT_EQ(w.listView().item(0)->text(), "PC3");
}

TEST_F(FrmSendMessageTest, RefusesToSendWithoutRecipientsOrText) {
    frmSendMessage& w = open();
    writeBody(w);
    w.toolbar().clickButton(ComposeToolbar::Send); // no recipients
    w.text1().setText(QStringLiteral("PC2;"));
    w.editor().clear();
    ASSERT_TRUE(w.editor().insertPicture(folder.file(QStringLiteral("System/emo/01_smile.png"))));
    w.toolbar().clickButton(ComposeToolbar::Send); // a picture but no text
    EXPECT_EQ(beeps, 2);
    EXPECT_FALSE(window.isNull());
    EXPECT_EQ(rows(QStringLiteral("Vellumo.dbo"), QStringLiteral("Sended")), 0);
    EXPECT_TRUE(peers.requests.empty());
}

TEST_F(FrmSendMessageTest, WithoutAFreeSlotSaysSoOnceAndKeepsTheWindowOpen) {
    // 255 senders still in flight: the first of three stations gets the last slot.
    for (int i = 0; i < SendSlots::Count - 1; ++i)
        state->Slots.Take(i, nullptr);
    frmSendMessage& w = open();
    w.text1().setText(QStringLiteral("PC2;PC3;PC4;"));
    writeBody(w);
    w.toolbar().clickButton(ComposeToolbar::Send);

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Impossible d'envoyer le message.");
    EXPECT_EQ(ui.boxes[0].style, 48);
    EXPECT_EQ(ui.boxes[0].title, "Erreur");
    ASSERT_TRUE(test::waitUntil([&] { return state->Slots.Flag(SendSlots::Count - 1) == SendSlots::Free; }, 10000));
    EXPECT_EQ(peers.requests.size(), 1u);
    EXPECT_EQ(peers.requests[0].address, kAddresses[0]);
    EXPECT_FALSE(window.isNull());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(rows(QStringLiteral("Vellumo.dbo"), QStringLiteral("Sended")), 1);
}

class FrmSendMessageCap : public FrmSendMessageTest, public ::testing::WithParamInterface<bool> {};

// A body one byte over the receivers' cap is refused before anything is stored or sent; one at the
// cap goes. The size is the one on the wire, plain or enciphered.
TEST_P(FrmSendMessageCap, ABodyOverTheReceiversCapIsRefusedBeforeAnythingIsStoredOrSent) {
    state->Settings.CryptAll = GetParam();
    auto compose = [&](qint64 cap) -> frmSendMessage& {
        frmSendMessage& w = open();
        w.MaxBodyBytes = cap;
        w.text1().setText(QStringLiteral("PC2;"));
        writeBody(w);
        QTextCursor(w.editor().document()).insertText(QString(5000, QLatin1Char('z')) + QStringLiteral("\U0001F600"));
        return w;
    };
    // Sent once without a cap to learn the size of the body on the wire.
    compose(GossClient::MaxBodyBytes).toolbar().clickButton(ComposeToolbar::Send);
    ASSERT_TRUE(closed());
    ASSERT_TRUE(test::waitUntil([&] { return peers.requests.size() == 1u && allSlotsFree(); }, 10000));
    const qint64 size = peers.requests[0].body().size();
    EXPECT_EQ(peers.requests[0].body().startsWith("CRYPT-----"), GetParam());

    frmSendMessage& over = compose(size - 1);
    over.toolbar().clickButton(ComposeToolbar::Send);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, frmSendMessage::DefaultTooLargeText()
                                      .replace(QLatin1Char('|'), QStringLiteral("\r\n"))
                                      .arg(QString::number(static_cast<double>(size) / 1e6, 'f', 1),
                                           QString::number(static_cast<double>(size - 1) / 1e6, 'f', 1)));
    EXPECT_EQ(ui.boxes[0].style, 48);
    EXPECT_EQ(ui.boxes[0].title, "Erreur");
    EXPECT_FALSE(window.isNull()); // kept open, to be shortened
    EXPECT_EQ(rows(QStringLiteral("Vellumo.dbo"), QStringLiteral("Sended")), 1);
    test::runEventLoopFor(100);
    EXPECT_EQ(peers.requests.size(), 1u);
    delete window.data();

    compose(size).toolbar().clickButton(ComposeToolbar::Send);
    ASSERT_TRUE(closed());
    ASSERT_TRUE(test::waitUntil([&] { return peers.requests.size() == 2u && allSlotsFree(); }, 10000));
    EXPECT_EQ(peers.requests[1].body().size(), size);
    EXPECT_EQ(rows(QStringLiteral("Vellumo.dbo"), QStringLiteral("Sended")), 2);
}

INSTANTIATE_TEST_SUITE_P(Forms, FrmSendMessageCap, ::testing::Values(false, true), [](const auto& info) {
    return info.param ? std::string("enciphered") : std::string("plain");
});

TEST_F(FrmSendMessageTest, FavouritesAreListedPickedAndRemovedByName) {
    frmSendMessage& w = open();
    // No favourite yet: a beep, and the list stays hidden.
    w.Command1_Click(2);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(w.listView().isHidden());

    w.AddCorrespondent(QStringLiteral("O'Brien"));
    w.AddCorrespondent(QStringLiteral("PC2"));
    w.AddCorrespondent(QStringLiteral("o'brien")); // already there: refused, silently
    w.AddCorrespondent(QStringLiteral("PC3"));
    ASSERT_EQ(favourites(), (QStringList{"O'Brien", "PC2", "PC3"}));

    w.text1().setText(QStringLiteral("PC2;"));
    w.Command1_Click(2);
    ASSERT_TRUE(w.listView().isVisible());
    EXPECT_TRUE(w.savedMode());
    EXPECT_EQ(w.listView().toolTip(), "Clic droit pour supprimer un item...");
    ASSERT_EQ(w.listView().count(), 3);

    // A right click on the name with a quote, answered Yes: that row goes, the others stay.
    QListWidgetItem* obrien = w.listView().findItems(QStringLiteral("O'Brien"), Qt::MatchExactly).value(0);
    ASSERT_TRUE(obrien);
    ui.answer(mb::Yes);
    w.ListView1_MouseDown(2);
    w.ListView1_ItemClick(obrien);
    w.ListView1_MouseUp();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Voulez vous supprimer cet item de la liste ? \r\nO'Brien");
    EXPECT_EQ(ui.boxes[0].style, 4132);
    EXPECT_EQ(ui.boxes[0].title, "Supprimer un Item...");
    EXPECT_EQ(w.listView().count(), 2);
    EXPECT_EQ(favourites(), (QStringList{"PC2", "PC3"}));

    // A left click asks nothing; checking both and confirming adds only what the line lacks.
    w.ListView1_MouseDown(1);
    w.ListView1_ItemClick(w.listView().item(0));
    w.ListView1_MouseUp();
    EXPECT_EQ(ui.boxes.size(), 1u);
    for (int i = 0; i < w.listView().count(); ++i)
        w.listView().item(i)->setCheckState(Qt::Checked);
    w.okButton().click();
    EXPECT_EQ(w.text1().text(), "PC2;PC3;");
    EXPECT_TRUE(w.listView().isHidden());
}

// A name ticked in a list and confirmed, against the recipients line as the user left it.
struct PickCase {
    const char* name;
    const char* line;
    QStringList ticked;
    const char* expected;
};

void PrintTo(const PickCase& c, std::ostream* os) {
    *os << c.name;
}

const PickCase kPicks[] = {
    {"ANameThatEndsLikeTheTickedOne", "APC2;", {"PC2"}, "APC2;PC2;"},
    {"ATypedNameWithoutSemicolon", "PC3", {"PC2"}, "PC3;PC2;"},
    {"AlreadyThereWhole", "PC2;", {"PC2"}, "PC2;"},
    {"AlreadyThereInAnotherCaseWithBlanks", " pc2 ;PC3", {"PC2", "PC3"}, " pc2 ;PC3"},
    {"TwoTickedAfterATypedName", "PC4", {"PC2", "PC3"}, "PC4;PC2;PC3;"},
};

class FrmSendMessagePick : public FrmSendMessageTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(FrmSendMessagePick, TheTickedNamesJoinTheLineAsWholeEntries) {
    const PickCase& c = GetParam();
    for (const QString& name : {QStringLiteral("PC2"), QStringLiteral("PC3")})
        lan.result.Servers.push_back(ServerEntry{500, name, 10, 0, 3, QString()});
    frmSendMessage& w = open();
    w.text1().setText(QString::fromUtf8(c.line));
    w.Command1_Click(1);
    ASSERT_EQ(w.listView().count(), 2);
    for (int i = 0; i < w.listView().count(); ++i) {
        if (c.ticked.contains(w.listView().item(i)->text()))
            w.listView().item(i)->setCheckState(Qt::Checked);
    }
    w.okButton().click();
    EXPECT_EQ(w.text1().text(), QString::fromUtf8(c.expected));
    // Sent as it stands, each station it names is reached.
    const QStringList stations = RecipientsLine::Stations(w.text1().text());
    for (const QString& name : c.ticked)
        EXPECT_TRUE(stations.contains(name, Qt::CaseInsensitive)) << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Lines, FrmSendMessagePick, ::testing::ValuesIn(kPicks),
                         [](const auto& info) { return std::string(info.param.name); });

// One send to a station that does not resolve and one that receives: the last report names both
// outcomes, in red, and one balloon lists the failure; none hides the other.
TEST_F(FrmSendMessageTest, ASendToSeveralStationsShowsEveryFailure) {
    frmSendMessage& w = open();
    w.text1().setText(QStringLiteral("NULLEPART;PC2;"));
    writeBody(w);
    w.toolbar().clickButton(ComposeToolbar::Send);
    ASSERT_TRUE(closed());
    ASSERT_TRUE(test::waitUntil([&] { return reports.statusLines.size() == 2 && allSlotsFree(); }, 10000));
    const auto& last = reports.statusLines.back();
    EXPECT_EQ(last.text,
              QStringLiteral("1 sur 2 postes ont reçu le message ; NULLEPART ne présente pas son adress IP !"));
    EXPECT_EQ(last.colour, 192);
    ASSERT_EQ(reports.balloons.size(), 1u);
    EXPECT_EQ(reports.balloons[0].text,
              QStringLiteral("1 sur 2 postes ont reçu le message\r\nNULLEPART ne présente pas son adress IP !"));
    EXPECT_EQ(reports.balloons[0].title, QStringLiteral("Erreur"));
    EXPECT_EQ(reports.balloons[0].icon, 2);
    EXPECT_EQ(peers.requests.size(), 1u);
}

// A paste that would pass the receivers' cap says so and leaves the message as it was.
TEST_F(FrmSendMessageTest, APasteBeyondTheCapSaysSoInsteadOfInserting) {
    frmSendMessage& w = open();
    w.text1().setText(QStringLiteral("PC2;"));
    QTextCursor(w.editor().document()).insertText(QStringLiteral("Bonjour"));
    w.MaxBodyBytes = 2000;
    QImage noise(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            noise.setPixel(x, y, qRgb((x * 37 + y * 91) % 256, (x * y) % 256, (x + 3 * y) % 256));
    auto* data = new QMimeData;
    data->setImageData(noise);
    QApplication::clipboard()->setMimeData(data);
    w.toolbar().clickButton(ComposeToolbar::Paste);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].prompt.startsWith(QStringLiteral("Ce qui est collé rendrait le message trop volumineux")))
        << ui.boxes[0].prompt.toStdString();
    EXPECT_EQ(ui.boxes[0].style, 48);
    EXPECT_EQ(w.editor().toPlainText(), QStringLiteral("Bonjour"));

    // Within the cap the same picture goes in.
    w.MaxBodyBytes = GossClient::MaxBodyBytes;
    w.toolbar().clickButton(ComposeToolbar::Paste);
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(w.editor().rtf().contains("\\pict"));
}

TEST_F(FrmSendMessageTest, TheLanSourceListsItsComputersAndTheButtonComesBack) {
    lan.result.Servers = {ServerEntry{500, QStringLiteral("PC7"), 10, 0, 3, QString()},
                          ServerEntry{500, QStringLiteral("PC8"), 10, 0, 3, QString()}};
    frmSendMessage& w = open();
    w.Command1_Click(1);
    EXPECT_EQ(lan.calls, 1);
    EXPECT_EQ(lan.lastType, -1);
    ASSERT_EQ(w.listView().count(), 2);
    EXPECT_TRUE(w.command1(1).isHidden());
    EXPECT_FALSE(w.command1(0).isHidden());
    // Any source button while button 1 is hidden only brings it back.
    w.Command1_Click(0);
    EXPECT_FALSE(w.command1(1).isHidden());
    EXPECT_EQ(lan.calls, 1);

    // A failure shows its box, then an empty list.
    lan.result = ServerList{false, 1722, {}};
    w.Command1_Click(1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Server not accessible!");
    EXPECT_EQ(ui.boxes[0].style, 16);
    EXPECT_EQ(ui.boxes[0].title, "Net Error");
    EXPECT_EQ(w.listView().count(), 0);
    EXPECT_TRUE(w.listView().isVisible());
}

TEST_F(FrmSendMessageTest, ReplyWritesTheQuoteAboveWhichTheAnswerGoes) {
    frmSendMessage& w = open();
    w.ShowReply(QStringLiteral("PC2;"), QStringLiteral("Bonjour\nà demain"));
    EXPECT_EQ(w.text1().text(), "PC2;");
    EXPECT_EQ(w.editor().plainText(),
              QStringLiteral("\n\n\n") + QString(57, u'_') + QStringLiteral("\nBonjour\nà demain"));
    EXPECT_EQ(w.editor().textCursor().position(), 0);

    // The quote (from the third line on) is in &HC00000, that is dark blue; the answer is not. The
    // separator is a line of its own: the quoted text starts on the next one.
    const QTextDocument& doc = *w.editor().document();
    const QTextBlock quoteLine = doc.findBlockByNumber(3);
    ASSERT_EQ(quoteLine.text(), QString(57, u'_'));
    EXPECT_EQ(doc.findBlockByNumber(4).text(), QStringLiteral("Bonjour"));
    const QTextCharFormat quote = quoteLine.begin().fragment().charFormat();
    EXPECT_EQ(quote.foreground().color(), QColor(0, 0, 0xC0));
    w.editor().insertPlainText(QStringLiteral("Oui"));
    const QTextCharFormat answer = doc.begin().begin().fragment().charFormat();
    EXPECT_EQ(doc.begin().text(), "Oui");
    EXPECT_NE(answer.foreground().color(), QColor(0, 0, 0xC0));
}

TEST_F(FrmSendMessageTest, EmoticonFoldersFillTheCellsFromTheScrollBar) {
    const QString small = folder.file(QStringLiteral("System/emo"));
    QDir(small).removeRecursively();
    QDir().mkpath(small);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    for (int i = 0; i < 70; ++i)
        ASSERT_TRUE(image.save(QDir(small).filePath(QStringLiteral("e%1.png").arg(i, 2, 10, QLatin1Char('0')))));
    QFile(QDir(small).filePath(QStringLiteral("notes.txt"))).open(QIODevice::WriteOnly);

    frmSendMessage& w = open();
    EXPECT_EQ(w.scrollBar().maximum(), 12); // the 13 large pictures of the program folder
    w.Emoticones_Click(0);
    EXPECT_EQ(w.scrollBar().maximum(), 69);
    w.scrollBar().setValue(10);
    EXPECT_EQ(w.cell(0).Tag, "e10.png");
    EXPECT_EQ(w.cell(59).Tag, "e69.png");
    EXPECT_FALSE(w.cell(59).picture().isNull());
    for (int i = 60; i < 64; ++i) {
        EXPECT_TRUE(w.cell(i).Tag.isEmpty()) << i;
        EXPECT_TRUE(w.cell(i).picture().isNull()) << i;
    }

    QDir(small).removeRecursively();
    QDir().mkpath(small);
    w.Emoticones_Click(0);
    // Nothing to scroll: the bar stays at 0 (Qt pulls the minimum down with a maximum of -1) and is off.
    EXPECT_EQ(w.scrollBar().minimum(), 0);
    EXPECT_EQ(w.scrollBar().maximum(), 0);
    EXPECT_FALSE(w.scrollBar().isEnabled());
    for (int i = 0; i < 64; ++i)
        EXPECT_TRUE(w.cell(i).Tag.isEmpty()) << i;

    // The next folder starts at its first file, not one before it.
    w.Emoticones_Click(1);
    EXPECT_EQ(w.scrollBar().minimum(), 0);
    EXPECT_EQ(w.scrollBar().maximum(), 12);
    EXPECT_TRUE(w.scrollBar().isEnabled());
    EXPECT_EQ(w.cell(0).Tag, w.emoticonFiles().value(0));
    EXPECT_FALSE(w.cell(0).Tag.isEmpty());
}

TEST_F(FrmSendMessageTest, ThePanelSlidesUpAndDownAndInsertsAtTheCaret) {
    frmSendMessage& w = open();
    w.toolbar().clickButton(ComposeToolbar::Emoticons);
    EXPECT_TRUE(w.panel().isVisible());
    EXPECT_EQ(w.panelTop(), frmSendMessage::PanelShownTop);
    EXPECT_EQ(w.panel().y(), frmSendMessage::PanelShownTop / 15);
    const int stepsUp = ui.doEventsCalls;
    EXPECT_GE(stepsUp, frmSendMessage::PanelHiddenTop - frmSendMessage::PanelShownTop);

    w.PreviewEmoticon(0);
    EXPECT_TRUE(w.cell(0).highlight());
    EXPECT_FALSE(w.preview().picture().isNull());
    w.ClearEmoticonPreview(0);
    EXPECT_FALSE(w.cell(0).highlight());
    EXPECT_TRUE(w.preview().picture().isNull());

    w.editor().setPlainText(QStringLiteral("ab"));
    QTextCursor c = w.editor().textCursor();
    c.setPosition(1);
    w.editor().setTextCursor(c);
    w.InsertEmoticon(0);
    EXPECT_EQ(w.editor().toPlainText(), QStringLiteral("a") + QChar(QChar::ObjectReplacementCharacter) + "b");
    EXPECT_FALSE(w.panel().isVisible());
    EXPECT_EQ(w.panelTop(), frmSendMessage::PanelHiddenTop);
    EXPECT_TRUE(w.editor().rtf().contains("\\pngblip"));

    w.toolbar().clickButton(ComposeToolbar::Emoticons);
    w.toolbar().clickButton(ComposeToolbar::Emoticons);
    EXPECT_FALSE(w.panel().isVisible());
    w.toolbar().clickButton(ComposeToolbar::Close);
    EXPECT_TRUE(closed());
}

// The colour buttons show their colour on the button library's button as on the stand-in: the red,
// blue, green and black letters, and the yellow face of the highlight button, by the button's colour
// properties (its custom colour scheme, then face and caption colours, also under the mouse).
TEST_F(FrmSendMessageTest, ColourButtonsShowTheirColoursOnTheLibrarysButton) {
    struct Row {
        const char* index;
        std::int32_t face; // 0x00BBGGRR, or -1 for the system's button face
        std::int32_t text; // or -1 for the system's button text
    };
    const Row rows[] = {{"1", -1, 255}, {"2", -1, 0xDF0000}, {"3", -1, 65280}, {"4", -1, 0}, {"8", 65535, -1}};
    // Dispatch numbers of the button library: ColorScheme (2 = custom), BackColor, BackOver, ForeColor,
    // ForeOver.
    constexpr std::int32_t kColorScheme = 0x6803000E, kBackColor = -501, kBackOver = 0x68030017, kForeColor = -513,
                           kForeOver = 0x68030016;
    frmSendMessage& w = open();
    std::map<QString, PushButton*> buttons;
    for (PushButton* b : w.findChildren<PushButton*>(QStringLiteral("ChoixCouleur")))
        buttons[modLocalisation::GetControlIndex(b)] = b;
    ASSERT_EQ(buttons.size(), std::size(rows));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        PushButton* b = buttons[QString::fromLatin1(row.index)];
        ASSERT_TRUE(b && b->control()) << "the button library is in the program folder";
        HostedControl& c = *b->control();
        EXPECT_EQ(c.getProperty(kColorScheme).toInt32(), 2);
        if (row.face >= 0) {
            EXPECT_EQ(c.getProperty(kBackColor).toInt32(), row.face);
            EXPECT_EQ(c.getProperty(kBackOver).toInt32(), row.face);
        }
        if (row.text >= 0) {
            EXPECT_EQ(c.getProperty(kForeColor).toInt32(), row.text);
            EXPECT_EQ(c.getProperty(kForeOver).toInt32(), row.text);
        }
    }
}

TEST_F(FrmSendMessageTest, TranslatedAndPhotographed) {
    state->Settings.CurrentLanguage = QStringLiteral("English");
    frmSendMessage& w = open();
    EXPECT_EQ(w.windowTitle(), "Vellumo - Send a message");
    EXPECT_EQ(w.toolbar().buttonToolTipText(1), "Send...");
    EXPECT_EQ(w.command1(2).toolTip(), "Favourite correspondents");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);

    w.text1().setText(QStringLiteral("PC2;PC3;"));
    writeBody(w);
    w.ChoixCouleur_Click(1);
    w.editor().insertPlainText(QStringLiteral(" en rouge"));
    w.ShowEmoticonPanel();
    w.PreviewEmoticon(3);
    const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/frm_send_message.png")));
    w.HideEmoticonPanel();
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/frm_send_message_editor.png")));
}

} // namespace
} // namespace vellumo
