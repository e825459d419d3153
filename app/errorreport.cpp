#include "errorreport.h"

#include <QMessageBox>

namespace {

ErrorReport::Sink& CurrentSink()
{
    static ErrorReport::Sink sink;
    return sink;
}

} // namespace

void ErrorReport::Show(const QString& message)
{
    if (CurrentSink()) {
        CurrentSink()(message);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(), message);
}

void ErrorReport::Show(const std::exception& error)
{
    Show(QString::fromLocal8Bit(error.what()));
}

void ErrorReport::SetSink(Sink sink)
{
    CurrentSink() = std::move(sink);
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ErrorReport::Show(e);
    }
    return false;
}
