#include "app/windows/dialogs/frm_options.h"

#include "app/core/text_ids.h"
#include "app/ui/push_button.h"
#include "app/ui/window_translation.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/top_most.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#ifndef VELLUMO_VERSION_MAJOR
#define VELLUMO_VERSION_MAJOR 0
#endif
#ifndef VELLUMO_VERSION_MINOR
#define VELLUMO_VERSION_MINOR 0
#endif
#ifndef VELLUMO_VERSION_REVISION
#define VELLUMO_VERSION_REVISION 0
#endif

namespace vellumo {

using OperationsFichiers::IniRead;
using OperationsFichiers::IniWrite;

namespace {
const QString kTitle = QStringLiteral("Vellumo");
const QString kServer = QStringLiteral("Server");
const QString kVellumo = QStringLiteral("Vellumo");
const QString kDefaultPort = QStringLiteral("32666");

struct Row {
    const char* label; // UTF-8
    const char* key;
};
constexpr Row kRows[frmOptions::RowCount] = {
    {"Fenêtre toujours en avant", "IsAlwaysOnTop"},
    {"Démarrer Vellumo avec Windows", "StartWithWindows"},
    {"Crypter l'intégralité des échanges", "CryptAll"},
    {"Afficher les infos-bulles", "ShowBalloon"},
    {"Icôniser Vellumo après l'envoi d'un message", "IconizeAfterSend"},
};

template <typename W> W* named(W* widget, const char* name, int index = -1) {
    widget->setObjectName(QString::fromLatin1(name));
    if (index >= 0)
        modLocalisation::SetControlIndex(widget, index);
    return widget;
}
} // namespace

frmOptions::frmOptions(modVellumo& state, ControlLoader& loader, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildWindow(loader);
}

void frmOptions::buildWindow(ControlLoader& loader) {
    auto* layout = new QVBoxLayout(this);
    SSTab1 = named(new QTabWidget(this), "SSTab1");
    SSTab1->addTab(buildOptionsTab(), QStringLiteral("Options"));
    SSTab1->addTab(buildSecurityTab(), QString::fromUtf8("Sécurité"));
    SSTab1->addTab(buildInfosTab(), QStringLiteral("Infos..."));
    layout->addWidget(SSTab1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdOK = new PushButton(loader, QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
    cmdCancel = new PushButton(loader, QStringLiteral("cmdCancel"), QStringLiteral("Annuler"), this);
    cmdApply = new PushButton(loader, QStringLiteral("cmdApply"), QStringLiteral("Appliquer"), this);
    for (PushButton* b : {cmdOK, cmdCancel, cmdApply}) {
        b->setFixedSize(88, 26);
        buttons->addWidget(b);
    }
    cmdOK->setClick([this] { cmdOK_Click(); });
    cmdCancel->setClick([this] { cmdCancel_Click(); });
    cmdApply->setClick([this] { cmdApply_Click(); });
    // Enter takes the options as OK does, Escape leaves them as Annuler does.
    cmdOK->setDefault(true);
    cmdCancel->setCancel(true);
    layout->addLayout(buttons);
    resize(420, 380);
}

QWidget* frmOptions::buildOptionsTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (int i = 0; i < RowCount; ++i) {
        auto* frame = named(new QGroupBox(QString::fromUtf8(kRows[i].label), page), "Frame1", i);
        auto* row = new QHBoxLayout(frame);
        auto* group = new QButtonGroup(frame); // the two buttons of a row exclude each other only
        Option1[static_cast<std::size_t>(i)] = named(new QRadioButton(QStringLiteral("Oui"), frame), "Option1", i);
        Option2[static_cast<std::size_t>(i)] = named(new QRadioButton(QStringLiteral("Non"), frame), "Option2", i);
        group->addButton(Option1[static_cast<std::size_t>(i)]);
        group->addButton(Option2[static_cast<std::size_t>(i)]);
        row->addWidget(Option1[static_cast<std::size_t>(i)]);
        row->addWidget(Option2[static_cast<std::size_t>(i)]);
        row->addStretch(1);
        Frame1[static_cast<std::size_t>(i)] = frame;
        layout->addWidget(frame);
    }
    layout->addStretch(1);
    return page;
}

QWidget* frmOptions::buildSecurityTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* portFrame = named(new QGroupBox(QStringLiteral("Port de communication"), page), "Frame2");
    auto* portRow = new QHBoxLayout(portFrame);
    txtPort = named(new QLineEdit(portFrame), "txtPort");
    txtPort->setMaximumWidth(100);
    portRow->addWidget(txtPort);
    portRow->addStretch(1);
    layout->addWidget(portFrame);

    auto* passFrame = named(new QGroupBox(QStringLiteral("Mot de passe"), page), "Frame3");
    auto* passLayout = new QVBoxLayout(passFrame);
    auto* passRow = new QHBoxLayout;
    txtPass = named(new QLineEdit(passFrame), "txtPass");
    txtPass->setEchoMode(QLineEdit::Password);
    // Masked with "*", whatever the style's own mask character.
    txtPass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    txtPass->setMaxLength(MaxKeyLength);
    passRow->addWidget(txtPass, 1);
    Image2 = named(new QToolButton(passFrame), "Image2");
    Image2->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    Image2->setAutoRaise(true);
    Image2->setToolTip(QStringLiteral("Afficher ou masquer le mot de passe"));
    connect(Image2, &QToolButton::clicked, this, [this] { Image2_Click(); });
    passRow->addWidget(Image2);
    passLayout->addLayout(passRow);
    auto* note = named(
        new QLabel(QString::fromUtf8("Ce mot de passe doit être identique sur tout le réseau"), passFrame), "Label1");
    note->setWordWrap(true);
    passLayout->addWidget(note);
    layout->addWidget(passFrame);
    layout->addStretch(1);
    return page;
}

QWidget* frmOptions::buildInfosTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* name = named(new QLabel(QStringLiteral("Vellumo"), page), "Label2");
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    layout->addStretch(1);
    layout->addWidget(name);
    Version = named(new QLabel(page), "Version");
    Version->setAlignment(Qt::AlignCenter);
    layout->addWidget(Version);
    auto* line = named(new QLabel(QString::fromUtf8("Messagerie instantanée du réseau local"), page), "Label3");
    line->setAlignment(Qt::AlignCenter);
    layout->addWidget(line);
    layout->addStretch(1);
    return page;
}

QString frmOptions::VersionText() {
    return QStringLiteral("Version : %1.%2.%3")
        .arg(VELLUMO_VERSION_MAJOR)
        .arg(VELLUMO_VERSION_MINOR)
        .arg(VELLUMO_VERSION_REVISION);
}

double frmOptions::LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    double value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return negative ? -value : value;
}

void frmOptions::Form_Load() {
    const AppSettings& settings = state_.Settings;
    if (!settings.CurrentLanguage.isEmpty())
        ApplyLanguage(state_.Localisation, this, settings.CurrentLanguage);
    Version->setText(VersionText());
    if (settings.IsAlwaysOnTop)
        SetTopMost(this);

    // The flags as the program runs with them, not as the file holds them.
    const bool flags[RowCount] = {settings.IsAlwaysOnTop, settings.StartWithWindows, settings.CryptAll,
                                  settings.ShowBalloon, settings.IconizeAfterSend};
    for (int i = 0; i < RowCount; ++i) {
        if (flags[i])
            Option1[static_cast<std::size_t>(i)]->setChecked(true);
        else
            Option2[static_cast<std::size_t>(i)]->setChecked(true);
    }

    const QString file = settings.SettingsFile();
    txtPort->setText(IniRead(kServer, QStringLiteral("Port"), kDefaultPort, file));
    // Without a Key in the file the box stays empty.
    txtPass->setText(DecryptWithFixedKey(IniRead(kServer, QStringLiteral("Key"), QString(), file)));
}

void frmOptions::writeSettings() {
    const QString file = state_.Settings.SettingsFile();
    IniWrite(kServer, QStringLiteral("Port"), txtPort->text(), file);
    IniWrite(kServer, QStringLiteral("Key"), EncryptWithFixedKey(txtPass->text()), file);
    for (int i = 0; i < RowCount; ++i) {
        const bool yes = Option1[static_cast<std::size_t>(i)]->isChecked();
        IniWrite(kVellumo, QString::fromLatin1(kRows[i].key), yes ? QStringLiteral("1") : QStringLiteral("0"), file);
    }
    state_.Settings.ReloadAfterApply(state_.RegistryService);
}

bool frmOptions::cmdApply_Click() {
    if (LeadingNumber(txtPort->text()) == 0)
        txtPort->setText(kDefaultPort);
    // A port the program cannot use is refused before anything is written, so the file keeps the last
    // good settings.
    const QString portText = txtPort->text().trimmed();
    if (!AppSettings::ParsePort(portText)) {
        ui().messageBox(state_.GetString(txt::PortNotANumber,
                                         QString::fromUtf8("Le port de communication doit être un nombre entier "
                                                           "de 1 à 65535.")),
                        mb::Exclamation, kTitle);
        return false;
    }
    txtPort->setText(portText);
    const std::int32_t portBefore = state_.Settings.Port;
    try {
        writeSettings();
    } catch (const RuntimeError& e) {
        // Nothing here is expected to fail; if it does, the user learns it and the program goes on.
        ui().logEvent(EventLogType::Error, kTitle, QStringLiteral("Options: ") + e.description());
        ui().messageBox(state_.GetString(txt::OptionsNotSavedBecause,
                                         QString::fromUtf8("Les options n'ont pas pu être enregistrées : ")) +
                            e.description(),
                        mb::Critical, kTitle);
        return false;
    } catch (const std::exception& e) {
        ui().logEvent(EventLogType::Error, kTitle, QStringLiteral("Options: ") + QString::fromLocal8Bit(e.what()));
        ui().messageBox(
            state_.GetString(txt::OptionsNotSaved, QString::fromUtf8("Les options n'ont pas pu être enregistrées.")),
            mb::Critical, kTitle);
        return false;
    }
    const std::int32_t port = state_.Settings.Port;
    if (serverPort_ && port != portBefore && port != serverPort_()) {
        QString notice = state_.GetString(
            txt::PortAtNextStart, QString::fromUtf8("Le port %1 sera pris au prochain démarrage de Vellumo : "
                                                    "d'ici là, les messages arrivent toujours sur le port %2."));
        ui().messageBox(notice.replace(QStringLiteral("%1"), QString::number(port))
                            .replace(QStringLiteral("%2"), QString::number(serverPort_())),
                        mb::Information, kTitle);
    }
    return true;
}

void frmOptions::cmdOK_Click() {
    if (cmdApply_Click())
        close();
}

void frmOptions::cmdCancel_Click() {
    close();
}

void frmOptions::Image2_Click() {
    txtPass->setEchoMode(txtPass->echoMode() == QLineEdit::Password ? QLineEdit::Normal : QLineEdit::Password);
}

} // namespace vellumo
