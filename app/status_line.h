#pragma once
// StatusLine: the main window's status line `StatusBar1`, a Frame3D control of the frame library,
// created by its class name "Lumbra.Frame3D" from the program folder. The main program drives it the
// way it was designed to: it writes ForeColor, then Caption, by dispatch number, and handles none of
// its events.
//
// When the control cannot be created (library missing, class not registered) the status line is a
// plain label instead, so the program still runs and still shows its texts; the failure is written
// to the event log once.

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class QLabel;

namespace vellumo {

class ContainerSite;
class ControlLoader;
class HostedControl;

class StatusLine : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* ProgId = "Lumbra.Frame3D";
    // Dispatch numbers of the two properties the program writes (from the library's type information).
    static constexpr std::int32_t DispIdForeColor = 0x6803000A;
    static constexpr std::int32_t DispIdCaption = 0x6803001F;

    StatusLine(ControlLoader& loader, QWidget* parent);
    ~StatusLine() override;

    // Colour 0x00BBGGRR.
    void setForeColor(std::int32_t colour);
    void setCaption(const QString& text);
    std::int32_t foreColor() const { return foreColor_; }
    QString caption() const { return caption_; }
    // False when the status line fell back to a plain label.
    bool isFrameControl() const { return control_ != nullptr; }

private:
    std::unique_ptr<ContainerSite> site_;
    HostedControl* control_ = nullptr;
    QLabel* fallback_ = nullptr;
    std::int32_t foreColor_ = 0;
    QString caption_;
};

} // namespace vellumo
