#pragma once

#include "link/messagewindows.h"
#include "link/runtimefolder_unix.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <map>
#include <set>

// The message windows of the user's session as files in the runtime folder: a window is a
// listening socket "<handle>.sock" and an info file "<handle>.win" with its class and window
// name, which appears only complete and only once the socket listens. Keeps the classes and
// windows of this process, finds those of other processes by their names, and clears the files
// of windows whose processes died. Windows that answer for another user are none of ours.
class TWindowDirectory
{
public:
    // A socket file without its info file is left alone this long: its window may be in the
    // making.
    static constexpr int OrphanSocketAgeSeconds = 60;

    struct Window
    {
        int fd = -1; // listening
        QByteArray folder;
        QByteArray className;
        QByteArray windowName;
        TMessageWindows::WindowProc proc;
    };

    // Failures are told in lastError, which the caller owns.
    explicit TWindowDirectory(QString& lastError);
    TWindowDirectory(const TWindowDirectory&) = delete;
    TWindowDirectory& operator=(const TWindowDirectory&) = delete;

    // Registering the first class also makes sure the runtime folder may be used; the first
    // registration in a folder clears the files of this user's windows whose processes died.
    bool RegisterClass(const QByteArray& className);
    bool UnregisterClass(const QByteArray& className);
    // A new window of a registered class, listening; 0 on failure.
    quint32 CreateWindow(const QByteArray& className, const QByteArray& windowName, TMessageWindows::WindowProc proc);
    // Removes a window's files and closes its socket; false when this process has no such window.
    bool DestroyWindow(quint32 handle);
    // Of the live windows whose names both match without regard to ASCII case, the lowest
    // handle; 0 for none. Files of dead windows met on the way are removed.
    quint32 FindWindow(QByteArrayView className, QByteArrayView windowName);
    bool IsWindow(quint32 handle);
    // Why no window can be made at all; empty when windows can be made.
    QString RefusalReason();
    // Where a window of another process listens; empty when the folder cannot be used.
    QByteArray SocketPathOf(quint32 handle);

    // This process's windows.
    const std::map<quint32, Window>& Windows() const { return m_windows; }
    Window* Find(quint32 handle);

private:
    const TRuntimeFolder& Folder(bool create);
    void SweepStale(const QByteArray& folder);

    QString& m_lastError;
    std::set<QByteArray> m_classes;
    std::map<quint32, Window> m_windows;
    std::set<QByteArray> m_swept; // folders cleared of dead windows
    TRuntimeFolder m_folderChecked;
};
