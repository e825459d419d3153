#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <functional>

#include <poll.h>

// Runs the event loop's pending work (this process's windows are served there) until the
// condition holds or the time is up. Polls; never sleeps longer than a few milliseconds.
inline bool PollUntil(const std::function<bool()>& condition, int milliseconds = 10000)
{
    const QDeadlineTimer deadline(milliseconds);
    for (;;) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        ::poll(nullptr, 0, 2);
    }
}

// A started helper program whose output is collected line by line. It is ended and reaped when
// the object goes, whatever the test did.
class Child
{
public:
    Child(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
          QProcess::ProcessChannelMode channels = QProcess::SeparateChannels, const QString& workingDirectory = {})
    {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(channels);
        process.setWorkingDirectory(workingDirectory);
        process.start(program, arguments);
        started = process.waitForStarted(10000);
    }
    ~Child()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.closeWriteChannel();
        if (!PollUntil([this] { return process.state() == QProcess::NotRunning; }, 3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void Collect()
    {
        buffer += process.readAllStandardOutput();
        qsizetype end;
        while ((end = buffer.indexOf('\n')) >= 0) {
            lines.append(buffer.first(end));
            buffer.remove(0, end + 1);
        }
    }

    // Index of the first line from `from` on that starts with prefix and holds every part, or -1.
    qsizetype Find(const QByteArray& prefix, const QByteArrayList& parts = {}, qsizetype from = 0)
    {
        Collect();
        for (qsizetype i = from; i < lines.size(); ++i) {
            if (!lines[i].startsWith(prefix))
                continue;
            bool all = true;
            for (const QByteArray& part : parts)
                all = all && lines[i].contains(part);
            if (all)
                return i;
        }
        return -1;
    }
    qsizetype WaitFor(const QByteArray& prefix, const QByteArrayList& parts = {}, int milliseconds = 10000, qsizetype from = 0)
    {
        qsizetype found = -1;
        PollUntil([&] { return (found = Find(prefix, parts, from)) >= 0; }, milliseconds);
        return found;
    }
    qsizetype Count(const QByteArray& prefix, const QByteArrayList& parts = {})
    {
        qsizetype count = 0;
        for (qsizetype at = Find(prefix, parts); at >= 0; at = Find(prefix, parts, at + 1))
            ++count;
        return count;
    }

    void Write(const QByteArray& line) { process.write(line + '\n'); process.waitForBytesWritten(3000); }
    // Writes a command line and waits for the line that tells its outcome; its index, or -1.
    qsizetype Command(const QByteArray& line, const QByteArray& outcome, int milliseconds = 10000)
    {
        const qsizetype from = lines.size();
        Write(line);
        return WaitFor(outcome, {}, milliseconds, from);
    }
    bool WaitForExit(int milliseconds = 10000)
    {
        const bool ended = PollUntil([this] { return process.state() == QProcess::NotRunning; }, milliseconds);
        Collect();
        return ended;
    }
    QByteArray Everything()
    {
        Collect();
        return lines.join('\n') + "\n" + process.readAllStandardError();
    }

    QProcess process;
    bool started = false;
    QByteArrayList lines;

private:
    QByteArray buffer;
};

// A private runtime folder for the windows of one test, for this process and the ones it
// starts, and an empty set of system configuration folders.
class PrivateRuntime
{
public:
    PrivateRuntime()
    {
        previous = qgetenv("TUTORIX_RUNTIME_DIR");
        qputenv("TUTORIX_RUNTIME_DIR", QFile::encodeName(folder.path()));
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TUTORIX_RUNTIME_DIR"), folder.path());
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), config.path());
    }
    ~PrivateRuntime() { qputenv("TUTORIX_RUNTIME_DIR", previous); }
    PrivateRuntime(const PrivateRuntime&) = delete;
    PrivateRuntime& operator=(const PrivateRuntime&) = delete;

    QByteArray Path() const { return QFile::encodeName(folder.path()); }

    QTemporaryDir folder;
    QTemporaryDir config;
    QProcessEnvironment environment;

private:
    QByteArray previous;
};

inline QByteArray HexHandle(quint32 handle)
{
    return QByteArray::number(handle, 16).rightJustified(8, '0');
}
