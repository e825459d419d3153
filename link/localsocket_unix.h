#pragma once

#include <QByteArray>
#include <QString>

#include <sys/un.h>

// What the window directory, the receive table and the send loop all need of Unix-domain
// sockets.
namespace localsocket {

// The address of a socket file; false when the path does not fit into one.
bool FillAddress(const QByteArray& path, sockaddr_un& address);
// The process at the other end of a connected socket runs as this user.
bool PeerIsThisUser(int fd);
// "what: the system's text for error".
QString SystemError(const QString& what, int error);

} // namespace localsocket
