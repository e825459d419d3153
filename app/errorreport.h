#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

// The application-wide error report: an error that escapes an event handler is shown in a
// message box, and the program goes on. Tests replace the message box with a sink.
namespace ErrorReport {

using Sink = std::function<void(const QString& message)>;

void Show(const QString& message);
void Show(const std::exception& error);
// An empty sink restores the message box.
void SetSink(Sink sink);

// Wraps an event handler so that whatever it throws reaches the report instead of unwinding
// through the toolkit's own frames.
template <typename F>
auto Guarded(F handler)
{
    return [handler]() {
        try {
            handler();
        } catch (const std::exception& e) {
            Show(e);
        }
    };
}

} // namespace ErrorReport

// The program's application object: the last line of defence for errors that escape an event
// delivered by the toolkit itself.
class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
