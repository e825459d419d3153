#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

// The application-wide error report: an error that escapes an event handler is shown in a
// message box, and the program goes on. Tests replace the message box with a sink.
namespace errorreport {

using Sink = std::function<void(const QString& message)>;

// The title of the message box.
inline constexpr char16_t BoxTitle[] = u"DS-CDMA";

void Show(const QString& message);
// Shows the error's text; an EQuitAccepted is no error and shows nothing.
void Show(const std::exception& error);
// An empty sink restores the message box.
void SetSink(Sink sink);

// Ends what a held mouse button keeps doing, such as a scroll bar stepping on while its arrow is
// held: the widget that took the press gets a release away from it, which completes no click.
// A modal box calls this first, since the real release would go to the box and the control
// would repeat behind it. Needs the watch that TApplication keeps; without it, does nothing.
void EndMouseRepeat();

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

} // namespace errorreport

// The program's application object: its name (the windows' titles carry no suffix from it), its
// icon, a watch on which widget holds a mouse button, and the last line of defence for errors
// that escape an event delivered by the toolkit itself.
class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
