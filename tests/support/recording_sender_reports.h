#pragma once
// RecordingSenderReports: a SenderReports for tests of the senders; it keeps every status-line text
// and every balloon in the order they came.

#include "app/messaging/sender_reports.h"

#include <vector>

namespace vellumo::test {

class RecordingSenderReports : public SenderReports {
public:
    struct StatusLine {
        QString text;
        std::int16_t colour = 0;
        bool balloon = false;
    };
    struct Balloon {
        QString text;
        QString title;
        int icon = 0;
    };

    void StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool boolIsBaloon) override {
        statusLines.push_back({strText, intColor, boolIsBaloon});
    }
    void ShowSystrayMessage(const QString& Message, const QString& Titre, int TTicon) override {
        balloons.push_back({Message, Titre, TTicon});
    }

    std::vector<StatusLine> statusLines;
    std::vector<Balloon> balloons;
};

} // namespace vellumo::test
