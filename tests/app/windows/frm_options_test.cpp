// The options dialog in process, offscreen, over a temporary program folder: what it shows when it
// opens, what Apply writes and reads back, and what Cancel and OK do.
#include "app/windows/dialogs/frm_options.h"

#include "app/core/mod_vellumo.h"
#include "app/ui/push_button.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "operations_fichiers/operations_fichiers.h"
#include "tests/support/window_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace vellumo {
namespace {

using OperationsFichiers::IniRead;

const QString kPortCopy = QStringLiteral("SOFTWARE\\Vellumo\\Server|Port");
const char* const kFlagKeys[] = {"IsAlwaysOnTop", "StartWithWindows", "CryptAll", "ShowBalloon", "IconizeAfterSend"};

class FrmOptionsTest : public ::testing::Test, protected test::WindowFixture {
protected:
    ~FrmOptionsTest() override { delete window.data(); }

    // The settings file as the test wants it, then the window, loaded.
    frmOptions& open(const QString& settingsLines) {
        QFile f(folder.file(QStringLiteral("Vellumo.ini")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(settingsLines.toLatin1());
        f.close();
        makeState();
        window = new frmOptions(*state, *loader);
        window->Form_Load();
        return *window;
    }

    QString ini(const char* section, const char* key) const {
        return IniRead(QString::fromLatin1(section), QString::fromLatin1(key), QStringLiteral("<none>"),
                       folder.file(QStringLiteral("Vellumo.ini")));
    }
    QByteArray fileBytes() const {
        QFile f(folder.file(QStringLiteral("Vellumo.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Lets the window's deferred deletion after close run.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QPointer<frmOptions> window;
};

TEST_F(FrmOptionsTest, OpensWithThePortAndKeyOfTheFileAndTheFlagsOfMemory) {
    const QString key = EncryptWithFixedKey(QStringLiteral("secret"));
    // The file says the opposite of memory for every flag: the window shows memory.
    open(QStringLiteral("[Server]\r\nPort=32700\r\nKey=") + key +
         QStringLiteral("\r\n[Vellumo]\r\nIsAlwaysOnTop=0\r\nStartWithWindows=1\r\nCryptAll=0\r\n"
                        "ShowBalloon=1\r\nIconizeAfterSend=0\r\n"));
    // open() built state afresh with the in-memory defaults; set a pattern and load again.
    delete window.data();
    state->Settings.IsAlwaysOnTop = true;
    state->Settings.StartWithWindows = false;
    state->Settings.CryptAll = true;
    state->Settings.ShowBalloon = false;
    state->Settings.IconizeAfterSend = true;
    window = new frmOptions(*state, *loader);
    frmOptions& w = *window;
    w.Form_Load();

    const bool expected[] = {true, false, true, false, true};
    for (int i = 0; i < frmOptions::RowCount; ++i) {
        EXPECT_EQ(w.option1(i).isChecked(), expected[i]) << i;
        EXPECT_EQ(w.option2(i).isChecked(), !expected[i]) << i;
        EXPECT_EQ(w.option1(i).text(), QStringLiteral("Oui"));
        EXPECT_EQ(w.option2(i).text(), QStringLiteral("Non"));
    }
    EXPECT_EQ(w.port().text(), QStringLiteral("32700"));
    EXPECT_EQ(w.pass().text(), QStringLiteral("secret"));
    EXPECT_EQ(w.pass().echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.version().text(), QStringLiteral("Version : 2.0.0"));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Options"));
    ASSERT_EQ(w.tabs().count(), 3);
    EXPECT_EQ(w.tabs().tabText(1), QStringLiteral("Sécurité"));
    EXPECT_EQ(w.tabs().tabText(2), QStringLiteral("Infos..."));
}

TEST_F(FrmOptionsTest, WithoutKeyOrPortInTheFileTheBoxesShowTheDefaults) {
    frmOptions& w = open(QStringLiteral("[Vellumo]\r\nCryptAll=1\r\n"));
    EXPECT_EQ(w.port().text(), QStringLiteral("32666"));
    EXPECT_EQ(w.pass().text(), QString());
}

TEST_F(FrmOptionsTest, ApplyWritesTheSettingsAndReadsThemBack) {
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32666\r\n"));
    const QString typedKey = QStringLiteral("clé partagée");
    w.port().setText(QStringLiteral("32700"));
    w.pass().setText(typedKey);
    const bool yes[] = {false, true, true, false, true};
    for (int i = 0; i < frmOptions::RowCount; ++i)
        (yes[i] ? w.option1(i) : w.option2(i)).setChecked(true);

    w.applyButton().click();

    EXPECT_EQ(ini("Server", "Port"), QStringLiteral("32700"));
    const QString stored = ini("Server", "Key");
    // Enciphered: upper-case hexadecimal that deciphers to the typed key.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]+$")).match(stored).hasMatch()) << stored.toStdString();
    EXPECT_EQ(DecryptWithFixedKey(stored), typedKey);
    for (int i = 0; i < frmOptions::RowCount; ++i)
        EXPECT_EQ(ini("Vellumo", kFlagKeys[i]), yes[i] ? QStringLiteral("1") : QStringLiteral("0")) << kFlagKeys[i];

    // The re-read: memory, and the registry copy of the port.
    const AppSettings& s = state->Settings;
    EXPECT_EQ(s.Port, 32700);
    EXPECT_EQ(s.Key, stored);
    EXPECT_FALSE(s.IsAlwaysOnTop);
    EXPECT_TRUE(s.StartWithWindows);
    EXPECT_TRUE(s.CryptAll);
    EXPECT_FALSE(s.ShowBalloon);
    EXPECT_TRUE(s.IconizeAfterSend);
    EXPECT_EQ(registry.values.value(kPortCopy), QStringLiteral("32700"));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(window); // Apply leaves the window open

    // Opened again, the window shows what was applied.
    delete window.data();
    window = new frmOptions(*state, *loader);
    window->Form_Load();
    EXPECT_EQ(window->pass().text(), typedKey);
    EXPECT_EQ(window->port().text(), QStringLiteral("32700"));
    for (int i = 0; i < frmOptions::RowCount; ++i)
        EXPECT_EQ(window->option1(i).isChecked(), yes[i]) << i;
}

TEST_F(FrmOptionsTest, AnEmptyPasswordLeavesTheDefaultKeyInMemory) {
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32666\r\nKey=") + EncryptWithFixedKey(QStringLiteral("x")) +
                         QStringLiteral("\r\n"));
    w.pass().clear();
    ASSERT_TRUE(w.cmdApply_Click());
    EXPECT_EQ(ini("Server", "Key"), EncryptWithFixedKey(QString()));
    EXPECT_EQ(state->Settings.Key, AppSettings::DefaultKey());
}

TEST_F(FrmOptionsTest, TheLongestKeyTheBoxTakesComesBackWhole) {
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32666\r\n"));
    EXPECT_EQ(w.pass().maxLength(), frmOptions::MaxKeyLength);
    // The limit is tight: one character more would no longer fit the 254 characters read back.
    EXPECT_LE(EncryptWithFixedKey(QString(frmOptions::MaxKeyLength, u'k')).size(), 254);
    EXPECT_GT(EncryptWithFixedKey(QString(frmOptions::MaxKeyLength + 1, u'k')).size(), 254);

    w.pass().setText(QString(frmOptions::MaxKeyLength + 20, u'k'));
    EXPECT_EQ(w.pass().text().size(), frmOptions::MaxKeyLength);
    ASSERT_TRUE(w.cmdApply_Click());
    EXPECT_EQ(DecryptWithFixedKey(state->Settings.Key), QString(frmOptions::MaxKeyLength, u'k'));
}

struct PortCase {
    const char* name;
    const char* typed;
    const char* box;     // the box after Apply
    const char* written; // nullptr: refused, nothing written
};

class FrmOptionsPort : public FrmOptionsTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(FrmOptionsPort, ApplyWritesOnlyAPortTheProgramCanUse) {
    const PortCase& c = GetParam();
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32001\r\n"));
    const QByteArray before = fileBytes();
    w.port().setText(QString::fromUtf8(c.typed));
    const bool applied = w.cmdApply_Click();
    EXPECT_EQ(w.port().text(), QString::fromUtf8(c.box));
    if (c.written) {
        EXPECT_TRUE(applied);
        EXPECT_EQ(ini("Server", "Port"), QString::fromLatin1(c.written));
        EXPECT_EQ(state->Settings.Port, QString::fromLatin1(c.written).toInt());
        EXPECT_EQ(registry.values.value(kPortCopy), QString::fromLatin1(c.written));
        EXPECT_TRUE(ui.boxes.empty());
    } else {
        EXPECT_FALSE(applied);
        EXPECT_EQ(fileBytes(), before);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].style, 48);
        EXPECT_EQ(ui.boxes[0].title, QStringLiteral("Vellumo"));
        // OK with such a port keeps the window open.
        w.okButton().click();
        settle();
        EXPECT_TRUE(window);
    }
}

const PortCase kPortCases[] = {
    {"Letters", "abc", "32666", "32666"},
    {"Zero", "0", "32666", "32666"},
    {"Empty", "", "32666", "32666"},
    {"Plain", "32700", "32700", "32700"},
    {"Blanks", "  32700 ", "32700", "32700"},
    {"TrailingLetters", "32700abc", "32700abc", nullptr},
    {"AbovePortRange", "70000", "70000", nullptr},
    {"BeyondInt32", "99999999999", "99999999999", nullptr},
    {"Negative", "-5", "-5", nullptr},
};
INSTANTIATE_TEST_SUITE_P(Cases, FrmOptionsPort, ::testing::ValuesIn(kPortCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmOptionsTest, CancelWritesNothingAndOkAppliesAndCloses) {
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32001\r\n"));
    w.show();
    const QByteArray before = fileBytes();
    w.port().setText(QStringLiteral("32700"));
    w.option2(0).setChecked(true);
    w.cancelButton().click();
    settle();
    EXPECT_FALSE(window);
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(state->Settings.Port, AppSettings::DefaultPort); // untouched
    EXPECT_TRUE(registry.values.isEmpty());

    window = new frmOptions(*state, *loader);
    window->Form_Load();
    window->show();
    window->option2(0).setChecked(true);
    window->okButton().click();
    settle();
    EXPECT_FALSE(window);
    EXPECT_EQ(ini("Vellumo", "IsAlwaysOnTop"), QStringLiteral("0"));
    EXPECT_FALSE(state->Settings.IsAlwaysOnTop);
}

TEST_F(FrmOptionsTest, ARefusedRegistryCopyIsLoggedAndTheSettingsStillApply) {
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32001\r\n"));
    registry.createResult = 5;
    w.port().setText(QStringLiteral("32700"));
    ASSERT_TRUE(w.cmdApply_Click());
    EXPECT_EQ(state->Settings.Port, 32700);
    EXPECT_FALSE(ui.events.empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FrmOptionsTest, ARefusedPortIsToldInTheLanguageOfTheProgram) {
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32001\r\n"));
    state->Localisation.LoadStrings(QStringLiteral("English"));
    w.port().setText(QStringLiteral("70000"));
    EXPECT_FALSE(w.cmdApply_Click());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("The communication port must be a whole number from 1 to 65535."));
}

// The server keeps the port it listens on until the next start: a changed port is saved, and the user
// is told, in the program's language; applying again without a change, or going back to the port the
// server holds, says nothing.
TEST_F(FrmOptionsTest, APortChangeTellsThatTheServerKeepsItsPortUntilTheNextStart) {
    frmOptions& w = open(QStringLiteral("[Server]\r\nPort=32001\r\n"));
    w.setServerPort([] { return 32001; });
    state->Settings.Port = 32001;
    EXPECT_TRUE(w.cmdApply_Click());
    EXPECT_TRUE(ui.boxes.empty());

    w.port().setText(QStringLiteral("32700"));
    EXPECT_TRUE(w.cmdApply_Click());
    EXPECT_EQ(ini("Server", "Port"), QStringLiteral("32700"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("Le port 32700 sera pris au prochain démarrage de Vellumo : d'ici là, "
                                                 "les messages arrivent toujours sur le port 32001."));
    EXPECT_EQ(ui.boxes[0].style, 64);
    EXPECT_TRUE(w.cmdApply_Click());
    EXPECT_EQ(ui.boxes.size(), 1u);
    w.port().setText(QStringLiteral("32001"));
    EXPECT_TRUE(w.cmdApply_Click());
    EXPECT_EQ(ui.boxes.size(), 1u);

    state->Localisation.LoadStrings(QStringLiteral("English"));
    w.port().setText(QStringLiteral("32702"));
    EXPECT_TRUE(w.cmdApply_Click());
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].prompt, QStringLiteral("Port 32702 will be used from the next start of Vellumo: until then, "
                                                 "messages still arrive on port 32001."));
}

TEST_F(FrmOptionsTest, ThePictureShowsAndMasksThePassword) {
    frmOptions& w = open(QString());
    w.pass().setText(QStringLiteral("clé"));
    EXPECT_EQ(w.pass().echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.pass().displayText(), QStringLiteral("***")); // masked with "*", whatever the style's own
    w.Image2_Click();
    EXPECT_EQ(w.pass().echoMode(), QLineEdit::Normal);
    EXPECT_EQ(w.pass().displayText(), QStringLiteral("clé"));
    w.Image2_Click();
    EXPECT_EQ(w.pass().echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.pass().displayText(), QStringLiteral("***"));
}

TEST_F(FrmOptionsTest, TranslatedWhenALanguageIsSetAndScreenshot) {
    QFile f(folder.file(QStringLiteral("Vellumo.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Server]\r\nPort=32666\r\n");
    f.close();
    makeState();
    state->Settings.CurrentLanguage = QStringLiteral("English");
    window = new frmOptions(*state, *loader);
    frmOptions& w = *window;
    w.Form_Load();
    EXPECT_EQ(w.tabs().tabText(1), QStringLiteral("Security"));
    EXPECT_EQ(w.option1(2).text(), QStringLiteral("Yes"));
    EXPECT_EQ(w.option2(4).text(), QStringLiteral("No"));
    EXPECT_EQ(w.cancelButton().caption(), QStringLiteral("Cancel"));
    EXPECT_EQ(w.version().text(), frmOptions::VersionText()); // set after the translation

    const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    state->Settings.CurrentLanguage.clear();
    delete window.data();
    window = new frmOptions(*state, *loader);
    window->Form_Load();
    window->show();
    const char* names[] = {"options_options.png", "options_security.png", "options_infos.png"};
    for (int tab = 0; tab < 3; ++tab) {
        window->tabs().setCurrentIndex(tab);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->grab().save(dir + QLatin1Char('/') + QString::fromLatin1(names[tab])));
    }
}

} // namespace
} // namespace vellumo
