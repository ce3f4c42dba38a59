#include "tests/support/recording_message_sink.h"

#include "platform/runtime/runtime_error.h"

namespace vellumo::test {

void RecordingMessageSink::StoreReceived(const PeerMessage& message, const QDateTime& receiptDate) {
    calls << QStringLiteral("StoreReceived");
    if (!failStoreWith.isEmpty())
        throw RuntimeError(err::object(0xC300), QStringLiteral("Recordset"), failStoreWith);
    stored.push_back({message, receiptDate});
}

void RecordingMessageSink::ShowAfterReceipt() {
    calls << QStringLiteral("ShowAfterReceipt");
    ++shown;
}

} // namespace vellumo::test
