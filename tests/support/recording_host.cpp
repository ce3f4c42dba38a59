#include "tests/support/recording_host.h"

namespace vellumo::test {

void RecordingHost::DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                                   std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME,
                                   QString& RespExtraHeaders, QByteArray& RespBody, std::int16_t& ClientIndex) {
    requests.push_back(RecordedRequest{Method, URI, Params, ReqHeaders.Items(), ClientIndex});
    Reply reply;
    // A copy: the handler may let another request in, which grows the list.
    const RecordedRequest current = requests.back();
    if (onRequest)
        onRequest(current, reply);
    RespStatus = reply.Status;
    RespStatusText = reply.StatusText;
    RespMIME = reply.MIME;
    RespExtraHeaders = reply.ExtraHeaders;
    RespBody = reply.Body;
}

void RecordingHost::HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                                 const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) {
    heads.push_back(RecordedRequest{Method, URI, QByteArray(), ReqHeaders.Items(), ClientIndex});
    headAddresses.push_back(RemoteIP);
    const RecordedRequest current = heads.back();
    if (onHead)
        onHead(current, Reply);
}

void RecordingHost::LogEvent(GossEvent& Event, std::int16_t& ClientIndex) {
    logs.push_back(RecordedLog{Event, ClientIndex});
}

std::vector<RecordedLog> RecordingHost::logsOf(std::int32_t type, std::int32_t subType) const {
    std::vector<RecordedLog> found;
    for (const RecordedLog& l : logs) {
        if (l.Event.EventType == type && (subType < 0 || l.Event.EventSubType == subType))
            found.push_back(l);
    }
    return found;
}

} // namespace vellumo::test
