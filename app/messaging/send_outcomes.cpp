#include "app/messaging/send_outcomes.h"

#include "app/core/mod_localisation.h"
#include "app/core/text_ids.h"
#include "app/messaging/sender_reports.h"

namespace vellumo {

namespace {
constexpr std::int16_t kSuccessColour = 0;
constexpr std::int16_t kFailureColour = 192;
constexpr int kIconWarning = 2;
} // namespace

SendOutcomes::SendOutcomes(SenderReports& reports, const modLocalisation& texts, int total)
    : reports_(reports), texts_(texts), total_(total) {}

QString SendOutcomes::Summary(const modLocalisation& texts, int delivered, int total, const QStringList& failures) {
    QString line = texts.GetString(txt::StationsReceived, QStringLiteral("%1 sur %2 postes ont reçu le message"))
                       .replace(QStringLiteral("%1"), QString::number(delivered))
                       .replace(QStringLiteral("%2"), QString::number(total));
    for (const QString& failure : failures)
        line += QStringLiteral(" ; ") + failure;
    return line;
}

void SendOutcomes::Add(const Outcome& outcome) {
    ++done_;
    if (outcome.delivered) {
        ++delivered_;
        showBalloon_ = showBalloon_ || outcome.lineBalloon;
    } else {
        failures_ << outcome.line;
    }
    const std::int16_t colour = outcome.delivered ? kSuccessColour : kFailureColour;
    if (total_ <= 1) {
        reports_.StatusBar1_SimpleText(outcome.line, colour, outcome.lineBalloon);
        if (!outcome.balloonText.isEmpty())
            reports_.ShowSystrayMessage(outcome.balloonText, outcome.balloonTitle, outcome.balloonIcon);
        return;
    }
    if (done_ < total_) {
        reports_.StatusBar1_SimpleText(outcome.line, colour, false);
        return;
    }
    showWhole();
}

void SendOutcomes::Truncate(int started) {
    if (started >= total_)
        return;
    total_ = started;
    if (total_ > 1 && done_ == total_)
        showWhole();
}

void SendOutcomes::showWhole() {
    const QString summary = Summary(texts_, delivered_, total_, failures_);
    if (failures_.isEmpty()) {
        reports_.StatusBar1_SimpleText(summary, kSuccessColour, showBalloon_);
        return;
    }
    reports_.StatusBar1_SimpleText(summary, kFailureColour, false);
    QString balloon = Summary(texts_, delivered_, total_, {});
    for (const QString& failure : failures_)
        balloon += QStringLiteral("\r\n") + failure;
    reports_.ShowSystrayMessage(balloon, texts_.GetString(txt::ErrorTitle, QStringLiteral("Erreur")), kIconWarning);
}

} // namespace vellumo
