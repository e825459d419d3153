#include "link/messagewindows_unix.h"

TMessageWindows::~TMessageWindows() = default;

TMessageWindows& TMessageWindows::Default()
{
    return UnixMessageWindows();
}

TUnixMessageWindows& UnixMessageWindows()
{
    // Never destroyed: windows still open at exit are taken down with the process, and the
    // event loop's watchers go with the application object (see DetachFromEventLoop).
    static TUnixMessageWindows* instance = new TUnixMessageWindows;
    return *instance;
}

TUnixMessageWindows::TUnixMessageWindows()
    : m_table(m_directory, []() { UnixMessageWindows().DetachFromEventLoop(); })
{
}

TUnixMessageWindows::~TUnixMessageWindows()
{
    while (!m_directory.Windows().empty())
        DestroyWindow(m_directory.Windows().begin()->first);
    m_table.CloseAll();
}

bool TUnixMessageWindows::RegisterClass(const QByteArray& className)
{
    return m_directory.RegisterClass(className);
}

bool TUnixMessageWindows::UnregisterClass(const QByteArray& className)
{
    return m_directory.UnregisterClass(className);
}

QString TUnixMessageWindows::RefusalReason()
{
    return m_directory.RefusalReason();
}

quint32 TUnixMessageWindows::CreateWindow(const QByteArray& className, const QByteArray& windowName, WindowProc proc)
{
    const quint32 handle = m_directory.CreateWindow(className, windowName, std::move(proc));
    if (handle != 0)
        m_table.WatchWindow(handle);
    return handle;
}

void TUnixMessageWindows::SetWindowProc(quint32 window, WindowProc proc)
{
    if (TWindowDirectory::Window* found = m_directory.Find(window))
        found->proc = std::move(proc);
}

void TUnixMessageWindows::DestroyWindow(quint32 window)
{
    if (!m_directory.Find(window))
        return;
    m_table.UnwatchWindow(window);
    m_directory.DestroyWindow(window);
    // Closed unanswered: their senders' sends end with 0.
    m_table.DropConnectionsOf(window);
}

quint32 TUnixMessageWindows::FindWindow(QByteArrayView className, QByteArrayView windowName)
{
    return m_directory.FindWindow(className, windowName);
}

bool TUnixMessageWindows::IsWindow(quint32 window)
{
    return m_directory.IsWindow(window);
}

std::int32_t TUnixMessageWindows::SendCopyData(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload)
{
    m_lastOutcome = SendOutcome::NotDelivered;
    if (target == 0)
        return 0;
    if (payload.size() > MaxFramePayload) {
        m_lastError = QStringLiteral("A message of %1 bytes is larger than 64 MiB").arg(payload.size());
        return 0;
    }
    if (m_directory.Find(target))
        return CallOwnWindow(target, wParam, dwData, payload);
    const QByteArray path = m_directory.SocketPathOf(target);
    if (path.isEmpty())
        return 0;
    const quint64 generation = m_cancelGeneration;
    TSendLoop send(m_table, path, m_sendTimeLimit);
    const TSendLoop::Result result =
        send.Run(wParam, dwData, payload, [this, generation]() { return m_cancelGeneration != generation; });
    if (!result.error.isEmpty())
        m_lastError = result.error;
    m_lastOutcome = result.outcome;
    return result.value;
}

std::int32_t TUnixMessageWindows::CallOwnWindow(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload)
{
    // The procedure may destroy its window: call a copy.
    const WindowProc proc = m_directory.Find(target)->proc;
    if (!proc)
        return 0;
    m_table.BeginSend();
    std::int32_t result = 0;
    try {
        result = proc(WM_COPYDATA, wParam, dwData, payload.toByteArray());
    } catch (...) {
        result = 0;
    }
    m_table.EndSend();
    m_lastOutcome = SendOutcome::Answered;
    return result;
}
