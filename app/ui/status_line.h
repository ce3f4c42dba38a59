#pragma once
// StatusLine: the main window's status line `StatusBar1`, a Frame3D control of the frame library.
// The main program drives it the way it was designed to: it writes ForeColor, then Caption, by
// dispatch number, and handles none of its events. Without the library a plain label stands in; it
// shows its caption as plain text, since captions carry texts taken from peers' replies.

#include "app/ui/control_host.h"

#include <cstdint>

class QLabel;

namespace vellumo {

class StatusLine : public ControlHost {
    Q_OBJECT
public:
    static constexpr const char* ProgId = "Lumbra.Frame3D";
    // Dispatch numbers of the two properties the program writes (from the library's type information).
    static constexpr std::int32_t DispIdForeColor = 0x6803000A;
    static constexpr std::int32_t DispIdCaption = 0x6803001F;

    StatusLine(ControlLoader& loader, QWidget* parent);

    // Colour 0x00BBGGRR.
    void setForeColor(std::int32_t colour);
    void setCaption(const QString& text);
    std::int32_t foreColor() const { return foreColor_; }
    QString caption() const { return caption_; }
    // False when a plain label stands in for the frame control.
    bool isFrameControl() const { return control() != nullptr; }

private:
    QLabel* fallback_ = nullptr;
    std::int32_t foreColor_ = 0;
    QString caption_;
};

} // namespace vellumo
