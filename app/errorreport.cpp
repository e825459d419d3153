#include "app/errorreport.h"

#include "app/resources/dscdmaresources.h"
#include "link/MarvolaDemon.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace {

errorreport::Sink& CurrentSink()
{
    static errorreport::Sink sink;
    return sink;
}

// The widget that took the last press of a mouse button still held, and where.
struct MouseHold
{
    QPointer<QWidget> widget;
    Qt::MouseButton button = Qt::NoButton;
    Qt::KeyboardModifiers modifiers;
};

MouseHold& CurrentHold()
{
    static MouseHold hold;
    return hold;
}

// Sees every mouse event before its receiver does. A press that a child ignores travels on to
// its parent, so the last receiver seen is the one that took it.
class MouseHoldWatch : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (watched->isWidgetType()) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                CurrentHold() = {static_cast<QWidget*>(watched), mouse->button(), mouse->modifiers()};
            }
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
                CurrentHold() = {};
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

void errorreport::Show(const QString& message)
{
    if (CurrentSink()) {
        CurrentSink()(message);
        return;
    }
    EndMouseRepeat();
    QMessageBox::critical(QApplication::activeWindow(), QString::fromUtf16(BoxTitle), message);
}

void errorreport::Show(const std::exception& error)
{
    // The server ended the program inside a query: what was under way stops, and that is no
    // error of anybody's.
    if (dynamic_cast<const EQuitAccepted*>(&error))
        return;
    Show(QString::fromLocal8Bit(error.what()));
}

void errorreport::SetSink(Sink sink)
{
    CurrentSink() = std::move(sink);
}

void errorreport::EndMouseRepeat()
{
    const MouseHold hold = CurrentHold();
    CurrentHold() = {};
    if (!hold.widget)
        return;
    const QPointF away(-1, -1);
    QMouseEvent release(QEvent::MouseButtonRelease, away, hold.widget->mapToGlobal(away), hold.button,
                        Qt::NoButton, hold.modifiers);
    QCoreApplication::sendEvent(hold.widget, &release);
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // No display name: the desktop would append it to every window title.
    setApplicationName(QStringLiteral("dscdma"));
    // Lets desktops match the windows to the installed menu entry.
    setDesktopFileName(QStringLiteral("org.dscdma.DSCDMA"));
    setWindowIcon(resources::applicationIcon());
    installEventFilter(new MouseHoldWatch(this));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        errorreport::Show(e);
    }
    return false;
}
