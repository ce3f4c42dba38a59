#pragma once
// ReceivedMessageSink: what the receive handler needs of the station once a peer's message is
// authorised and read. The station implements it (app/station/station.h) and outlives the handler
// that holds it.
//
//   StoreReceived     adds one row to table Recived and sets, in this order, FROM, TO, OnDate,
//                     ReceiptDate, Text and RTF (no field is cut: the store takes any length),
//                     updates it (durably: the peer is told "stored" right after), sets AtEnd to
//                     true and moves to the last record, the new row. A failure is raised as
//                     RuntimeError and reaches the peer as the 500 "Erreur interne au serveur" reply.
//   ShowAfterReceipt  shows the row and the window and brings it to the front. The main window
//                     does this work once the reply has left: the peer waits for the store, never
//                     for the display.
//
// Both are called inside the server's request event, on the user-interface thread.

#include "app/messaging/peer_message.h"

#include <QDateTime>

namespace vellumo {

class ReceivedMessageSink {
public:
    virtual ~ReceivedMessageSink() = default;

    virtual void StoreReceived(const PeerMessage& message, const QDateTime& receiptDate) = 0;
    virtual void ShowAfterReceipt() = 0;
};

} // namespace vellumo
