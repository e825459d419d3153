#pragma once

#include "link/instancelock.h"
#include "link/messagewindows.h"
#include "link/settingsvalue.h"
#include "link/tutorixcodec.h"

#include <QMap>
#include <QPair>

#include <functional>
#include <map>
#include <set>
#include <vector>

// Message windows without sockets: windows live in a table, sends are recorded and answered by
// a script that may call back into any window, as a server does with its replies.
class FakeWindows final : public TMessageWindows
{
public:
    struct Sent
    {
        quint32 target;
        quint32 wParam;
        quint32 code;
        TTimeStamp stamp;
        QByteArray content;
    };
    using Script = std::function<std::int32_t(const Sent& sent)>;

    bool RegisterClass(const QByteArray& className) override
    {
        if (!refusal.isEmpty()) {
            lastError = refusal;
            return false;
        }
        if (failRegister || !classes.insert(className).second) {
            lastError = QStringLiteral("class refused");
            return false;
        }
        return true;
    }
    bool UnregisterClass(const QByteArray& className) override { return classes.erase(className) > 0; }
    quint32 CreateWindow(const QByteArray&, const QByteArray&, WindowProc proc) override
    {
        if (failCreate) {
            lastError = QStringLiteral("window refused");
            return 0;
        }
        const quint32 handle = nextHandle++;
        windows[handle] = std::move(proc);
        return handle;
    }
    void SetWindowProc(quint32 window, WindowProc proc) override { windows[window] = std::move(proc); }
    void DestroyWindow(quint32 window) override
    {
        windows.erase(window);
        destroyed.push_back(window);
    }
    quint32 FindWindow(QByteArrayView className, QByteArrayView windowName) override
    {
        lookups.append({className.toByteArray(), windowName.toByteArray()});
        return findable.value({className.toByteArray(), windowName.toByteArray()}, 0);
    }
    bool IsWindow(quint32 window) override { return windows.count(window) || alive.count(window); }
    std::int32_t SendCopyData(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload) override
    {
        Sent sent{target, wParam, dwData, {}, {}};
        QByteArrayView content;
        if (DecodePayload(payload, sent.stamp, content))
            sent.content = content.toByteArray();
        log.push_back(sent);
        outcome = windows.count(target) || alive.count(target) ? SendOutcome::Answered : SendOutcome::NotDelivered;
        return script ? script(sent) : 0;
    }
    SendOutcome LastSendOutcome() const override { return outcome; }
    void CancelSends() override { ++cancels; }
    QString RefusalReason() override { return refusal; }
    QString LastErrorString() const override { return lastError; }

    // Delivers a message to a window as a peer would.
    std::int32_t Deliver(quint32 window, quint32 from, quint32 code, TTimeStamp stamp, const QByteArray& content)
    {
        const auto it = windows.find(window);
        if (it == windows.end())
            return 0;
        const WindowProc proc = it->second;
        return proc(WM_COPYDATA, from, code, EncodePayload(stamp, content));
    }
    std::int32_t DeliverRaw(quint32 window, quint32 from, quint32 message, quint32 code, const QByteArray& payload)
    {
        const WindowProc proc = windows.at(window);
        return proc(message, from, code, payload);
    }

    std::set<QByteArray> classes;
    std::map<quint32, WindowProc> windows;
    std::set<quint32> alive; // other processes' windows that exist
    QMap<QPair<QByteArray, QByteArray>, quint32> findable;
    QList<QPair<QByteArray, QByteArray>> lookups;
    std::vector<Sent> log;
    std::vector<quint32> destroyed;
    Script script;
    quint32 nextHandle = 0x1000;
    bool failRegister = false;
    bool failCreate = false;
    QString refusal; // set: the folder of the windows is refused, and so is every class
    int cancels = 0;
    SendOutcome outcome = SendOutcome::NotDelivered;
    QString lastError;
};

class FakeLock final : public TInstanceLock
{
public:
    Result Acquire(const QByteArray& name, quint32 window) override
    {
        names.append(name);
        if (next.outcome == Outcome::Acquired)
            holder = window;
        return next;
    }
    void Release(quint32 handle) override { released.append(handle); }
    quint32 HolderWindow(const QByteArray& name) override
    {
        holderAsked.append(name);
        return holder;
    }

    Result next{Outcome::Acquired, 7};
    QList<QByteArray> names;
    QList<quint32> released;
    quint32 holder = 0;
    QList<QByteArray> holderAsked;
};

class FakeSettings final : public TSettingsValue
{
public:
    Value ReadViewerHandle() override { return value; }
    Value value;
};
