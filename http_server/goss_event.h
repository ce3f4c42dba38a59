#pragma once
// GossEvent: the server's log record, made by the server and its connection handlers and passed to
// the host with LogEvent. A plain value; the receiver may keep a copy.
//
//   EventType | EventSubType    | Method            | Text                       | when
//   1         | socket error    |                   | error description          | socket error (not 10035); closed
//   1         | error number    |                   | error description          | the host's handler failed; closed
//   2         | 0               | the method        | request target             | method other than GET/HEAD/POST
//   2         | 3               | "ERROR"           | "Bad Request Line: ..." /  | request that cannot be parsed
//             |                 |                   | "Bad Content-Length ..."   |
//   2         | 4               | "POST"            | request target             | a POST, before the host has it
//   2         | 6               | status line text  |                            | each response head sent
//   3         | 0               |                   | "Vellumo started"          | StartListening, and listening again
//             |                 |                   |                            | after a failure
//   3         | 1               |                   | StoppedText                | StopListening
//   4         | 10035           |                   | error description          | would block; nothing closed
//   4         | 10024, 10055    |                   | error description          | the listener is out of descriptors
//             |                 |                   |                            | or memory: it pauses, nothing closed
//   5         | 0               | "CONNECT"         |                            | a connection accepted
//   5         | 1               | "DISCONNECT"      |                            | a connection ended (close path)

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace vellumo {

struct GossEvent {
    // The local time now, to the second (what a record's Timestamp holds). Read from the system at
    // most once a second: local-time conversions are costly and a busy server makes many records.
    static QDateTime Now();

    std::int32_t EventSubType = 0;
    std::int32_t EventType = 0;
    QString HTTPVersion;
    QString IP;
    QString Method;
    std::int32_t Port = 0;
    QString Text;
    // Local time at which the record was made.
    QDateTime Timestamp = Now();
};

} // namespace vellumo
