#include "platform/net/socket_errors.h"

#include <cerrno>

namespace vellumo::sockerr {

std::int32_t fromErrno(int e) {
    switch (e) {
    case EINTR:
    case ECANCELED:
        return Cancelled;
    case EACCES:
    case EPERM:
        return AccessDenied;
    case EINVAL:
        return InvalidArgument;
    case EMFILE:
    case ENFILE:
        return TooManySockets;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return WouldBlock;
    case EINPROGRESS:
        return InProgress;
    case EALREADY:
        return AlreadyInProgress;
    case ENOTSOCK:
    case EBADF:
        return NotSocket;
    case EMSGSIZE:
        return MessageTooBig;
    case EAFNOSUPPORT:
        return FamilyNotSupported;
    case EADDRINUSE:
        return AddressInUse;
    case EADDRNOTAVAIL:
        return AddressNotAvailable;
    case ENETUNREACH:
        return NetworkUnreachable;
    case ENETRESET:
        return NetworkReset;
    case ECONNABORTED:
    case EPIPE:
        return ConnectAborted;
    case ECONNRESET:
        return ConnectionReset;
    case ENOBUFS:
    case ENOMEM:
        return NoBufferSpace;
    case EISCONN:
        return AlreadyConnected;
    case ENOTCONN:
        return NotConnected;
    case ESHUTDOWN:
        return SocketShutdown;
    case ETIMEDOUT:
        return TimedOut;
    case ECONNREFUSED:
        return ConnectionRefused;
    case EHOSTDOWN:
        return HostDown;
    case EHOSTUNREACH:
        return HostUnreachable;
    default:
        return NetworkDown;
    }
}

QString description(std::int32_t number) {
    switch (number) {
    case Cancelled:
        return QStringLiteral("The operation is canceled");
    case AccessDenied:
        return QStringLiteral("Permission denied for the requested address");
    case InvalidArgument:
        return QStringLiteral("Invalid argument");
    case TooManySockets:
        return QStringLiteral("Too many open sockets");
    case WouldBlock:
        return QStringLiteral("Socket is non-blocking and the specified operation will block");
    case InProgress:
        return QStringLiteral("A blocking operation is in progress");
    case AlreadyInProgress:
        return QStringLiteral("The operation is already in progress");
    case NotSocket:
        return QStringLiteral("The descriptor is not a socket");
    case MessageTooBig:
        return QStringLiteral("The message is too large");
    case FamilyNotSupported:
        return QStringLiteral("The address family is not supported");
    case AddressInUse:
        return QStringLiteral("Address in use");
    case AddressNotAvailable:
        return QStringLiteral("Address not available from the local machine");
    case NetworkDown:
        return QStringLiteral("Network subsystem failed");
    case NetworkUnreachable:
        return QStringLiteral("The network cannot be reached from this host at this time");
    case NetworkReset:
        return QStringLiteral("Connection has timed out when SO_KEEPALIVE is set");
    case ConnectAborted:
        return QStringLiteral("Connection is aborted due to timeout or other failure");
    case ConnectionReset:
        return QStringLiteral("The connection is reset by remote side");
    case NoBufferSpace:
        return QStringLiteral("No buffer space is available");
    case AlreadyConnected:
        return QStringLiteral("Socket is already connected");
    case NotConnected:
        return QStringLiteral("Socket is not connected");
    case SocketShutdown:
        return QStringLiteral("Socket has been shut down");
    case TimedOut:
        return QStringLiteral("Socket has been timed out");
    case ConnectionRefused:
        return QStringLiteral("Connection is forcefully rejected");
    case HostDown:
        return QStringLiteral("The host is down");
    case HostUnreachable:
        return QStringLiteral("No route to the host");
    case HostNotFound:
        return QStringLiteral("Authoritative answer: Host not found");
    case WrongState:
        return QStringLiteral("Wrong protocol or connection state for the requested transaction or request");
    case InvalidOperation:
        return QStringLiteral("Invalid operation at current state");
    default:
        return QString();
    }
}

} // namespace vellumo::sockerr
