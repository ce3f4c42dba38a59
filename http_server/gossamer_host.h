#pragma once
// GossamerHost: the one door through which the HTTP server reaches the object that holds it (the
// main window). The server never sees the host's type; the host implements DynamicRequest and, if it
// cares, LogEvent, and gives itself to Gossamer::setHost.
//
// DynamicRequest is raised once for every POST, synchronously, while the connection handler
// processes the request; the response is built only after it returns.
//   in   Method           the method in upper case ("POST")
//        URI              the request target as it stood in the request line, not decoded
//                         (Gossamer::URLDecode decodes it)
//        Params           the request body; empty when there is none
//        ReqHeaders       the request headers (header_collection.h); the host may replace them
//        ClientIndex      the Index of the handler serving the request
//   out  RespStatus       0 on entry; left at 0 the server answers with its 501 page
//        RespStatusText   the reason text of the status line
//        RespMIME         the Content-Type; no such line when empty
//        RespExtraHeaders further head lines, separated by CR LF (a final CR LF is added)
//        RespBody         the response body; Content-Length 0 and no body when left empty
// HeadComplete comes first, once the head of a POST is complete and before its body is read: the
// host may decide on the request there (an unauthorised one, say), so that a body it would refuse
// is never buffered.
//   in   Method, URI, ReqHeaders, ClientIndex   as for DynamicRequest
//        RemoteIP         the peer's address
//   out  Reply.Status     0 on entry: the request goes on (its body is read, DynamicRequest follows)
//                         anything else: this reply is sent as DynamicRequest's would be, the body
//                         is thrown away as it arrives, and the connection ends after the reply
//        Reply.DelayMs    the reply waits this long first (the server serves others meanwhile)
// The host may let the event loop run inside either; bytes arriving on the connection meanwhile are
// only buffered, and the connection is not closed or reused until the host has returned. An error
// escaping it is logged (EventType 1) and ends that connection; the server goes on serving.

#include "http_server/goss_event.h"
#include "http_server/header_collection.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace vellumo {

// The reply a host gives to a request head (HeadComplete).
struct HeadReply {
    std::int16_t Status = 0;
    QString StatusText;
    QString MIME;
    QString ExtraHeaders;
    QByteArray Body;
    std::int32_t DelayMs = 0;
};

class GossamerHost {
public:
    virtual ~GossamerHost() = default;

    virtual void HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                              const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) {}

    virtual void DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                                std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME,
                                QString& RespExtraHeaders, QByteArray& RespBody, std::int16_t& ClientIndex) = 0;

    // "Raised when a loggable event has occurred". ClientIndex is -1 for records of the listener.
    virtual void LogEvent(GossEvent& Event, std::int16_t& ClientIndex) {}

    // The listening socket has failed (a socket error number and its description): nothing reaches
    // the station until ListenerRestored. The server opens it again by itself, with growing waits.
    virtual void ListenerFailed(std::int32_t Number, const QString& Description) {}
    // The server listens again after a failure of its listener (or after a bind that failed at
    // StartListening).
    virtual void ListenerRestored() {}
};

} // namespace vellumo
