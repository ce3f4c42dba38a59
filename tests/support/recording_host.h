#pragma once
// RecordingHost: a GossamerHost for tests. It records every DynamicRequest and every log record,
// and answers through a replaceable function (by default it leaves the status at 0).

#include "http_server/gossamer_host.h"

#include <functional>
#include <vector>

namespace vellumo::test {

struct RecordedRequest {
    QString Method;
    QString URI;
    QByteArray Params;
    std::vector<HeaderCollection::Entry> Headers;
    std::int16_t ClientIndex = -1;
};

struct RecordedLog {
    GossEvent Event;
    std::int16_t ClientIndex = 0;
};

struct Reply {
    std::int16_t Status = 0;
    QString StatusText;
    QString MIME;
    QString ExtraHeaders;
    QByteArray Body;
};

class RecordingHost : public GossamerHost {
public:
    void DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                        std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME, QString& RespExtraHeaders,
                        QByteArray& RespBody, std::int16_t& ClientIndex) override;
    void HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                      const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) override;
    void LogEvent(GossEvent& Event, std::int16_t& ClientIndex) override;
    void ListenerFailed(std::int32_t Number, const QString& Description) override {
        listenerFailures.push_back(Number);
    }
    void ListenerRestored() override { ++listenerRestorations; }

    // Records of one type (and subtype, when given).
    std::vector<RecordedLog> logsOf(std::int32_t type, std::int32_t subType = -1) const;

    // Called for every request, inside the dispatch; may fill the reply, throw, or run the loop.
    std::function<void(const RecordedRequest&, Reply&)> onRequest;
    // Called for every POST head (Method, URI and RemoteIP recorded in heads); may answer it.
    std::function<void(const RecordedRequest&, HeadReply&)> onHead;
    std::vector<RecordedRequest> heads;
    std::vector<QString> headAddresses;
    std::vector<RecordedRequest> requests;
    std::vector<RecordedLog> logs;
    std::vector<std::int32_t> listenerFailures;
    int listenerRestorations = 0;
};

} // namespace vellumo::test
