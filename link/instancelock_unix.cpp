#include "link/instancelock.h"

#include "link/runtimefolder_unix.h"

#include <map>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// What a holder writes into its lock file: its window as 8 hex digits and a line feed.
constexpr int kHolderLineSize = 9;

bool ValidName(const QByteArray& name)
{
    return !name.isEmpty() && !name.contains('/') && !name.contains('\0') && name.size() <= 200;
}

// A lock file in the runtime folder, held with flock on a descriptor that stays open; the file
// itself is never removed, so that holders and waiters always meet on the same file. The holder
// writes its window into it.
class TUnixInstanceLock final : public TInstanceLock
{
public:
    Result Acquire(const QByteArray& name, quint32 window) override
    {
        if (!ValidName(name))
            return {};
        const TRuntimeFolder folder = OpenRuntimeFolder(true);
        if (!folder.Usable())
            return {};
        const QByteArray path = folder.path + '/' + name + ".lock";
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return {};
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return {Outcome::HeldByOther, 0};
            return {};
        }
        // One write of the whole line, so that a reader sees it whole or not at all.
        const QByteArray line = QByteArray::number(window, 16).rightJustified(8, '0') + '\n';
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, line.constData(), size_t(line.size()), 0) != line.size())
            (void)::ftruncate(fd, 0);
        const quint32 handle = m_nextHandle++;
        m_held[handle] = fd;
        return {Outcome::Acquired, handle};
    }

    quint32 HolderWindow(const QByteArray& name) override
    {
        if (!ValidName(name))
            return 0;
        const TRuntimeFolder folder = OpenRuntimeFolder(false);
        if (!folder.Usable())
            return 0;
        const QByteArray path = folder.path + '/' + name + ".lock";
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            return 0;
        char line[kHolderLineSize + 1];
        const ssize_t n = ::pread(fd, line, sizeof line, 0);
        ::close(fd);
        if (n != kHolderLineSize || line[8] != '\n')
            return 0;
        bool ok = false;
        const quint32 window = QByteArray(line, 8).toUInt(&ok, 16);
        return ok ? window : 0;
    }

    void Release(quint32 handle) override
    {
        const auto it = m_held.find(handle);
        if (it == m_held.end())
            return;
        ::close(it->second);
        m_held.erase(it);
    }

private:
    std::map<quint32, int> m_held;
    quint32 m_nextHandle = 1;
};

} // namespace

TInstanceLock::~TInstanceLock() = default;

TInstanceLock& TInstanceLock::Default()
{
    static TUnixInstanceLock* instance = new TUnixInstanceLock;
    return *instance;
}
