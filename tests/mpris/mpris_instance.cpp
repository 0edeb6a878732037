// A second Marvoli on the same bus, for the tests: registers the desktop media control with
// doubles, prints the bus name it got, and exits with 0 once a desktop Quit has run its quit.
#include "mprisfakes.h"
#include "mprisservice.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// Quits the way a closing main window may: the service is torn down inside its own Quit call.
class QuittingHost : public ScriptedHost
{
public:
    std::unique_ptr<MprisService> service;

    void quitFromDesktop() override
    {
        service.reset();
        std::puts("quit ran");
        std::fflush(stdout);
        QCoreApplication::quit();
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    NotingPlayer player;
    QuittingHost host;
    host.service = std::make_unique<MprisService>(player, host, host);
    if (!host.service->registerOnSessionBus()) {
        std::puts("no session bus");
        return 3;
    }
    std::puts(qPrintable(host.service->serviceName()));
    std::fflush(stdout);
    // Never outlive a test that died.
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(2); });
    return app.exec();
}
