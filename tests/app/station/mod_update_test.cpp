// The online update against a scripted FTP client: every step's failure, the version comparison,
// the download with its indicator, and the installer's start.
#include "app/station/mod_update.h"

#include "app/core/mod_vellumo.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "platform/runtime/ui_hooks.h"
#include "tests/support/fake_ftp_client.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell_start.h"
#include "tests/support/program_folder.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

const QString kLocal = QStringLiteral("2.0.2");
const QString kConnectionTitle = QStringLiteral("Erreur de connection...");
const QString kUpdateTitle = QStringLiteral("Mise à jour...");
const QString kLatest = QStringLiteral("Vous disposez de la dernère version d'Vellumo : Version  2.0.2");
const QString kAgain = QStringLiteral("Voulez vous retélécharger cette version ?");
const QString kFolderMissing = QStringLiteral("Répertoire de Maintenance inaccessible. Ré-essayez ultérieurement");
constexpr int kWarning = mb::OkOnly | mb::Exclamation | mb::SystemModal;

class ModUpdateTest : public ::testing::Test {
protected:
    ModUpdateTest()
        : folder(QStringLiteral(VELLUMO_PROGRAM_DIR)), uiScope(ui), state(folder.path(), registry, shell),
          update(state, ftp, nullptr, &btnDownload, {QStringLiteral("127.0.0.1"), 2121}, kLocal) {
        btnDownload.setVisible(false);
    }

    QString target() const { return folder.file(QStringLiteral("Temp/InstallVellumo.exe")); }
    QString installQuestion() const {
        return QStringLiteral("La mise à jour d'Vellumo à été téléchargée dans le dossier : \r\n") + folder.path() +
               QStringLiteral("/Temp/\r\nVoulez-vous l'installer maintenant ? ");
    }

    test::ProgramFolder folder;
    test::ScriptedUiHooks ui;
    ScopedUiHooks uiScope;
    test::FakeRegistry registry;
    test::FakeShellStart shell;
    modVellumo state;
    test::FakeFtpClient ftp;
    QWidget btnDownload;
    modUpdate update;
};

TEST_F(ModUpdateTest, LogsInToTheGivenServerWithTheDecipheredCredentials) {
    ftp.remoteText = QStringLiteral("1.0.0");
    update.CheckForUpdate();
    EXPECT_EQ(ftp.hostName, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(ftp.port, 2121);
    EXPECT_EQ(ftp.userName, DecryptWithFixedKey(modUpdate::LoginCipher()));
    EXPECT_EQ(ftp.password, DecryptWithFixedKey(modUpdate::PasswordCipher()));
    // Real credentials, not the ciphertexts nor garbage: printable ASCII an FTP server can be given.
    for (const QString& s : {ftp.userName, ftp.password}) {
        EXPECT_GE(s.size(), 8);
        for (QChar c : s)
            EXPECT_TRUE(c.unicode() > 32 && c.unicode() < 127) << s.toStdString();
    }
    EXPECT_TRUE(ftp.passive);
    EXPECT_EQ(ftp.calls, (QStringList{QStringLiteral("connect"), QStringLiteral("cd Vellumo/Maintenance"),
                                      QStringLiteral("read Version.txt"), QStringLiteral("disconnect")}));
}

TEST_F(ModUpdateTest, AFailedConnectionIsRetriedOnRetryAndEndsOnCancel) {
    ftp.connectFailures = 3;
    ui.answer(mb::Retry);
    ui.answer(mb::Retry);
    ui.answer(mb::Cancel);
    update.CheckForUpdate();
    ASSERT_EQ(ui.boxes.size(), 3u);
    for (const auto& box : ui.boxes) {
        EXPECT_EQ(box.prompt, QStringLiteral("Impossible de se connecter aux serveurs Carrowmere. \r\nVérifiez votre "
                                             "connection Internet. "));
        EXPECT_EQ(box.style, mb::RetryCancel | mb::Exclamation | mb::SystemModal);
        EXPECT_EQ(box.title, kConnectionTitle);
    }
    EXPECT_EQ(ftp.calls, QStringList(3, QStringLiteral("connect")));

    // Retry until it connects, then on as usual.
    ui.boxes.clear();
    ftp.calls.clear();
    ftp.connectFailures = 1;
    ftp.remoteText = QStringLiteral("1.0.0");
    ui.answer(mb::Retry);
    update.CheckForUpdate();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].prompt, kLatest);
    EXPECT_EQ(ftp.calls.count(QStringLiteral("connect")), 2);
}

struct StepFailure {
    const char* name;
    bool folderExists;
    QString remoteText;
};

void PrintTo(const StepFailure& c, std::ostream* os) {
    *os << c.name;
}

class ModUpdateStepFailure : public ModUpdateTest, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(ModUpdateStepFailure, TellsTheMaintenanceFolderIsUnreachableAndDisconnects) {
    ftp.folderExists = GetParam().folderExists;
    ftp.remoteText = GetParam().remoteText;
    update.CheckForUpdate();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, kFolderMissing);
    EXPECT_EQ(ui.boxes[0].style, kWarning);
    EXPECT_EQ(ui.boxes[0].title, kConnectionTitle);
    EXPECT_EQ(ftp.calls.last(), QStringLiteral("disconnect"));
    EXPECT_FALSE(ftp.calls.join(u',').contains(QStringLiteral("get ")));
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("Temp"))).exists());
}

INSTANTIATE_TEST_SUITE_P(Update, ModUpdateStepFailure,
                         ::testing::Values(StepFailure{"FolderMissing", false, QStringLiteral("9.9.9")},
                                           StepFailure{"VersionFileEmpty", true, QString()}),
                         [](const auto& info) { return std::string(info.param.name); });

enum class Outcome { Informs, AsksThenStops, AsksThenDownloads, Downloads };

struct VersionCase {
    const char* name;
    QString local;
    QString remoteText;
    Outcome outcome;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << c.name;
}

class ModUpdateVersions : public ModUpdateTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ModUpdateVersions, ComparesTheVersionsNumberByNumber) {
    const VersionCase& c = GetParam();
    modUpdate versioned(state, ftp, nullptr, &btnDownload, {QStringLiteral("127.0.0.1"), 2121}, c.local);
    ftp.remoteText = c.remoteText;
    if (c.outcome == Outcome::AsksThenStops)
        ui.answer(mb::No);
    if (c.outcome == Outcome::AsksThenDownloads)
        ui.answer(mb::Yes);
    ui.answer(mb::No); // the installer is not started

    versioned.CheckForUpdate();

    const QString latest = QStringLiteral("Vous disposez de la dernère version d'Vellumo : Version  ") + c.local;
    const bool downloads = c.outcome == Outcome::AsksThenDownloads || c.outcome == Outcome::Downloads;
    const bool asks = c.outcome == Outcome::AsksThenStops || c.outcome == Outcome::AsksThenDownloads;
    ASSERT_EQ(ui.boxes.size(), (asks || c.outcome == Outcome::Informs ? 1u : 0u) + (downloads ? 1u : 0u));
    if (c.outcome == Outcome::Informs) {
        EXPECT_EQ(ui.boxes[0].prompt, latest);
        EXPECT_EQ(ui.boxes[0].style, mb::OkOnly | mb::Information);
        EXPECT_EQ(ui.boxes[0].title, kUpdateTitle);
    }
    if (asks) {
        EXPECT_EQ(ui.boxes[0].prompt, latest + QStringLiteral("\r\n") + kAgain);
        EXPECT_EQ(ui.boxes[0].style, mb::YesNo | mb::Question);
        EXPECT_EQ(ui.boxes[0].title, kUpdateTitle);
    }
    EXPECT_EQ(QFile::exists(target()), downloads);
    if (downloads) {
        EXPECT_EQ(ui.boxes.back().prompt, installQuestion());
    }
    EXPECT_EQ(ftp.calls.last(), QStringLiteral("disconnect"));
    EXPECT_TRUE(shell.opened.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Update, ModUpdateVersions,
    ::testing::Values(
        VersionCase{"Older", kLocal, QStringLiteral("2.0.1|Corrections"), Outcome::Informs},
        VersionCase{"NineThenTenIsNewer", QStringLiteral("2.0.9"), QStringLiteral("2.0.10"), Outcome::Downloads},
        VersionCase{"TenThenNineIsOlder", QStringLiteral("2.0.10"), QStringLiteral("2.0.9"), Outcome::Informs},
        VersionCase{"TwoThenTenIsNewer", kLocal, QStringLiteral("2.0.10|Corrections"), Outcome::Downloads},
        VersionCase{"LongerNumberNotCut", kLocal, QStringLiteral("2.0.25"), Outcome::Downloads},
        VersionCase{"EqualAnsweredNo", kLocal, QStringLiteral("2.0.2|Corrections"), Outcome::AsksThenStops},
        VersionCase{"EqualAnsweredYes", kLocal, QStringLiteral("2.0.2"), Outcome::AsksThenDownloads},
        VersionCase{"EqualWithLeadingZeros", kLocal, QStringLiteral("02.00.002"), Outcome::AsksThenStops},
        VersionCase{"ShorterThanLocalAndOlder", kLocal, QStringLiteral("2.0"), Outcome::Informs},
        VersionCase{"ShorterEqualsZeroRevision", QStringLiteral("2.0.0"), QStringLiteral("2.0"),
                    Outcome::AsksThenStops},
        VersionCase{"LongerWithAFourthNumber", kLocal, QStringLiteral("2.0.2.1"), Outcome::Downloads},
        VersionCase{"LongerWithZeros", kLocal, QStringLiteral("2.0.2.0"), Outcome::AsksThenStops},
        VersionCase{"TextAfterTheNumber", kLocal, QStringLiteral("2.0.10 (correctifs)|x"), Outcome::Downloads},
        VersionCase{"NonNumericPartCountsAsZero", kLocal, QStringLiteral("2.0.x"), Outcome::Informs},
        VersionCase{"NonNumericPartBeforeANewerOne", kLocal, QStringLiteral("2.x.9"), Outcome::Downloads},
        VersionCase{"NotAVersionAtAll", kLocal, QStringLiteral("Maintenance en cours"), Outcome::Informs},
        VersionCase{"EmptyFirstField", kLocal, QStringLiteral("|9.9.9"), Outcome::Informs},
        VersionCase{"Newer", kLocal, QStringLiteral("2.1.0|Nouveautés"), Outcome::Downloads},
        VersionCase{"NewerRevisionWithLineEnd", kLocal, QStringLiteral("2.0.3\r\n"), Outcome::Downloads},
        VersionCase{"BlanksAround", kLocal, QStringLiteral(" 2.0.2 |x"), Outcome::AsksThenStops},
        VersionCase{"NumbersBeyondAnyInteger", QStringLiteral("2.0.99999999999999999998"),
                    QStringLiteral("2.0.99999999999999999999"), Outcome::Downloads}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModUpdateTest, DownloadsIntoTempShowingTheIndicatorAndStartsTheInstallerOnYes) {
    ftp.remoteText = QStringLiteral("3.0.0");
    ftp.downloadContent = "#!/bin/sh\n";
    bool indicatorDuringDownload = false;
    ftp.onDownload = [&] {
        indicatorDuringDownload = !btnDownload.isHidden() && QGuiApplication::overrideCursor() &&
                                  QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor &&
                                  QDir(folder.file(QStringLiteral("Temp"))).exists();
    };
    ui.answer(mb::Yes);
    update.CheckForUpdate();

    EXPECT_TRUE(indicatorDuringDownload);
    EXPECT_TRUE(btnDownload.isHidden());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, installQuestion());
    EXPECT_EQ(ui.boxes[0].style, mb::YesNo | mb::Question | mb::SystemModal);
    EXPECT_EQ(ui.boxes[0].title, kUpdateTitle);
    EXPECT_EQ(ftp.calls.at(3), QStringLiteral("get InstallVellumo.exe > ") + target());
    EXPECT_EQ(ftp.calls.last(), QStringLiteral("disconnect"));
    EXPECT_EQ(ftp.calls.count(QStringLiteral("disconnect")), 1);

    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].file, target());
    EXPECT_EQ(shell.opened[0].parameters, QString());
    EXPECT_EQ(shell.opened[0].directory, folder.path() + QStringLiteral("/Temp/"));
    EXPECT_EQ(shell.opened[0].showCommand, 1);
    EXPECT_TRUE(QFile::permissions(target()) & QFile::ExeOwner);
}

TEST_F(ModUpdateTest, AFailedDownloadIsToldAndNothingIsOffered) {
    ftp.remoteText = QStringLiteral("3.0.0");
    ftp.downloadSucceeds = false;
    bool indicatorDuringBox = false;
    ui.onBox = [&](const test::ShownBox&) { indicatorDuringBox = !btnDownload.isHidden(); };
    update.CheckForUpdate();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("La mise à jour n'est pas retrouvée sur les serveurs Carrowmere. "
                                                 "\r\nVeuiller contacter Carrowmere"));
    EXPECT_EQ(ui.boxes[0].style, kWarning);
    EXPECT_EQ(ui.boxes[0].title, kConnectionTitle);
    EXPECT_TRUE(indicatorDuringBox);
    EXPECT_TRUE(btnDownload.isHidden());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ftp.calls.last(), QStringLiteral("disconnect"));
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(ModUpdateTest, AnUpdateAskedForWhileOneRunsIsIgnored) {
    ftp.remoteText = QStringLiteral("3.0.0");
    ftp.onDownload = [&] {
        EXPECT_TRUE(update.IsRunning());
        update.CheckForUpdate();
    };
    update.CheckForUpdate();
    EXPECT_EQ(ftp.calls.count(QStringLiteral("connect")), 1);
    EXPECT_FALSE(update.IsRunning());
    // And the next one runs again.
    ftp.onDownload = nullptr;
    update.CheckForUpdate();
    EXPECT_EQ(ftp.calls.count(QStringLiteral("connect")), 2);
}

TEST_F(ModUpdateTest, TheMessagesComeFromTheLanguageFile) {
    state.Localisation.LoadStrings(QStringLiteral("English"));
    ftp.connectFailures = 1;
    update.CheckForUpdate();
    ftp.folderExists = false;
    update.CheckForUpdate();
    ftp.folderExists = true;
    ftp.remoteText = QStringLiteral("2.0.2");
    update.CheckForUpdate();
    ftp.remoteText = QStringLiteral("2.0.1");
    update.CheckForUpdate();
    ftp.remoteText = QStringLiteral("2.1.0");
    ftp.downloadSucceeds = false;
    update.CheckForUpdate();
    ftp.downloadSucceeds = true;
    update.CheckForUpdate();

    ASSERT_EQ(ui.boxes.size(), 6u);
    EXPECT_EQ(ui.boxes[0].prompt,
              QStringLiteral("Unable to connect to the Carrowmere servers. \r\nCheck your Internet connection. "));
    EXPECT_EQ(ui.boxes[0].title, QStringLiteral("Connection error..."));
    EXPECT_EQ(ui.boxes[1].prompt, QStringLiteral("Maintenance folder unreachable. Please try again later"));
    EXPECT_EQ(ui.boxes[2].prompt, QStringLiteral("You already have the latest version of Vellumo: Version  2.0.2\r\n"
                                                 "Do you want to download this version again?"));
    EXPECT_EQ(ui.boxes[2].title, QStringLiteral("Update..."));
    EXPECT_EQ(ui.boxes[3].prompt, QStringLiteral("You already have the latest version of Vellumo: Version  2.0.2"));
    EXPECT_EQ(ui.boxes[4].prompt,
              QStringLiteral("The update could not be found on the Carrowmere servers. \r\nPlease contact Carrowmere"));
    EXPECT_EQ(ui.boxes[5].prompt, QStringLiteral("The Vellumo update has been downloaded to the folder: \r\n") +
                                      folder.path() + QStringLiteral("/Temp/\r\nDo you want to install it now? "));
}

TEST(ModUpdateVersion, TheLocalVersionIsThreeDecimalNumbers) {
    const QStringList parts = modUpdate::LocalVersion().split(u'.');
    ASSERT_EQ(parts.size(), 3);
    for (const QString& p : parts) {
        bool ok = false;
        p.toInt(&ok);
        EXPECT_TRUE(ok && (p == QStringLiteral("0") || !p.startsWith(u'0'))) << p.toStdString();
    }
}

} // namespace
} // namespace vellumo
