// The network browser over a fake neighbourhood fed with a tree (nothing goes on a network): what the
// tree shows, the computer-only check rules, the names handed to the compose window either way it was
// opened, failing enumerations, duplicate keys, and refresh or close in the middle of an enumeration.
#include "app/windows/dialogs/frm_net_work_explorer.h"

#include "tests/support/event_loop.h"
#include "tests/support/fake_network_neighbourhood.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace vellumo {
namespace {

using Node = test::FakeNetworkNeighbourhood::Node;

class BrowserTest : public ::testing::Test, protected test::WindowFixture {
protected:
    BrowserTest() : netScope(net) {
        makeState();
        windows = &net.top.provider("Microsoft Windows Network");
        Node& workgroup = windows->workgroup("WORKGROUP");
        workgroup.computer("PC01").diskShare("docs");
        workgroup.computer("PC02");
        Node& office = windows->workgroup("OFFICE");
        office.computer("PC03");
        Node& other = net.top.provider("Web Client Network");
        other.workgroup("WEB").computer("WEBPC");
    }

    frmNetWorkExplorer& open() {
        window = std::make_unique<frmNetWorkExplorer>(*state, *loader);
        window->setComposeRecipients([this](const QString& list) { composeLine = list; });
        window->setOpenCompose([this](const QString& list) { openedWith = list; });
        return *window;
    }

    frmNetWorkExplorer& browse() {
        frmNetWorkExplorer& w = open();
        w.show();
        EXPECT_TRUE(test::waitUntil([&] { return !w.tree().isHidden() && !w.enumerating(); }, 5000));
        return w;
    }

    // The tree as "text/image" lines, indented by depth.
    QStringList shape() const {
        QStringList lines;
        std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
            lines << QString(depth * 2, u' ') + item->text(0) + u'/' +
                         QString::number(item->data(0, frmNetWorkExplorer::ImageRole).toInt());
            EXPECT_TRUE(item->isExpanded() || item->childCount() == 0);
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i), depth + 1);
        };
        for (int i = 0; i < window->tree().topLevelItemCount(); ++i)
            walk(window->tree().topLevelItem(i), 0);
        return lines;
    }

    QTreeWidgetItem* node(const char* key) const { return window->node(QString::fromLatin1(key)); }
    void check(const char* key) const { node(key)->setCheckState(0, Qt::Checked); }

    test::FakeNetworkNeighbourhood net;
    ScopedNetworkNeighbourhood netScope;
    Node* windows = nullptr;
    std::unique_ptr<frmNetWorkExplorer> window;
    std::optional<QString> composeLine;
    std::optional<QString> openedWith;
};

TEST_F(BrowserTest, TheFirstActivationListsTheWindowsNetworkItsWorkgroupsAndTheirComputers) {
    frmNetWorkExplorer& w = open();
    EXPECT_TRUE(w.tree().isHidden());
    w.show();
    ASSERT_TRUE(test::waitUntil([&] { return !w.tree().isHidden() && !w.enumerating(); }, 5000));

    // The other provider gets no node and is never opened; computers are not opened (no shares).
    EXPECT_EQ(shape(), (QStringList{QStringLiteral("Microsoft Windows Network/7"), QStringLiteral("  WORKGROUP/2"),
                                    QStringLiteral("    PC01/3"), QStringLiteral("    PC02/3"),
                                    QStringLiteral("  OFFICE/2"), QStringLiteral("    PC03/3")}));
    EXPECT_EQ(net.opened, (std::vector<QByteArray>{"", "Microsoft Windows Network", "WORKGROUP", "OFFICE"}));
    QTreeWidgetItem* pc01 = node("Microsoft Windows NetworkWORKGROUPPC01");
    ASSERT_NE(pc01, nullptr);
    EXPECT_EQ(pc01->data(0, frmNetWorkExplorer::TagRole).toString(), QStringLiteral("PC01"));
    EXPECT_EQ(node("Microsoft Windows NetworkWORKGROUP")->data(0, frmNetWorkExplorer::TagRole).toString(),
              QStringLiteral("WORKGROUP"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Explorateur réseau"));

    // A second activation does not enumerate again; refresh does.
    const std::size_t opened = net.opened.size();
    w.Form_Activate();
    w.hide();
    w.show();
    test::runEventLoopFor(50);
    EXPECT_EQ(net.opened.size(), opened);
    w.TeskButtonConcept1_Click();
    EXPECT_EQ(net.opened.size(), 2 * opened);
    EXPECT_EQ(shape().size(), 6);
}

TEST_F(BrowserTest, ValiderFromComposeReplacesItsLineWithTheCheckedComputersOnly) {
    state->OpenedFromCompose = true;
    frmNetWorkExplorer& w = browse();
    check("Microsoft Windows NetworkOFFICEPC03");
    check("Microsoft Windows NetworkWORKGROUPPC01");
    check("Microsoft Windows NetworkWORKGROUP"); // a domain: ignored
    check("Microsoft Windows Network");          // the provider: ignored
    w.Btn_Valider_Click();
    EXPECT_EQ(composeLine, QStringLiteral("PC01;PC03;")); // tree order, not check order
    EXPECT_FALSE(openedWith.has_value());
    EXPECT_FALSE(state->OpenedFromCompose);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(BrowserTest, ValiderFromTheMainWindowOpensComposeWithTheLine) {
    frmNetWorkExplorer& w = browse();
    check("Microsoft Windows NetworkWORKGROUPPC01");
    check("Microsoft Windows NetworkWORKGROUPPC02");
    w.Btn_Valider_Click();
    EXPECT_EQ(openedWith, QStringLiteral("PC01;PC02;"));
    EXPECT_FALSE(composeLine.has_value());
}

TEST_F(BrowserTest, ValiderWithNothingCheckedEmptiesTheLineAndAnnulerHandsNothing) {
    state->OpenedFromCompose = true;
    browse().Btn_Valider_Click();
    EXPECT_EQ(composeLine, QString());

    composeLine.reset();
    state->OpenedFromCompose = true;
    frmNetWorkExplorer& again = browse();
    check("Microsoft Windows NetworkWORKGROUPPC01");
    again.Btn_Annuler_Click();
    EXPECT_FALSE(composeLine.has_value());
    EXPECT_FALSE(openedWith.has_value());
    EXPECT_FALSE(state->OpenedFromCompose);

    // Escape is a close too.
    state->OpenedFromCompose = true;
    frmNetWorkExplorer& third = browse();
    third.reject();
    EXPECT_FALSE(third.isVisible());
    EXPECT_FALSE(state->OpenedFromCompose);
}

TEST_F(BrowserTest, AClickTogglesSelectedComputersOnly) {
    frmNetWorkExplorer& w = browse();
    QTreeWidgetItem* pc02 = node("Microsoft Windows NetworkWORKGROUPPC02");
    QTreeWidgetItem* office = node("Microsoft Windows NetworkOFFICE");
    pc02->setSelected(true);
    office->setSelected(true);
    w.tvw_Click();
    EXPECT_EQ(pc02->checkState(0), Qt::Checked);
    EXPECT_EQ(office->checkState(0), Qt::Unchecked);
    w.tvw_Click();
    EXPECT_EQ(pc02->checkState(0), Qt::Unchecked);
}

struct FailureCase {
    const char* name;
    std::function<void(test::FakeNetworkNeighbourhood&, Node& windows)> fail;
    QStringList shape;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class BrowserFailureTest : public BrowserTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BrowserFailureTest, AFailingLevelEndsSilentlyAndKeepsWhatWasAdded) {
    GetParam().fail(net, *windows);
    frmNetWorkExplorer& w = browse();
    EXPECT_EQ(shape(), GetParam().shape);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w.tree().isHidden());
}

const FailureCase kFailures[] = {
    {"TopCannotBeOpened", [](auto& n, Node&) { n.top.openError = netres::NoNetwork; }, {}},
    {"TopCannotBeRead", [](auto& n, Node&) { n.top.readError = netres::ExtendedError; }, {}},
    {"ProviderCannotBeOpened",
     [](auto&, Node& w) { w.openError = netres::AccessDenied; },
     {QStringLiteral("Microsoft Windows Network/7")}},
    {"WorkgroupCannotBeRead",
     [](auto&, Node& w) { w.children[0]->readError = netres::BadNetPath; },
     {QStringLiteral("Microsoft Windows Network/7"), QStringLiteral("  WORKGROUP/2"), QStringLiteral("  OFFICE/2"),
      QStringLiteral("    PC03/3")}},
    {"EmptyNeighbourhood", [](auto& n, Node&) { n.top.children.clear(); }, {}},
};
INSTANTIATE_TEST_SUITE_P(Levels, BrowserFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowserTest, ADuplicateKeyGetsNoNodeAndTheOthersStay) {
    // Domain AB with computer C and domain A with computer BC make the same key.
    windows->workgroup("AB").computer("C");
    windows->workgroup("A").computer("BC");
    browse();
    const QStringList lines = shape();
    EXPECT_TRUE(lines.contains(QStringLiteral("    C/3")));
    EXPECT_FALSE(lines.contains(QStringLiteral("    BC/3")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  A/2")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    PC03/3")));
}

TEST_F(BrowserTest, ClosingInTheMiddleStopsTheEnumeration) {
    state->OpenedFromCompose = true;
    frmNetWorkExplorer& w = open();
    // Close while the first workgroup is being read.
    net.onRead = [&] {
        if (net.opened.back() == "WORKGROUP")
            w.close();
    };
    w.show();
    ASSERT_TRUE(test::waitUntil([&] { return net.reads > 0 && !w.enumerating(); }, 5000));
    EXPECT_FALSE(state->OpenedFromCompose);
    // At most the node being added when the close came: nothing of OFFICE.
    EXPECT_EQ(w.node(QStringLiteral("Microsoft Windows NetworkOFFICE")), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(BrowserTest, RefreshInTheMiddleLeavesOneTreeOnly) {
    frmNetWorkExplorer& w = open();
    bool refreshed = false;
    net.onRead = [&] {
        if (!refreshed && net.opened.back() == "OFFICE") {
            refreshed = true;
            w.TeskButtonConcept1_Click();
        }
    };
    w.show();
    ASSERT_TRUE(test::waitUntil([&] { return refreshed && !w.enumerating(); }, 5000));
    EXPECT_EQ(shape().size(), 6);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(BrowserTest, DeletingTheWindowInTheMiddleIsSafe) {
    frmNetWorkExplorer& w = open();
    net.onRead = [&] {
        if (net.opened.back() == "WORKGROUP")
            QMetaObject::invokeMethod(
                &w, [this] { window.reset(); }, Qt::QueuedConnection);
    };
    w.show();
    ASSERT_TRUE(test::waitUntil([&] { return !window; }, 5000));
    test::runEventLoopFor(20);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

struct NameCase {
    const char* name;
    QString input;
    QString expected;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class ParseNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ParseNameTest, TakesTheTextAfterTheLastBackslash) {
    EXPECT_EQ(frmNetWorkExplorer::ParseName(GetParam().input), GetParam().expected);
}

const NameCase kNames[] = {
    {"Computer", QStringLiteral("\\\\PC01"), QStringLiteral("PC01")},
    {"Share", QStringLiteral("\\\\PC01\\docs"), QStringLiteral("docs")},
    {"NoBackslash", QStringLiteral("WORKGROUP"), QStringLiteral("WORKGROUP")},
    {"TrailingBackslash", QStringLiteral("\\\\PC01\\"), QString()},
    {"Empty", QString(), QString()},
};
INSTANTIATE_TEST_SUITE_P(Names, ParseNameTest, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PtrToStringTest, StopsAtTheFirstNulAndReadsAnsi) {
    EXPECT_EQ(frmNetWorkExplorer::PtrToString(QByteArray()), QString());
    EXPECT_EQ(frmNetWorkExplorer::PtrToString(QByteArray("\\\\PC\xE9\0junk", 9)), QStringLiteral("\\\\PCé"));
}

TEST_F(BrowserTest, TheWindowIsTranslatedFromTheLanguageFile) {
    state->Settings.CurrentLanguage = QStringLiteral("English");
    EXPECT_EQ(browse().windowTitle(), QStringLiteral("Network explorer"));
}

TEST_F(BrowserTest, Screenshot) {
    frmNetWorkExplorer& w = browse();
    check("Microsoft Windows NetworkWORKGROUPPC02");
    node("Microsoft Windows NetworkWORKGROUPPC01")->setSelected(true);
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/network_browser.png")));
}

} // namespace
} // namespace vellumo
