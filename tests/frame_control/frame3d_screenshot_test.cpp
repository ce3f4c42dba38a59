// Screenshots of a few Frame3D looks, written to build/screenshots/frame3d_*.png for a person to look
// at: each look on a dark container so that the window regions show.

#include "tests/frame_control/frame_fixture.h"

#include <QDir>
#include <QPalette>

namespace vellumo::test {
namespace {

class FrameScreenshot : public FrameTest {
protected:
    FrameScreenshot() {
        container.setAutoFillBackground(true);
        QPalette pal = container.palette();
        pal.setColor(QPalette::Window, QColor(40, 48, 64));
        container.setPalette(pal);
    }
    Frame3D& add(const QRect& at) {
        frames.push_back(std::make_unique<Frame3D>(&container, &site));
        Frame3D& f = *frames.back();
        f.errorLog().setFolder(dir.path());
        f.InitProperties();
        f.setGeometry(at);
        return f;
    }
    void save(const char* name, const QSize& size) {
        container.resize(size);
        container.show();
        for (auto& f : frames)
            f->UserControl_Resize();
        const QString folder = QStringLiteral(VELLUMO_PROGRAM_DIR "/../screenshots");
        ASSERT_TRUE(QDir().mkpath(folder));
        const QImage shot = container.grab().toImage();
        const QString file = folder + QStringLiteral("/frame3d_%1.png").arg(QLatin1String(name));
        ASSERT_TRUE(shot.save(file));
        EXPECT_EQ(QImage(file).size(), size);
        for (auto& f : frames)
            EXPECT_TRUE(QFile(f->errorLog().filePath()).size() <= 0) << "a paint step failed in " << name;
    }

    QWidget container;
    std::vector<std::unique_ptr<Frame3D>> frames;
};

TEST_F(FrameScreenshot, StatusLineAndBar) {
    Frame3D& status = add(QRect(8, 8, 320, 24));
    status.setBevelInner(InsertedBevel);
    status.setCaptionAlignment(MiddleLeft);
    status.setFontBold(true);
    status.setForeColor(192);
    status.setCaption(QStringLiteral("Message envoyé à PC-COMPTA"));
    Frame3D& bar = add(QRect(8, 40, 320, 24));
    bar.setBorderType(PanelInserted);
    bar.setCaptionAlignment(MiddleCenter);
    bar.setFloodColor(0x00C08040);
    bar.setFloodShowPct(true);
    bar.setFloodPercent(65);
    Frame3D& up = add(QRect(336, 8, 24, 56));
    up.setBorderType(PanelInserted);
    up.setFloodType(BottomToTop);
    up.setFloodColor(0x0000A000);
    up.setFloodPercent(40);
    save("status_line", QSize(368, 72));
}

TEST_F(FrameScreenshot, GroupAndRoundedLooks) {
    Frame3D& group = add(QRect(8, 8, 160, 80));
    group.setCaptionLocation(InFrame);
    group.setCaption(QStringLiteral("Options"));
    Frame3D& raised = add(QRect(176, 8, 160, 80));
    raised.setBorderType(rPanelRaised);
    raised.setFillGradient(FillHorizontal);
    raised.setCaption3D(RaisedCaption);
    raised.setCaptionAlignment(MiddleCenter);
    raised.setFontSize(12);
    raised.setCaption(QStringLiteral("Raised"));
    Frame3D& bevel = add(QRect(344, 8, 160, 80));
    bevel.setBorderType(rFrameInserted);
    bevel.setBevelInner(RaisedBevel);
    bevel.setBevelWidth(6);
    bevel.setCaption3D(InsertedCaption);
    bevel.setCaptionAlignment(BottomRight);
    bevel.setCaption(QStringLiteral("Inserted"));
    save("rounded", QSize(512, 96));
}

TEST_F(FrameScreenshot, EveryBorderType) {
    for (int type = 0; type <= 13; ++type) {
        Frame3D& f = add(QRect(8 + (type % 7) * 72, 8 + (type / 7) * 56, 64, 48));
        f.setBorderType(type);
        f.setCaptionAlignment(MiddleCenter);
        f.setCaption(QString::number(type));
    }
    save("border_types", QSize(512, 120));
}

} // namespace
} // namespace vellumo::test
