#include "instancelock.h"

#include "runtimefolder_unix.h"

#include <map>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A lock file in the runtime folder, held with flock on a descriptor that stays open; the file
// itself is never removed, so that holders and waiters always meet on the same file.
class TUnixInstanceLock final : public TInstanceLock
{
public:
    Result Acquire(const QByteArray& name) override
    {
        if (name.isEmpty() || name.contains('/') || name.contains('\0') || name.size() > 200)
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
        const quint32 handle = nextHandle++;
        held[handle] = fd;
        return {Outcome::Acquired, handle};
    }

    void Release(quint32 handle) override
    {
        const auto it = held.find(handle);
        if (it == held.end())
            return;
        ::close(it->second);
        held.erase(it);
    }

private:
    std::map<quint32, int> held;
    quint32 nextHandle = 1;
};

} // namespace

TInstanceLock::~TInstanceLock() = default;

TInstanceLock& TInstanceLock::Default()
{
    static TUnixInstanceLock* instance = new TUnixInstanceLock;
    return *instance;
}
