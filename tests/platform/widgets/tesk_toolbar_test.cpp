#include "platform/widgets/tesk_toolbar.h"

#include "platform/runtime/runtime_error.h"
#include "platform/widgets/toolbar_picture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vellumo;

namespace {

// The main window's toolbar: 24 numbered buttons, some of them separators.
class TeskToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 24; ++i) {
            const int index = (i == 4 || i == 8 || i == 14) ? bar.addSeparatorButton()
                                                            : bar.addButton(QStringLiteral("K%1").arg(i), QIcon(),
                                                                            QStringLiteral("tip %1").arg(i));
            ASSERT_EQ(index, i);
        }
        bar.setButtonClickHandler([this](const TeskToolbar::Button& b) { clicks.push_back(b); });
    }

    static void expectOutOfBounds(const std::function<void()>& call) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), err::OutOfRange);
            EXPECT_EQ(e.source(), "TeskToolbar");
            EXPECT_EQ(e.description(), "Index out of bounds");
        }
    }

    TeskToolbar bar;
    std::vector<TeskToolbar::Button> clicks;
};

TEST_F(TeskToolbarTest, ButtonsAreNumberedFromOneInTheOrderAdded) {
    EXPECT_EQ(bar.buttonCount(), 24);
    EXPECT_EQ(bar.buttonKey(1), "K1");
    EXPECT_EQ(bar.buttonKey(24), "K24");
    EXPECT_EQ(bar.buttonToolTipText(13), "tip 13");
    EXPECT_TRUE(bar.isSeparator(4));
    EXPECT_FALSE(bar.isSeparator(5));
    EXPECT_EQ(bar.actions().indexOf(bar.buttonAction(13)), 12);
}

TEST_F(TeskToolbarTest, ClickByIndexGivesNumberAndKey) {
    EXPECT_TRUE(bar.clickButton(13));
    EXPECT_TRUE(bar.clickButton(1));
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].index, 13);
    EXPECT_EQ(clicks[0].key, "K13");
    EXPECT_EQ(clicks[1].index, 1);
}

TEST_F(TeskToolbarTest, AUsersClickOnTheToolButtonGivesTheSame) {
    auto* button = qobject_cast<QToolButton*>(bar.widgetForAction(bar.buttonAction(12)));
    ASSERT_NE(button, nullptr);
    button->click();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].index, 12);
    EXPECT_EQ(clicks[0].key, "K12");
}

TEST_F(TeskToolbarTest, DisabledHiddenAndSeparatorButtonsDoNotClick) {
    for (int i : {13, 12, 11, 10, 9})
        bar.setButtonEnabled(i, false);
    EXPECT_FALSE(bar.buttonEnabled(11));
    EXPECT_TRUE(bar.buttonEnabled(15));
    EXPECT_FALSE(bar.clickButton(11));
    bar.setButtonVisible(24, false);
    EXPECT_FALSE(bar.buttonVisible(24));
    EXPECT_FALSE(bar.clickButton(24));
    EXPECT_FALSE(bar.clickButton(8));
    EXPECT_TRUE(clicks.empty());
    bar.setButtonEnabled(11, true);
    EXPECT_TRUE(bar.clickButton(11));
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(TeskToolbarTest, NumbersOutsideTheToolbarAreAnError) {
    expectOutOfBounds([this] { bar.setButtonEnabled(0, true); });
    expectOutOfBounds([this] { bar.setButtonCaption(25, QStringLiteral("x")); });
    expectOutOfBounds([this] { bar.clickButton(-1); });
    expectOutOfBounds([this] { (void)bar.buttonToolTipText(25); });
    EXPECT_TRUE(clicks.empty());
}

TEST_F(TeskToolbarTest, CaptionsTooltipsAndPicturesCanBeReplaced) {
    bar.setButtonCaption(2, QStringLiteral("Répondre"));
    bar.setButtonToolTipText(2, QStringLiteral("Répondre à l'expéditeur"));
    QPixmap red(16, 16);
    red.fill(Qt::red);
    bar.setButtonPicture(2, QIcon(red));
    EXPECT_EQ(bar.buttonCaption(2), "Répondre");
    EXPECT_EQ(bar.buttonToolTipText(2), "Répondre à l'expéditeur");
    EXPECT_EQ(bar.buttonAction(2)->toolTip(), "Répondre à l'expéditeur");
    EXPECT_FALSE(bar.buttonAction(2)->icon().isNull());
}

TEST(TeskToolbar, HandlerMayDeleteTheToolbar) {
    auto* bar = new TeskToolbar;
    bar->addButton(QStringLiteral("Quit"));
    int calls = 0;
    bar->setButtonClickHandler([&](const TeskToolbar::Button& b) {
        ++calls;
        EXPECT_EQ(b.key, "Quit");
        delete bar;
    });
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(bar->buttonAction(1)));
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(calls, 1);
}

} // namespace

// ---- pictures of a designed toolbar -----------------------------------------------------------------

namespace {

// A desktop icon theme of one picture, edit-cut, all magenta; the theme in force while it lives.
class OnePictureTheme {
public:
    OnePictureTheme() : paths_(QIcon::themeSearchPaths()), name_(QIcon::themeName()) {
        QDir(dir_.path()).mkpath(QStringLiteral("VellumoTest/16x16/actions"));
        QFile index(dir_.path() + QStringLiteral("/VellumoTest/index.theme"));
        if (index.open(QIODevice::WriteOnly))
            index.write("[Icon Theme]\nName=VellumoTest\nDirectories=16x16/actions\n\n"
                        "[16x16/actions]\nSize=16\nContext=Actions\nType=Fixed\n");
        index.close();
        QImage cut(16, 16, QImage::Format_ARGB32);
        cut.fill(QColor(255, 0, 255));
        cut.save(dir_.path() + QStringLiteral("/VellumoTest/16x16/actions/edit-cut.png"));
        QIcon::setThemeSearchPaths({dir_.path()});
        QIcon::setThemeName(QStringLiteral("VellumoTest"));
    }
    ~OnePictureTheme() {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setThemeName(name_);
    }

private:
    QTemporaryDir dir_;
    QStringList paths_;
    QString name_;
};

QRgb centre(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixel(8, 8);
}

} // namespace

TEST(TeskToolbarPictures, TheDesktopThemeGivesThePictureByItsStandardNameElseAFallback) {
    OnePictureTheme theme;
    const DesignedButton design[] = {
        {"Cut", "edit-cut", "Couper", false},
        {"Paste", "edit-paste", "Coller", false},
        {nullptr, nullptr, nullptr, false},
        {"Spare", nullptr, "", true},
    };
    TeskToolbar bar;
    bar.addDesignedButtons(design);
    ASSERT_EQ(bar.buttonCount(), 4);
    EXPECT_EQ(bar.buttonPictureName(1), QStringLiteral("edit-cut"));
    EXPECT_EQ(centre(bar.buttonAction(1)->icon()), qRgb(255, 0, 255)); // the theme's own
    EXPECT_EQ(bar.buttonPictureName(2), QStringLiteral("edit-paste"));
    ASSERT_FALSE(bar.buttonAction(2)->icon().isNull()); // the theme lacks it: the drawn one
    EXPECT_EQ(bar.buttonAction(2)->icon().pixmap(16, 16).toImage(),
              ToolbarPictureFallback(QStringLiteral("edit-paste")).pixmap(16, 16).toImage());
    EXPECT_EQ(bar.buttonToolTipText(2), QStringLiteral("Coller"));
    EXPECT_TRUE(bar.buttonPictureName(4).isEmpty());
    EXPECT_TRUE(bar.buttonAction(4)->icon().isNull());
}

class PictureFallback : public ::testing::TestWithParam<const char*> {};

TEST_P(PictureFallback, EveryNameTheWindowsUseHasOne) {
    const QIcon icon = ToolbarPictureFallback(QString::fromLatin1(GetParam()));
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(24, 24).toImage();
    ASSERT_FALSE(image.isNull());
    // Something is drawn: not one colour all over.
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; ++y)
        for (int x = 0; x < image.width() && !varied; ++x)
            varied = image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_TRUE(varied);
}

INSTANTIATE_TEST_SUITE_P(Names, PictureFallback,
                         ::testing::Values("mail-message-new", "mail-send", "mail-reply-sender", "mail-reply-all",
                                           "edit-cut", "edit-copy", "edit-paste", "face-smile", "preferences-system",
                                           "applications-utilities", "document-open-recent", "go-first", "go-previous",
                                           "go-next", "go-last", "edit-delete", "window-close", "application-exit",
                                           "network-workgroup", "window-minimize"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-')
                                     c = '_';
                             return name;
                         });
