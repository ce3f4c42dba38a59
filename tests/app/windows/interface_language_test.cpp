// Every window in one language: opened with no language (the design), with French and with English
// from the language files that ship, the texts it shows (title, captions, labels, tabs, menus, list
// headers, tooltips, the toolbar's tooltips) are gathered by control. French gives back the design
// exactly; English leaves no design text untranslated but those that read the same in both; every
// toolbar button, and every push button that shows a sign rather than a word, has a tooltip; no push
// button is squashed out of sight, and no one-line label is narrower than its caption. The French and English
// screenshots of each window go to build/screenshots/ (language_<window>_<language>.png).
#include "app/core/mod_vellumo.h"
#include "app/messaging/lan_server_source.h"
#include "app/station/station.h"
#include "app/store/message_store.h"
#include "app/ui/push_button.h"
#include "app/windows/compose/frm_send_message.h"
#include "app/windows/dialogs/frm_net_work_explorer.h"
#include "app/windows/dialogs/frm_options.h"
#include "app/windows/dialogs/frm_purge.h"
#include "app/windows/dialogs/frm_vellumo_explorer.h"
#include "app/windows/history/frm_sended_messages.h"
#include "app/windows/main/frm_main.h"
#include "platform/net/name_resolver.h"
#include "platform/widgets/tesk_toolbar.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_name_resolver.h"
#include "tests/support/fake_network_neighbourhood.h"
#include "tests/support/fake_probe_network.h"
#include "tests/support/recording_sender_reports.h"
#include "tests/support/window_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace vellumo {
namespace {

using Texts = std::map<QString, QString>;

// Texts that read the same in French and in English.
const std::set<QString> kSameInBoth = {
    QStringLiteral("Vellumo"), QStringLiteral("Options"), QStringLiteral("OK"),  QStringLiteral("Date :"),
    QStringLiteral("?"),       QStringLiteral("..."),     QStringLiteral("*"),   QStringLiteral("@"),
    QStringLiteral("X"),       QStringLiteral("A"),       QStringLiteral(":)"),  QStringLiteral(":-)"),
    QStringLiteral("I"),       QStringLiteral("[<"),      QStringLiteral("[=]"), QStringLiteral(">]"),
    QStringLiteral("Systray"), frmOptions::VersionText(),
};

// What the window shows, by control key ("<name><index>", then what the text is).
Texts shownTexts(QWidget& window) {
    Texts t;
    auto put = [&t](const QString& key, const QString& text) {
        if (!text.trimmed().isEmpty())
            t[key] = text;
    };
    put(QStringLiteral("Form"), window.windowTitle());
    for (QObject* o : window.findChildren<QObject*>()) {
        const QString name = o->objectName();
        // The language items are the languages' own names.
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || name == QLatin1String("mnuLocalize"))
            continue;
        const QString key = name + modLocalisation::GetControlIndex(o);
        if (auto* w = qobject_cast<QWidget*>(o))
            put(key + QStringLiteral(".tip"), w->toolTip());
        if (auto* p = qobject_cast<PushButton*>(o))
            put(key, p->caption());
        else if (auto* b = qobject_cast<QAbstractButton*>(o))
            put(key, b->text());
        else if (auto* l = qobject_cast<QLabel*>(o))
            put(key, l->text());
        else if (auto* g = qobject_cast<QGroupBox*>(o))
            put(key, g->title());
        else if (auto* m = qobject_cast<QMenu*>(o))
            put(key + QStringLiteral(".menu"), m->title());
        else if (auto* a = qobject_cast<QAction*>(o))
            put(key + QStringLiteral(".action"), a->text());
        if (auto* tabs = qobject_cast<QTabWidget*>(o))
            for (int i = 0; i < tabs->count(); ++i)
                put(key + QStringLiteral(".tab") + QString::number(i), tabs->tabText(i));
        if (auto* tree = qobject_cast<QTreeWidget*>(o); tree && !tree->header()->isHidden())
            put(key + QStringLiteral(".header"), tree->headerItem()->text(0));
        if (auto* bar = qobject_cast<TeskToolbar*>(o))
            for (int i = 1; i <= bar->buttonCount(); ++i)
                put(key + QStringLiteral(".button") + QString::number(i), bar->buttonToolTipText(i));
    }
    return t;
}

// The buttons without a tooltip: visible toolbar buttons, and push buttons that show a picture or a
// sign rather than a word ("@", "...", "?", none).
QStringList buttonsWithoutTip(QWidget& window) {
    QStringList missing;
    for (TeskToolbar* bar : window.findChildren<TeskToolbar*>())
        for (int i = 1; i <= bar->buttonCount(); ++i)
            if (!bar->isSeparator(i) && bar->buttonVisible(i) && bar->buttonToolTipText(i).isEmpty())
                missing << bar->objectName() + QStringLiteral(" button ") + QString::number(i);
    for (PushButton* button : window.findChildren<PushButton*>())
        if (button->caption().size() < 4 && button->caption() != QLatin1String("OK") && button->toolTip().isEmpty())
            missing << button->objectName() + modLocalisation::GetControlIndex(button) + QStringLiteral(" \"") +
                           button->caption() + u'"';
    return missing;
}

// The push buttons the layout left no room for.
QStringList squashedButtons(QWidget& window) {
    QStringList squashed;
    for (PushButton* button : window.findChildren<PushButton*>())
        if (button->isVisibleTo(&window) && (button->height() < 16 || button->width() < 16))
            squashed << button->objectName() + modLocalisation::GetControlIndex(button);
    return squashed;
}

// The one-line labels whose caption does not fit their width: the end of the text is cut off.
QStringList cutLabels(QWidget& window) {
    QStringList cut;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->wordWrap() || label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const int needed = label->fontMetrics().horizontalAdvance(label->text().remove(u'&'));
        const QMargins m = label->contentsMargins();
        if (needed > label->width() - m.left() - m.right() - 2 * label->margin())
            cut << label->objectName() + QStringLiteral(" \"") + label->text() + QStringLiteral("\"");
    }
    return cut;
}

struct WindowCase {
    const char* name;
    const char* window;
    // Toolbar buttons and the standard icon name of their picture.
    std::vector<std::pair<int, const char*>> pictures;
};

class InterfaceLanguage : public ::testing::TestWithParam<WindowCase>, protected test::WindowFixture {
protected:
    InterfaceLanguage() : resolverScope(resolver), netScope(neighbourhood) {}

    // Opens the window with the language ("" for none) as the program would, shown.
    QWidget& open(const QString& language) {
        windows.clear();
        mainWindow.reset();
        station.reset();
        folder.writeSettings(test::freeLoopbackPort(), QStringLiteral("[Vellumo]\r\nLanguage=") + language);
        makeState();
        const QString which = QString::fromLatin1(GetParam().window);
        if (which == QLatin1String("frmMain")) {
            addMessage();
            station = std::make_unique<Station>(*state);
            EXPECT_TRUE(station->Start());
            mainWindow = std::make_unique<frmMain>(*station, *loader);
            mainWindow->setEndProcess([] {});
            mainWindow->Form_Load();
            EXPECT_EQ(state->Settings.CurrentLanguage, language);
            mainWindow->show();
            return *mainWindow;
        }
        state->Settings.CurrentLanguage = language;
        if (!language.isEmpty())
            state->Localisation.LoadStrings(language);
        QWidget* w = nullptr;
        if (which == QLatin1String("frmOptions")) {
            auto* options = new frmOptions(*state, *loader);
            options->Form_Load();
            w = options;
        } else if (which == QLatin1String("frmPurge")) {
            database.emplace(MessageStore::openMessages(folder.path()));
            auto* purge = new frmPurge(*state, *loader, *database);
            purge->Form_Load();
            w = purge;
        } else if (which == QLatin1String("frmSendMessage")) {
            w = new frmSendMessage(*state, *loader, reports, lan, nullptr);
        } else if (which == QLatin1String("frmSendedMessages")) {
            auto* history = new frmSendedMessages(*state, *loader);
            history->Form_Load();
            w = history;
        } else if (which == QLatin1String("frmVellumoExplorer")) {
            w = new frmVellumoExplorer(*state, *loader, nullptr, probes.factory());
        } else {
            w = new frmNetWorkExplorer(*state, *loader);
        }
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        windows.emplace_back(w);
        w->show();
        // The two recipient sources look for stations once shown (nothing here): their end state.
        if (auto* scan = qobject_cast<frmVellumoExplorer*>(w)) {
            EXPECT_TRUE(test::waitUntil([scan] { return scan->scansEnded() > 0; }, 10000));
        }
        if (auto* browser = qobject_cast<frmNetWorkExplorer*>(w)) {
            EXPECT_TRUE(test::waitUntil([browser] { return !browser->enumerating(); }, 10000));
        }
        return *w;
    }

    // One received message for the main window to show (once).
    void addMessage() {
        Database db = MessageStore::openMessages(folder.path());
        auto rs = db.openRecordset(QStringLiteral("Recived"));
        if (rs->recordCount() == 0) {
            rs->addNew();
            rs->setField(QStringLiteral("FROM"), QStringLiteral("POSTE-COMPTA"));
            rs->setField(QStringLiteral("TO"), QStringLiteral("POSTE-ACCUEIL;"));
            rs->setField(QStringLiteral("OnDate"), QStringLiteral("10/12/2026 à 09:15:00"));
            rs->setField(QStringLiteral("ReceiptDate"), QDateTime::currentDateTime());
            rs->setField(QStringLiteral("Text"), QStringLiteral("Bonjour"));
            rs->setField(QStringLiteral("RTF"), QStringLiteral("{\\rtf1 Bonjour}"));
            rs->update();
        }
        rs.reset();
        db.close();
    }

    void screenshot(QWidget& w, const char* language) {
        test::runEventLoopFor(50);
        const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
        QDir().mkpath(dir);
        EXPECT_TRUE(
            w.grab().save(dir + QStringLiteral("/language_%1_%2.png")
                                    .arg(QString::fromLatin1(GetParam().window), QString::fromLatin1(language))));
    }

    test::FakeNameResolver resolver;
    ScopedNameResolver resolverScope;
    test::FakeNetworkNeighbourhood neighbourhood;
    ScopedNetworkNeighbourhood netScope;
    test::FakeProbeNetwork probes;
    test::RecordingSenderReports reports;
    NoLanServers lan;
    std::optional<Database> database;
    std::unique_ptr<Station> station;
    std::unique_ptr<frmMain> mainWindow;
    std::vector<std::unique_ptr<QWidget>> windows;
};

TEST_P(InterfaceLanguage, FrenchIsTheDesignAndEnglishLeavesNoFrench) {
    const Texts design = shownTexts(open(QString()));
    ASSERT_FALSE(design.empty());

    QWidget& french = open(QStringLiteral("French"));
    screenshot(french, "french");
    const Texts frenchTexts = shownTexts(french);
    EXPECT_TRUE(buttonsWithoutTip(french).isEmpty()) << buttonsWithoutTip(french).join(u',').toStdString();
    EXPECT_TRUE(squashedButtons(french).isEmpty()) << squashedButtons(french).join(u',').toStdString();
    EXPECT_TRUE(cutLabels(french).isEmpty()) << cutLabels(french).join(u',').toStdString();
    for (const auto& [key, text] : design) {
        const auto it = frenchTexts.find(key);
        EXPECT_TRUE(it != frenchTexts.end() && it->second == text)
            << key.toStdString() << ": design \"" << text.toStdString() << "\", French \""
            << (it == frenchTexts.end() ? std::string("<none>") : it->second.toStdString()) << "\"";
    }

    QWidget& english = open(QStringLiteral("English"));
    screenshot(english, "english");
    const Texts englishTexts = shownTexts(english);
    EXPECT_TRUE(buttonsWithoutTip(english).isEmpty()) << buttonsWithoutTip(english).join(u',').toStdString();
    EXPECT_TRUE(cutLabels(english).isEmpty()) << cutLabels(english).join(u',').toStdString();
    for (const auto& [key, text] : design) {
        const auto it = englishTexts.find(key);
        if (it == englishTexts.end() || kSameInBoth.count(text))
            continue;
        EXPECT_TRUE(it->second != text) << key.toStdString() << " is not translated: \"" << text.toStdString() << "\"";
    }
}

TEST_P(InterfaceLanguage, ToolbarPicturesSayWhatTheButtonsDo) {
    QWidget& w = open(QString());
    auto* bar = w.findChild<TeskToolbar*>(QStringLiteral("TeskToolbar1"));
    ASSERT_EQ(bar != nullptr, !GetParam().pictures.empty());
    for (const auto& [button, picture] : GetParam().pictures) {
        EXPECT_EQ(bar->buttonPictureName(button), QString::fromLatin1(picture)) << button;
        EXPECT_FALSE(bar->buttonAction(button)->icon().isNull()) << button;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, InterfaceLanguage,
                         ::testing::Values(WindowCase{"main",
                                                      "frmMain",
                                                      {{1, "mail-message-new"},
                                                       {2, "mail-reply-sender"},
                                                       {3, "mail-reply-all"},
                                                       {5, "edit-copy"},
                                                       {9, "go-first"},
                                                       {10, "go-previous"},
                                                       {11, "go-next"},
                                                       {12, "go-last"},
                                                       {13, "edit-delete"},
                                                       {15, "document-open-recent"},
                                                       {17, "network-workgroup"},
                                                       {19, "preferences-system"},
                                                       {20, "applications-utilities"},
                                                       {22, "application-exit"},
                                                       {24, "window-minimize"}}},
                                           WindowCase{"options", "frmOptions", {}}, WindowCase{"purge", "frmPurge", {}},
                                           WindowCase{"compose",
                                                      "frmSendMessage",
                                                      {{1, "mail-send"},
                                                       {3, "network-workgroup"},
                                                       {5, "edit-cut"},
                                                       {6, "edit-copy"},
                                                       {7, "edit-paste"},
                                                       {9, "face-smile"},
                                                       {19, "window-close"}}},
                                           WindowCase{"history",
                                                      "frmSendedMessages",
                                                      {{1, "mail-message-new"},
                                                       {2, "mail-send"},
                                                       {3, "mail-reply-all"},
                                                       {5, "edit-copy"},
                                                       {6, "edit-cut"},
                                                       {7, "edit-paste"},
                                                       {9, "go-first"},
                                                       {10, "go-previous"},
                                                       {11, "go-next"},
                                                       {12, "go-last"},
                                                       {13, "edit-delete"},
                                                       {22, "window-close"}}},
                                           WindowCase{"peer_scan", "frmVellumoExplorer", {}},
                                           WindowCase{"network_browser", "frmNetWorkExplorer", {}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
