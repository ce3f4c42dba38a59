#pragma once
// SenderReports: where a sender (frmToSend) reports the outcome of its post. The main window
// implements it and outlives every sender.
//
//   StatusBar1_SimpleText  the status line's text in a colour (0 success, 192 failure), and the
//                          same text in a tray balloon when boolIsBaloon is true
//   ShowSystrayMessage     a tray balloon of its own: text, title, icon (1 information, 2 warning,
//                          3 error), shown for 10000 ms

#include <QString>

#include <cstdint>

namespace vellumo {

class SenderReports {
public:
    virtual ~SenderReports() = default;

    virtual void StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool boolIsBaloon) = 0;
    virtual void ShowSystrayMessage(const QString& Message, const QString& Titre, int TTicon) = 0;
};

} // namespace vellumo
