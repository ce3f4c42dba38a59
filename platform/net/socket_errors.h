#pragma once
// The socket layer's error numbers and their descriptions. Callers (the HTTP server, the peer scan)
// compare against the numbers the desktop socket control used, so errno values are mapped onto them
// here, in one place:
//
//   number | errno (Linux)                | meaning
//   10004  | EINTR, ECANCELED             | operation cancelled
//   10013  | EACCES, EPERM                | permission denied
//   10022  | EINVAL                       | invalid argument
//   10024  | EMFILE, ENFILE               | too many open sockets
//   10035  | EAGAIN, EWOULDBLOCK          | the operation would block
//   10036  | EINPROGRESS                  | an operation is in progress
//   10037  | EALREADY                     | an operation is already in progress
//   10038  | ENOTSOCK, EBADF              | not a socket
//   10040  | EMSGSIZE                     | message too long
//   10047  | EAFNOSUPPORT                 | address family not supported
//   10048  | EADDRINUSE                   | address in use
//   10049  | EADDRNOTAVAIL                | address not available
//   10050  | ENETDOWN, anything else      | network subsystem failed
//   10051  | ENETUNREACH                  | network unreachable
//   10052  | ENETRESET                    | network dropped the connection
//   10053  | ECONNABORTED, EPIPE          | connection aborted
//   10054  | ECONNRESET                   | connection reset by the peer
//   10055  | ENOBUFS, ENOMEM              | no buffer space
//   10056  | EISCONN                      | already connected
//   10057  | ENOTCONN                     | not connected
//   10058  | ESHUTDOWN                    | socket shut down
//   10060  | ETIMEDOUT                    | connection timed out
//   10061  | ECONNREFUSED                 | connection refused
//   10064  | EHOSTDOWN                    | host is down
//   10065  | EHOSTUNREACH                 | no route to host
//   11001  | (address text not usable)    | host not found
//   40006  | (call in the wrong state)    | wrong protocol or connection state
//   40020  | (call in the wrong state)    | invalid operation at current state

#include <QString>

#include <cstdint>

namespace vellumo::sockerr {

inline constexpr std::int32_t Cancelled = 10004;
inline constexpr std::int32_t AccessDenied = 10013;
inline constexpr std::int32_t InvalidArgument = 10022;
inline constexpr std::int32_t TooManySockets = 10024;
inline constexpr std::int32_t WouldBlock = 10035;
inline constexpr std::int32_t InProgress = 10036;
inline constexpr std::int32_t AlreadyInProgress = 10037;
inline constexpr std::int32_t NotSocket = 10038;
inline constexpr std::int32_t MessageTooBig = 10040;
inline constexpr std::int32_t FamilyNotSupported = 10047;
inline constexpr std::int32_t AddressInUse = 10048;
inline constexpr std::int32_t AddressNotAvailable = 10049;
inline constexpr std::int32_t NetworkDown = 10050;
inline constexpr std::int32_t NetworkUnreachable = 10051;
inline constexpr std::int32_t NetworkReset = 10052;
inline constexpr std::int32_t ConnectAborted = 10053;
inline constexpr std::int32_t ConnectionReset = 10054;
inline constexpr std::int32_t NoBufferSpace = 10055;
inline constexpr std::int32_t AlreadyConnected = 10056;
inline constexpr std::int32_t NotConnected = 10057;
inline constexpr std::int32_t SocketShutdown = 10058;
inline constexpr std::int32_t TimedOut = 10060;
inline constexpr std::int32_t ConnectionRefused = 10061;
inline constexpr std::int32_t HostDown = 10064;
inline constexpr std::int32_t HostUnreachable = 10065;
inline constexpr std::int32_t HostNotFound = 11001;
inline constexpr std::int32_t WrongState = 40006;
inline constexpr std::int32_t InvalidOperation = 40020;

// The socket error number for an errno value (10050 for one without its own number).
std::int32_t fromErrno(int errnoValue);
// The English description of a socket error number; empty for a number that is not a socket error.
QString description(std::int32_t number);

} // namespace vellumo::sockerr
