// The push button of a window over the button library: in a layout it keeps the size of a dialog
// button of the design, wider for a long caption, also with the library's button (which says nothing
// of its own size).
#include "app/ui/push_button.h"

#include "platform/hosting/control_loader.h"
#include "tests/support/program_folder.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

struct SizeCase {
    const char* name;
    const char* caption;
    int minWidth;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class PushButtonSize : public ::testing::TestWithParam<SizeCase> {};

// A dialog as the peer scan and the network browser lay theirs out: a list over a row of buttons.
TEST_P(PushButtonSize, KeepsItsDesignedSizeInALayout) {
    test::ProgramFolder folder(QStringLiteral(VELLUMO_PROGRAM_DIR));
    ControlLoader loader(folder.path());
    QWidget dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QListWidget(&dialog), 1);
    auto* row = new QHBoxLayout;
    auto* button =
        new PushButton(loader, QStringLiteral("Btn_Valider"), QString::fromUtf8(GetParam().caption), &dialog);
    row->addStretch(1);
    row->addWidget(button);
    layout->addLayout(row);
    dialog.resize(330, 380);
    dialog.show();
    ASSERT_TRUE(button->control()) << "the button library is in the program folder";
    EXPECT_EQ(button->height(), 25);
    EXPECT_GE(button->width(), GetParam().minWidth);
    EXPECT_TRUE(dialog.rect().contains(button->geometry()));
}

const SizeCase kSizeCases[] = {
    {"ShortCaption", "&Valider", 75},
    {"LongCaption", "Rechercher tous les utilisateurs connectés sur le réseau", 200},
};
INSTANTIATE_TEST_SUITE_P(PushButton, PushButtonSize, ::testing::ValuesIn(kSizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
