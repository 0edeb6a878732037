// Runs one whole update of the application folder given as its argument, without a window, so
// that a test can kill it part-way. Players are neither closed nor started. Exits with the number
// of how the run ended (UpdateProcedure::End).
#include "updateprocedure.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 100;
    UpdateProcedure update(QString::fromLocal8Bit(argv[1]));
    update.closePlayers = [](const QString &) {
    };
    update.startProgram = [](const QString &) {
        return true;
    };
    return int(update.run(false));
}
