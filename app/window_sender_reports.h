#pragma once
// WindowSenderReports: the SenderReports of a window that has the two report operations itself
// (the main window's StatusBar1_SimpleText and ShowSystrayMessage), for the senders and the compose
// window to report through. Held by that window (a member made with *this), so it lives exactly as
// long as the window it forwards to.

#include "app/sender_reports.h"

namespace vellumo {

template <class Window>
class WindowSenderReports : public SenderReports {
public:
    explicit WindowSenderReports(Window& window) : window_(window) {}

    void StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool boolIsBaloon) override {
        window_.StatusBar1_SimpleText(strText, intColor, boolIsBaloon);
    }
    void ShowSystrayMessage(const QString& Message, const QString& Titre, int TTicon) override {
        window_.ShowSystrayMessage(Message, Titre, TTicon);
    }

private:
    Window& window_;
};

} // namespace vellumo
