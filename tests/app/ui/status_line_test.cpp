// The status line's stand-in label: captions are shown as they are, never read as markup, since they
// carry texts from peers' replies.
#include "app/ui/status_line.h"

#include "platform/hosting/control_loader.h"

#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

TEST(StatusLine, TheStandInShowsCaptionsAsPlainText) {
    QTemporaryDir empty; // no control library there: the label stands in
    ControlLoader loader(empty.path());
    StatusLine line(loader, nullptr);
    ASSERT_FALSE(line.isFrameControl());
    const QString caption = QStringLiteral("<b>PC9</b><img src=\"x\"> à reçu le message");
    line.setCaption(caption);
    const QLabel* label = line.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), caption);
    EXPECT_EQ(line.caption(), caption);
}

} // namespace
} // namespace vellumo
