// A small program with a server link, as the simulation would have one, for tests that need
// several processes. Environment: TUTORIX_TEST_USE_SERVER=1 sets UseMarvolaServer,
// TUTORIX_TEST_MULTISTART=1 sets MultiStart, TUTORIX_TEST_TRANSLATE_MS=N makes translating the
// owner take up to N ms (a random share, as a real window takes its time between registering
// and the single-instance check). It prints one line per event:
//   ready handle=H | second | params count=N entry=E... | quit down=B | error TEXT | end
// and ends when standard input ends, when a quit message arrives, or as a second instance.
#include "link/MarvolaDemon.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>
#include <QSocketNotifier>

#include <cstdio>

#include <unistd.h>

namespace {

// The owner, with one caption that the link translates while it is loaded.
class Owner : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    QString Caption() const { return caption; }
    void SetCaption(const QString& text)
    {
        caption = text;
        const int most = qEnvironmentVariableIntValue("TUTORIX_TEST_TRANSLATE_MS");
        if (most > 0)
            QThread::msleep(QRandomGenerator::global()->bounded(most + 1));
    }

private:
    QString caption = QStringLiteral("BF_Caption");
};

void Say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    auto* owner = new Owner;
    QPointer<TkdbDemonClient> link;
    try {
        link = new TkdbDemonClient(owner);
        link->SetUseMarvolaServer(qgetenv("TUTORIX_TEST_USE_SERVER") == "1");
        link->SetMultiStart(qgetenv("TUTORIX_TEST_MULTISTART") == "1");
        link->SetOnParamsChange([&link](QObject*) {
            QByteArray line = "params count=" + QByteArray::number(link->Params().size());
            for (const QByteArray& entry : link->Params())
                line += " entry=" + entry.toPercentEncoding();
            Say(line);
        });
        link->SetOnQuitMsgReceived([](TkdbCustomDemon&, bool serverDown, bool&) {
            Say("quit down=" + QByteArray::number(serverDown ? 1 : 0));
        });
        link->Loaded();
    } catch (const EQuitAccepted&) {
        Say("end"); // the server ended it while it started
        delete owner;
        return 0;
    } catch (const std::exception& e) {
        Say(QByteArray("error ") + e.what());
        delete owner;
        return 1;
    }
    if (link->EndRequested()) {
        Say("second");
        delete owner; // the link unregisters on its way out
        return 0;
    }
    Say("ready handle=" + QByteArray::number(link->OwnEntity().Handle, 16).rightJustified(8, '0'));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&]() {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::exit(0);
        }
    });
    const int code = app.exec();
    delete owner;
    Say("end");
    return code;
}

#include "link_test_client.moc"
