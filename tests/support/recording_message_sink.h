#pragma once
// RecordingMessageSink: a ReceivedMessageSink for tests of the receive handler. It keeps every
// message it is asked to store with its receipt date, counts the calls to show the window, records
// the order of the calls, and fails the store on demand with a RuntimeError of a chosen description.

#include "app/messaging/received_message_sink.h"

#include <QStringList>

#include <vector>

namespace vellumo::test {

class RecordingMessageSink : public ReceivedMessageSink {
public:
    struct Stored {
        PeerMessage message;
        QDateTime receiptDate;
    };

    void StoreReceived(const PeerMessage& message, const QDateTime& receiptDate) override;
    void ShowAfterReceipt() override;

    std::vector<Stored> stored;
    int shown = 0;
    QStringList calls;

    // When not empty, StoreReceived raises RuntimeError with this description and stores nothing.
    QString failStoreWith;
};

} // namespace vellumo::test
