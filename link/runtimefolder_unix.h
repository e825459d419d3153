#pragma once

#include <QByteArray>
#include <QString>

// The folder that holds the user's message windows and instance locks: $TUTORIX_RUNTIME_DIR
// when set and not empty, else $XDG_RUNTIME_DIR/tutorix, else /tmp/tutorix-<uid>. It is
// refused unless it is a real directory of the current user that nobody else may enter, with
// room left in its path for a socket name.
struct TRuntimeFolder
{
    QByteArray path; // without a trailing '/'
    QString error;   // names the folder; empty when the folder may be used
    bool Usable() const { return error.isEmpty(); }
};

// The longest folder path that leaves room for "/<8 hex digits>.sock" in a socket address.
inline constexpr int MaxRuntimeFolderLength = 93;

QByteArray RuntimeFolderPath();
// With create, a missing last component is made with mode 0700.
TRuntimeFolder OpenRuntimeFolder(bool create);
