// A widget program for the leak suppressions: run with "leak" it loses one allocation of its
// own, made in a handler that the event loop calls (so its stack passes through Qt and the event
// dispatcher), and LeakSanitizer must report it; run with "clean" it loses nothing of its own,
// and the suppressions must cover what Qt keeps for the whole run.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstring>

namespace {

void* volatile lost;

__attribute__((noinline)) void PlantedLeakInProgramCode()
{
    lost = new char[4242];
    lost = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    const bool leak = argc > 1 && std::strcmp(argv[1], "leak") == 0;
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("probe"));
    label.show();
    QTimer::singleShot(0, &app, [leak] {
        if (leak)
            PlantedLeakInProgramCode();
        QCoreApplication::quit();
    });
    return app.exec();
}
