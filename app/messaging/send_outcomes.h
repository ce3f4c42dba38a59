#pragma once
// SendOutcomes: what the user is told about one message sent to several stations. Each sender
// (frmToSend) of the message hands its outcome here instead of writing the status line itself, so that
// no outcome hides another: while senders are still out, the status line shows each outcome as it
// comes; once the last one is in, it shows the whole (text 120 with the counts, then every failed
// station's own line), red with one balloon listing every failure, or black when every station
// received it.
//
//   stations | outcomes in           | status line                                   | balloon
//   ---------|-----------------------|-----------------------------------------------|-------------------------
//   1        | the one               | the sender's own line, colour and balloon     | the sender's own, if any
//   n > 1    | not all yet           | the outcome's line, its colour, no balloon    | none
//   n > 1    | all, none failed      | "n sur n postes ont reçu le message" (0)      | that line, if ShowBalloon
//   n > 1    | all, some failed      | "k sur n postes ont reçu le message ; <line   | the count, then one line
//            |                       | of each failure> ; ..." (192)                 | per failure; text 31, icon 2
//
// Shared by the senders of one message (each holds it); the reports outlive it. User-interface thread.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace vellumo {

class SenderReports;
class modLocalisation;

class SendOutcomes {
public:
    struct Outcome {
        QString line;           // the status line's text for this station
        bool delivered = false; // the station said it received the message
        bool lineBalloon = false;
        // A balloon of the sender's own (empty text: none).
        QString balloonText;
        QString balloonTitle;
        int balloonIcon = 0;
    };

    // reports and texts outlive it; total: the number of senders of the message.
    SendOutcomes(SenderReports& reports, const modLocalisation& texts, int total);

    void Add(const Outcome& outcome);
    // Fewer senders were started than planned (no free slot for the others): the whole is told once
    // those are in.
    void Truncate(int started);

    int total() const { return total_; }
    int done() const { return done_; }
    int delivered() const { return delivered_; }
    const QStringList& failures() const { return failures_; }

    // "k sur n postes ont reçu le message", then " ; " and each failure line.
    static QString Summary(const modLocalisation& texts, int delivered, int total, const QStringList& failures);

private:
    void showWhole();

    SenderReports& reports_;
    const modLocalisation& texts_;
    int total_;
    int done_ = 0;
    int delivered_ = 0;
    bool showBalloon_ = false;
    QStringList failures_;
};

} // namespace vellumo
