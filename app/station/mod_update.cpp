#include "app/station/mod_update.h"

#include "app/core/text_ids.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/lan/ftp_client.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/shell/shell_start.h"

#include <QFile>
#include <QGuiApplication>

#include <algorithm>
#include <functional>

#ifndef VELLUMO_VERSION_TEXT
#error "VELLUMO_VERSION_TEXT (major.minor.revision) comes from the build"
#endif

namespace vellumo {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Closes the FTP session and lowers the busy flag on every way out of the update.
class UpdateScope {
public:
    UpdateScope(bool& running, std::function<void()> close) : running_(running), close_(std::move(close)) {
        running_ = true;
    }
    ~UpdateScope() {
        close_();
        running_ = false;
    }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    bool& running_;
    std::function<void()> close_;
};

} // namespace

QString modUpdate::LocalVersion() {
    return QStringLiteral(VELLUMO_VERSION_TEXT);
}

modUpdate::modUpdate(modVellumo& state, FtpClient& ChilkatFtp21, QObject* owner, QWidget* btnDownload,
                     UpdateServer server, QString localVersion)
    : state_(state), ftp_(ChilkatFtp21), owner_(owner), btnDownload_(btnDownload), server_(std::move(server)),
      localVersion_(std::move(localVersion)) {}

QString modUpdate::DownloadFolder() const {
    return OperationsFichiers::PathWithSlash(state_.DataFolder()) + TempFolder();
}

QString modUpdate::RemoteVersion(const QString& versionText) {
    return versionText.section(u'|', 0, 0).trimmed();
}

namespace {
// The number a part of a version starts with, as decimal digits without leading zeros ("" for 0, or
// for a part that starts with no digit). Kept as digits so that no length of number overflows.
QString leadingNumber(const QString& part) {
    qsizetype end = 0;
    while (end < part.size() && part.at(end) >= u'0' && part.at(end) <= u'9')
        ++end;
    qsizetype start = 0;
    while (start < end && part.at(start) == u'0')
        ++start;
    return part.mid(start, end - start);
}
} // namespace

int modUpdate::CompareVersions(const QString& localVersion, const QString& remoteVersion) {
    const QStringList local = localVersion.trimmed().split(u'.');
    const QStringList remote = remoteVersion.trimmed().split(u'.');
    for (qsizetype i = 0; i < std::max(local.size(), remote.size()); ++i) {
        const QString a = i < local.size() ? leadingNumber(local.at(i)) : QString();
        const QString b = i < remote.size() ? leadingNumber(remote.at(i)) : QString();
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
        if (const int order = QString::compare(a, b); order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}

void modUpdate::CheckForUpdate() {
    if (running_)
        return;
    UpdateScope scope(running_, [this] { disconnect(); });
    if (!connect())
        return;

    const QString connectionError =
        state_.GetString(txt::UpdateConnectionTitle, QStringLiteral("Erreur de connection..."));
    const QString folderMissing = state_.GetString(
        txt::UpdateFolderMissing, QStringLiteral("Répertoire de Maintenance inaccessible. Ré-essayez ultérieurement"));
    if (!ftp_.changeRemoteFolder(RemoteFolder())) {
        ui().messageBox(folderMissing, mb::OkOnly | mb::Exclamation | mb::SystemModal, connectionError);
        return;
    }
    const QString versionText = ftp_.readRemoteText(VersionFile());
    if (versionText.isEmpty()) {
        ui().messageBox(folderMissing, mb::OkOnly | mb::Exclamation | mb::SystemModal, connectionError);
        return;
    }

    const int order = CompareVersions(localVersion_, RemoteVersion(versionText));
    const QString title = state_.GetString(txt::UpdateTitle, QStringLiteral("Mise à jour..."));
    const QString latest =
        state_.GetString(txt::UpdateLatest,
                         QStringLiteral("Vous disposez de la dernère version d'Vellumo : Version ")) +
        QStringLiteral(" ") + localVersion_;
    if (order > 0) {
        ui().messageBox(latest, mb::OkOnly | mb::Information, title);
        return;
    }
    if (order == 0) {
        const QString again =
            latest + kCrLf +
            state_.GetString(txt::UpdateDownloadAgain, QStringLiteral("Voulez vous retélécharger cette version ?"));
        if (ui().messageBox(again, mb::YesNo | mb::Question, title) != mb::Yes)
            return;
    }

    const QString target = DownloadFolder() + InstallerFile();
    if (!download(target))
        return;
    offerInstall(target);
}

bool modUpdate::connect() {
    ui().doEvents();
    ftp_.setHostName(server_.HostName);
    ftp_.setPort(server_.Port);
    ftp_.setUserName(DecryptWithFixedKey(LoginCipher()));
    ftp_.setPassword(DecryptWithFixedKey(PasswordCipher()));
    ftp_.setPassive(true);
    while (!(connected_ = ftp_.connectToServer())) {
        const int answer = ui().messageBox(
            state_.GetString(txt::UpdateNoConnection,
                             QStringLiteral("Impossible de se connecter aux serveurs Carrowmere. |Vérifiez votre "
                                            "connection Internet. ")),
            mb::RetryCancel | mb::Exclamation | mb::SystemModal,
            state_.GetString(txt::UpdateConnectionTitle, QStringLiteral("Erreur de connection...")));
        if (answer != mb::Retry)
            return false;
    }
    return true;
}

void modUpdate::disconnect() {
    if (!connected_)
        return;
    connected_ = false;
    ftp_.disconnectFromServer();
}

bool modUpdate::download(const QString& target) {
    OperationsFichiers::MakePath(DownloadFolder());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (btnDownload_)
        btnDownload_->setVisible(true);
    const bool done = ftp_.download(InstallerFile(), target);
    if (!done) {
        ui().messageBox(
            state_.GetString(txt::UpdateNotFound, QStringLiteral("La mise à jour n'est pas retrouvée sur les serveurs "
                                                                 "Carrowmere. |Veuiller contacter Carrowmere")),
            mb::OkOnly | mb::Exclamation | mb::SystemModal,
            state_.GetString(txt::UpdateConnectionTitle, QStringLiteral("Erreur de connection...")));
    }
    disconnect();
    QGuiApplication::restoreOverrideCursor();
    if (btnDownload_)
        btnDownload_->setVisible(false);
    return done;
}

void modUpdate::offerInstall(const QString& target) {
    const QString prompt =
        state_.GetString(txt::UpdateDownloaded,
                         QStringLiteral("La mise à jour d'Vellumo à été téléchargée dans le dossier : ")) +
        kCrLf + DownloadFolder() + kCrLf +
        state_.GetString(txt::UpdateInstallAsk, QStringLiteral("Voulez-vous l'installer maintenant ? "));
    if (ui().messageBox(prompt, mb::YesNo | mb::Question | mb::SystemModal,
                        state_.GetString(txt::UpdateTitle, QStringLiteral("Mise à jour..."))) != mb::Yes)
        return;
    // A downloaded file carries no right to run; the user has just asked to run this one.
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner | QFile::ReadOwner);
    QString directory;
    try {
        ShellExecuteOpen(owner_, target, QString(), directory, 1, false, state_.Shell);
    } catch (const RuntimeError&) {
        // Not raised without RaiseErrors.
    }
}

} // namespace vellumo
