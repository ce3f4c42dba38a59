// Windows translated from a language file: captions and tooltips by control name and index, tabs,
// toolbar buttons, and the design texts kept where the file says nothing.
#include "app/ui/window_translation.h"

#include "app/core/mod_localisation.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/language_folder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>

using namespace vellumo;

namespace {

// A toolbar as the translation sees one: ButtonCount and per-button captions and tooltips.
class FakeToolbar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int ButtonCount READ buttonCount)
public:
    using QWidget::QWidget;
    int buttonCount() const { return 5; }
    Q_INVOKABLE void setButtonCaption(int i, const QString& text) { captions[i] = text; }
    Q_INVOKABLE void setButtonToolTipText(int i, const QString& text) { tips[i] = text; }
    std::map<int, QString> captions, tips;
};

// One of our own controls: its caption is a property.
class CaptionControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER caption)
public:
    using QWidget::QWidget;
    QString caption = "design";
};

using test::Localisation;

TEST_F(Localisation, BarBecomesALineBreakInMessagesOnly) {
    language(QStringLiteral("[Strings]\r\nString1=Quit|now\r\nString2=###END###\r\n"
                            "[frmTest]\r\nLabel1=Quit|now\r\n"));
    loc.LoadStrings("Test");
    EXPECT_EQ(loc.GetString(1, "d"), "Quit\r\nnow");
    EXPECT_EQ(loc.GetString(2, QStringLiteral("Êtes-vous sûr ? |Vraiment")),
              QStringLiteral("Êtes-vous sûr ? \r\nVraiment"));
    QWidget window;
    window.setObjectName("frmTest");
    auto* label = new QLabel("design", &window);
    label->setObjectName("Label1");
    ApplyLanguage(loc, &window, "Test");
    EXPECT_EQ(label->text(), "Quit|now");
}

class LocalisedWindow : public Localisation {
protected:
    void SetUp() override {
        Localisation::SetUp();
        window.setObjectName("frmTest");
        window.setWindowTitle("design title");
        label = make<QLabel>("Label2");
        option13 = make<QPushButton>("Option1");
        modLocalisation::SetControlIndex(option13, 3);
        named13 = make<QPushButton>("Option13");
        option10 = make<QPushButton>("Option1");
        modLocalisation::SetControlIndex(option10, 0);
        empty = make<QPushButton>("cmdEmpty");
        edit = make<QLineEdit>("txtPort");
        tabs = make<QTabWidget>("SSTab1");
        for (int i = 0; i < 3; ++i)
            tabs->addTab(new QWidget, QStringLiteral("tab %1").arg(i));
        toolbar = make<FakeToolbar>("TeskToolbar1");
        own = make<CaptionControl>("StatusBar1");
        menu = make<QMenu>("mnuFile");
        quit = new QAction("design", menu);
        quit->setObjectName("mnuQuit");
        menu->addAction(quit);
    }
    template <class W> W* make(const char* name) {
        auto* w = new W(&window);
        w->setObjectName(name);
        if constexpr (std::is_base_of_v<QAbstractButton, W> || std::is_same_v<W, QLabel>)
            w->setText("design");
        return w;
    }
    QWidget window;
    QLabel* label;
    QPushButton *option13, *named13, *option10, *empty;
    QLineEdit* edit;
    QTabWidget* tabs;
    FakeToolbar* toolbar;
    CaptionControl* own;
    QMenu* menu;
    QAction* quit;
};

TEST_F(LocalisedWindow, TranslatesControlsByName) {
    QString text = QStringLiteral("[frmTest]\r\nForm=Options\r\nToolTipText=window tip\r\nLabel2=Port :\r\n"
                                  "Label2ToolTipText=label tip\r\nOption13=thirteen\r\nOption10=zero\r\ncmdEmpty=\r\n"
                                  "txtPort=no caption\r\ntxtPortToolTipText=port tip\r\nStatusBar1=own\r\n"
                                  "mnuFile=&Fichier\r\nmnuQuit=&Quitter\r\nmnuQuitToolTipText=quit tip\r\n"
                                  "[Strings]\r\nString1=###END###\r\n");
    for (int i = 0; i < 4; ++i)
        text += QStringLiteral("SSTab1Tab%1=T%1\r\n").arg(i);
    for (int i = 0; i < 7; ++i)
        text += QStringLiteral("TeskToolbar1ButtonCaption%1=B%1\r\nTeskToolbar1ButtonToolTipText%1=t%1\r\n").arg(i);
    // The window section ends at [Strings]; move the generated keys into it.
    text.replace("[Strings]\r\nString1=###END###\r\n", "");
    language(text);

    ApplyLanguage(loc, &window, "Test");
    EXPECT_EQ(window.windowTitle(), "Options");
    EXPECT_EQ(window.toolTip(), "window tip");
    EXPECT_EQ(label->text(), "Port :");
    EXPECT_EQ(label->toolTip(), "label tip");
    EXPECT_EQ(option13->text(), "thirteen");
    EXPECT_EQ(named13->text(), "thirteen"); // same control key as Option1 index 3
    EXPECT_EQ(option10->text(), "zero");
    EXPECT_EQ(empty->text(), "design"); // an empty value keeps the design text
    EXPECT_EQ(edit->text(), "");        // a text box has no caption
    EXPECT_EQ(edit->toolTip(), "port tip");
    EXPECT_EQ(own->caption, "own");
    EXPECT_EQ(menu->title(), "&Fichier");
    EXPECT_EQ(quit->text(), "&Quitter");
    EXPECT_EQ(quit->toolTip(), "quit tip");
    ASSERT_EQ(tabs->count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(tabs->tabText(i), QStringLiteral("T%1").arg(i));
    ASSERT_EQ(toolbar->captions.size(), 6u); // buttons 0 to ButtonCount
    EXPECT_EQ(toolbar->captions.rbegin()->first, 5);
    EXPECT_EQ(toolbar->captions[0], "B0");
    EXPECT_EQ(toolbar->tips[5], "t5");
}

TEST_F(LocalisedWindow, MissingFileOrSectionChangesNothing) {
    ApplyLanguage(loc, &window, "Nowhere");
    language("[frmOther]\r\nForm=Other\r\nLabel2=other\r\n");
    ApplyLanguage(loc, &window, "Test");
    EXPECT_EQ(window.windowTitle(), "design title");
    EXPECT_EQ(label->text(), "design");
    EXPECT_EQ(tabs->tabText(1), "tab 1");
    EXPECT_TRUE(toolbar->captions.empty());
}

} // namespace

#include "window_translation_test.moc"
